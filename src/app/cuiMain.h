#pragma once
// The application core: the document's images, its file, its modified state, and the document
// and clone commands. It has no window; the window (or the command-line tool) drives it and
// receives its effects through cuiMainView. Model-specific behaviour lives in the virtual
// operations that the model class overrides.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/cuiMainView.h"
#include "radio/cmcEeprom.h"

class cmcTick;

class cuiMain {
public:
    // Answers of ConfirmDiscard, as the message box gives them.
    static constexpr int kGoOn = 6;
    static constexpr int kGoOnWithoutSaving = 7;
    static constexpr int kCancel = 2;

    cuiMain(std::string baseName, int imageSize);
    virtual ~cuiMain();
    cuiMain(const cuiMain&) = delete;
    cuiMain& operator=(const cuiMain&) = delete;

    void SetView(cuiMainView* view) { view_ = view ? view : &noView_; }

    // --- model operations (overridden by the model class) ---
    virtual void InitIdentity();
    // True when the image is not of this model.
    virtual bool CheckImageIdentity(const cmcEeprom& image, bool strict) { return true; }
    virtual bool CheckImageExtra(const cmcEeprom& image) { return false; }
    virtual void OnImageLoaded(cmcEeprom& image) {}
    virtual void AdoptImage(cmcEeprom& image, bool forSave) {}
    virtual void AdjustImage(cmcEeprom& image) {}
    // True: go on with a write to the radio.
    virtual bool ConfirmMakerWrite() { return true; }

    // --- document ---
    const std::string& DocumentPath() const { return documentPath_; }
    const std::string& DocumentDirectory() const { return documentDirectory_; }
    // The path, or "<directory>/Untitled" while untitled.
    std::string DocumentName() const;
    bool Untitled() const { return documentPath_.empty(); }
    bool Modified() const { return modified_; }
    // Sets the modified flag when the working image differs from the baseline; never clears it.
    bool CheckModified();
    void MarkSaved();
    void UpdateTitle();
    std::string Title() const;

    // Document commands. Results: 0 done, 1 not done.
    void New();
    int OpenWithDialog();
    int OpenFile(const std::string& path);
    void Save();
    int SaveAs();
    int SaveToFile(const std::string& path);
    int ConfirmDiscard(bool anotherFile);
    void RecentAdd(const std::string& path);
    std::string RecentDisplayName(int index, const std::string& directory) const;

    // Start-up: the reference image from the initial file of the start model, and an untitled
    // unmodified document holding it.
    virtual void LoadStartImage() {}
    void ResetDocumentToReference();

    cmcEeprom& Working() { return working_; }
    cmcEeprom& Reference() { return reference_; }
    cmcEeprom& Baseline() { return baseline_; }
    cmcEeprom& Scratch() { return scratch_; }
    int ImageSize() const { return imageSize_; }
    int ModelCode() const { return modelCode_; }
    int SubCode() const { return subCode_; }
    const std::string& BaseName() const { return baseName_; }

protected:
    cuiMainView& View() { return *view_; }
    void SetCodes(int modelCode, int subCode) {
        modelCode_ = modelCode;
        subCode_ = subCode;
    }

private:
    static std::string FileNamePart(const std::string& path);
    static std::string DirectoryPart(const std::string& path);
    void SetDocumentPath(const std::string& path);

    std::string baseName_;
    int imageSize_;
    int modelCode_ = 0;
    int subCode_ = 0;
    cuiMainView noView_;
    cuiMainView* view_ = &noView_;
    std::string documentDirectory_;
    std::string documentPath_;
    bool modified_ = false;
    cmcEeprom working_, reference_, baseline_, scratch_;
};
