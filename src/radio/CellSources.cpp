#include "radio/CellSources.h"

#include <utility>

#include "sheet/ChoiceLists.h"
#include "text/cmcGTex.h"

namespace {
ChoiceSource* g_source = nullptr;
}  // namespace

ChoiceSource* InstallChoiceSource(ChoiceSource* source) {
    return std::exchange(g_source, source);
}

std::string OverlayLine(const char* key, int line) {
    return GTex().GetLine(key, line);
}

std::string ChoiceText(const char* list, int label, int value) {
    if (g_source != nullptr) return g_source->Text(list, label, value);
    return ChoiceTable().Text(list, label, value);
}

int ChoiceStep(const char* list, int label, int value, int direction) {
    if (g_source != nullptr) return g_source->Step(list, label, value, direction);
    return ChoiceTable().Step(list, label, value, direction);
}

bool ChoiceValueOfText(const char* list, int label, std::string_view text, int& value) {
    if (g_source != nullptr) return g_source->ValueOfText(list, label, text, value);
    const ChoiceLists::Entry* first = nullptr;
    for (const ChoiceLists::Entry& e : ChoiceTable().Find(list, label).byValue) {
        if (e.text != text) continue;
        if (first == nullptr || e.line < first->line ||
            (e.line == first->line && e.position < first->position))
            first = &e;
    }
    if (first == nullptr) return false;
    value = first->value;
    return true;
}
