#pragma once
// Undo and redo of the working image. A step keeps only the bytes it changed, before and after,
// so a long history of small edits costs little; the oldest steps go once the history passes its
// step or byte cap. What a step was is kept as data and worded only when a menu asks.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class cmcEeprom;

// The document around a step that replaces it (a model change, a read from the radio): its
// file name, the image last saved and whether it was modified.
struct UndoDocument {
    std::string path;
    bool modified = false;
    std::vector<uint8_t> baseline;
};

struct UndoWhat {
    enum Kind { kChange, kCellEdit, kRowCommand, kImport, kModelChange, kRadioRead };
    Kind kind = kChange;
    int category = 0;  // the edited cell, or the first row of a row command
    int label = 0;
    int row = 0;
    int lastRow = 0;   // row commands: the block's last row
    int command = 0;   // row commands: the popup-menu label
    std::string text;  // imports: the table
    // Model type before and after the step; undo and redo put the model back with the bytes.
    int modelBefore = -1;
    int modelAfter = -1;
    // Set only for steps that replace the document: undo and redo give its file name and its
    // modified mark back with the bytes.
    std::shared_ptr<const UndoDocument> documentBefore;
    std::shared_ptr<const UndoDocument> documentAfter;
};

class UndoHistory {
  public:
    struct Limits {
        size_t steps = 1000;
        size_t bytes = size_t{8} << 20;
    };
    // Bytes a step touched, first to last.
    struct Range {
        int first;
        int last;
    };

    UndoHistory() = default;
    void SetLimits(Limits limits);
    const Limits& GetLimits() const { return limits_; }

    // Forgets every step; the next step is measured from this image.
    void Reset(const cmcEeprom& image);
    // Takes the image as it is without a step, for changes the user did not make (the
    // adoption before a save). Steps keep what they restore.
    void Absorb(const cmcEeprom& image);
    // Whatever changed since the last step becomes one step and the redo steps go. False, and
    // no step, when nothing changed.
    bool Commit(const cmcEeprom& image, const UndoWhat& what);
    // Puts back the image as the last step left it: what changed since goes without a step. The
    // ranges put back go to `changed`.
    void Discard(cmcEeprom& image, std::vector<Range>* changed = nullptr);

    bool CanUndo() const { return !done_.empty(); }
    bool CanRedo() const { return !undone_.empty(); }
    const UndoWhat* NextUndo() const { return done_.empty() ? nullptr : &done_.back().what; }
    const UndoWhat* NextRedo() const { return undone_.empty() ? nullptr : &undone_.back().what; }
    // Put back the bytes of the last step (or take the last undone one again). A change made
    // since the last step is taken as a step of its own first. The ranges touched go to
    // `changed`. False when there is nothing to undo or redo.
    bool Undo(cmcEeprom& image, std::vector<Range>* changed = nullptr);
    bool Redo(cmcEeprom& image, std::vector<Range>* changed = nullptr);

    size_t UndoCount() const { return done_.size(); }
    size_t RedoCount() const { return undone_.size(); }
    // Memory the steps hold, as the cap counts it.
    size_t HeldBytes() const { return held_; }

  private:
    struct Run {
        uint16_t address;
        uint16_t length;
    };
    struct Step {
        std::vector<Run> runs;
        std::vector<uint8_t> before;  // the runs' bytes one after another
        std::vector<uint8_t> after;
        UndoWhat what;
        size_t Cost() const;
    };
    bool InStep(const cmcEeprom& image) const;
    void Apply(const Step& step, bool forward, cmcEeprom& image, std::vector<Range>* changed);
    void Trim();

    Limits limits_;
    std::vector<uint8_t> last_;  // the image as the last step left it
    std::deque<Step> done_;      // oldest first
    std::vector<Step> undone_;   // the next to redo last
    size_t held_ = 0;
};
