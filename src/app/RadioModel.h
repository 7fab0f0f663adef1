#pragma once
// The operations of this radio's model class that work on images: identity checks, bringing an
// image into line with the regional variant in force, compacting the DSC address book after a
// read, loading the factory image and switching the variant. Nothing here needs a window; the
// application object and the command-line tool both drive these.
#include <cstdint>
#include <string>
#include <utility>

#include "radio/MemoryMap.h"

class cmcEeprom;

// What the model operations need from the program around them. The defaults do nothing, which
// is what a tool without a sheet tree or a document title wants.
class RadioModelHost {
  public:
    virtual ~RadioModelHost() = default;
    // The model type changed; the program keeps it in its settings.
    virtual void ModelTypeChanged(int /*type*/) {}
    // The working image was replaced by the reference image: the document becomes untitled and
    // not modified.
    virtual void DocumentReset() {}
    // Rebuild the sheet tree (the regional sheets depend on the model type).
    virtual void BuildTree() {}
};

class RadioModel {
  public:
    static constexpr int kModelCode = mm::kModelCode;
    static constexpr int kSubCode = mm::kSubCode;
    static constexpr int kStartModelType = 2;

    // The images are owned by the caller and must outlive this object.
    RadioModel(cmcEeprom& working, cmcEeprom& reference, RadioModelHost* host = nullptr);

    int ModelType() const { return modelType_; }
    // Sets the model type without loading anything (start-up and tests).
    void SetModelType(int type) { modelType_ = type; }
    bool MakerMode() const { return makerMode_; }
    void SetHost(RadioModelHost* host) { host_ = host; }
    // Folder of the initial files; the program's own folder unless set (tests, tools).
    void SetInitialFolder(std::string folder) { initialFolder_ = std::move(folder); }

    // True when the image is one of this model: the map marker is 1 and, in strict mode (an
    // image read from a radio), the maker string is there as well.
    bool IsOwnImage(const cmcEeprom& image, bool strict) const;
    // Further content check; this model has none.
    bool CheckImageExtra(const cmcEeprom& /*image*/) const { return false; }

    // After Open and after a read from the radio: switch to the image's model type without a
    // question, adopt the image and have the tree rebuilt (event 28).
    void OnImageLoaded(cmcEeprom& image);
    // Brings the image into line with the reference image of the current model type. With
    // forSave the values that only matter to a saved or written image are refreshed as well.
    void AdoptImage(cmcEeprom& image, bool forSave);
    // After a read from the radio: compacts the individual and group DSC ID tables, moving each
    // entry to the table its ID belongs to and dropping empty ones.
    void AdjustImage(cmcEeprom& image);

    // Fills the reference image from the initial file of the model type and adopts it. A
    // missing or wrong file is fatal: the program cannot work without its factory image.
    void LoadInitialFile(int type);
    // Model types the program has an initial file for (the lines of the initial file list).
    int ModelTypeCount() const;
    // Full path of the initial file of a model type.
    std::string InitialFilePath(int type) const;
    // Switches the model type. With confirm the user is asked first and the document is
    // replaced by the new factory image. Returns true when the type changed.
    bool ChangeModel(int newType, bool confirm);

    // In manufacturer mode every write to a radio is confirmed; true = go on.
    bool ConfirmMakerWrite();
    // Turns manufacturer mode on after the caution is confirmed (the status panel is the
    // window's business). Returns true when the mode was turned on by this call.
    bool EnterManufacturerMode();

    // Version number of four ASCII digits; 0 when any of them is not a digit.
    static int VersionNumber(uint8_t c0, uint8_t c1, uint8_t c2, uint8_t c3);
    // The map version an image carries.
    static int ImageVersion(const cmcEeprom& image);
    // Check byte of the version mirror and the own ID: low byte of the one's complement of the
    // sum.
    static uint8_t ComplementSum(const cmcEeprom& image, int first, int count);

  private:
    bool AskCaution(const char* key);
    void AdoptChannels(cmcEeprom& image);
    void AdoptFixedValues(cmcEeprom& image, bool forSave);
    void AdoptSoftKeys(cmcEeprom& image);
    void AdoptNames(cmcEeprom& image);
    void AdoptDscSetup(cmcEeprom& image);
    void AdoptVersionBlock(cmcEeprom& image);

    cmcEeprom& working_;
    cmcEeprom& reference_;
    RadioModelHost* host_;
    int modelType_ = kStartModelType;
    bool makerMode_ = false;
    std::string initialFolder_;
};
