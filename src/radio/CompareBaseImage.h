#pragma once
// The compare base of the EEPROM debug tools: a copy of the working image taken on request
// (event 8, the "Set Comp" button) and by the debug compare, so service work can see which
// bytes an edit or a clone run changed.
#include <string>

class cmcEeprom;
struct HubEvent;

class CompareBaseImage {
  public:
    // Both images belong to the caller; subscribes to the event hub for event 8.
    CompareBaseImage(cmcEeprom& working, cmcEeprom& base);
    ~CompareBaseImage();
    CompareBaseImage(const CompareBaseImage&) = delete;
    CompareBaseImage& operator=(const CompareBaseImage&) = delete;

    // The base becomes a copy of the working image.
    void Take();
    // The debug compare: every byte that differs from the base, then a new base.
    std::string Compare();

    const cmcEeprom& Base() const { return base_; }

  private:
    static void OnEvent(void* self, HubEvent& event);

    cmcEeprom& working_;
    cmcEeprom& base_;
};
