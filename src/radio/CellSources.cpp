#include "radio/CellSources.h"

#include "platform/Fatal.h"
#include "text/cmcGTex.h"

namespace {
cmcChoiceSource* g_choices = nullptr;

cmcChoiceSource& Choices() {
    if (g_choices == nullptr) platform::FatalStop("No choice table installed.");
    return *g_choices;
}
}  // namespace

std::string OverlayLine(const char* key, int line) { return GTex().GetLine(key, line); }

void InstallChoiceSource(cmcChoiceSource* source) { g_choices = source; }

std::string ChoiceText(const char* list, int label, int value) {
    return Choices().Text(list, label, value);
}

int ChoiceStep(const char* list, int label, int value, int direction) {
    return Choices().Step(list, label, value, direction);
}

bool ChoiceValueOfText(const char* list, int label, std::string_view text, int& value) {
    return Choices().ValueOfText(list, label, text, value);
}
