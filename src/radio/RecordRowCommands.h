#pragma once
// The popup-menu row commands of record-table rows: copy, paste, carry up and down, clear,
// delete and insert over the current row or a selected block, moving whole records through
// the channel clipboard. Reports go to the bottom bar (event 4), redraws through events 13
// and 16; cautions go to the asker the application installs.
#include "radio/RowCommander.h"

class cmcEeprom;
class datClipCh;

// What a row command asks before records are lost: pasting over filled rows, clearing,
// deleting filled rows, inserting so that filled rows fall off the end.
enum class RowCaution { Overwrite, Clear, Delete, Overflow };

class RecordRowCommands : public RowCommander {
  public:
    // Answers a caution: true to go on. Without an asker every caution is refused.
    using CautionAsker = bool (*)(RowCaution caution);

    // Rows the commands may touch, and whether clear, delete and insert are allowed.
    struct Range {
        int first;
        int last;  // below first: the table has no row commands
        bool canClear;
    };
    static Range RangeOf(int table);

    // Whether the channel lists show only their usable channels (the usable-only view).
    using ViewQuery = bool (*)();

    // The clipboard is the program-wide one; it must outlive this object.
    explicit RecordRowCommands(datClipCh& clipboard) : clip_(clipboard) {}
    void SetCautionAsker(CautionAsker ask) { ask_ = ask; }
    // Without a query every row counts as shown.
    void SetUsableOnlyQuery(ViewQuery query) { usableOnly_ = query; }

    bool InRange(int table, int row) const override;
    bool CanClear(int table) const override { return RangeOf(table).canClear; }
    bool CanPaste(int table) const override;
    void Run(int command, cmcCellCapsule& request, datCh& record) override;

  private:
    struct Block {
        int table;
        int current;
        int first;
        int last;
        Range range;
        int Count() const { return last - first + 1; }
    };
    void Copy(cmcCellCapsule& req, Block& b, cmcEeprom& image);
    void Paste(cmcCellCapsule& req, Block& b, cmcEeprom& image, datCh& record);
    void Carry(cmcCellCapsule& req, Block& b, cmcEeprom& image, bool up);
    void Clear(cmcCellCapsule& req, Block& b, cmcEeprom& image);
    void Delete(cmcCellCapsule& req, Block& b, cmcEeprom& image);
    void Insert(cmcCellCapsule& req, Block& b, cmcEeprom& image);

    bool Confirm(RowCaution caution) const { return ask_ && ask_(caution); }
    // Whether the command would read or write a row the channel list does not show.
    bool ReachesHiddenRows(int command, const Block& b, cmcEeprom& image) const;

    datClipCh& clip_;
    CautionAsker ask_ = nullptr;
    ViewQuery usableOnly_ = nullptr;
};
