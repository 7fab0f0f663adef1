#pragma once
// Where cell handlers and editors get overlay texts and choice lists: the one place that ties
// the dispatcher to the application's text store and choice table.
#include <string>
#include <string_view>

// Line n of an overlay entry of the main text store.
std::string OverlayLine(const char* key, int line);

// Choice lists: the items are the cells of label `label` in the entry "<list>_Cells".
class cmcChoiceSource {
public:
    virtual ~cmcChoiceSource() = default;
    // The item's text; "error" for a value the list does not hold.
    virtual std::string Text(const char* list, int label, int value) = 0;
    // The value one item on (direction +1) or back (-1), wrapping around.
    virtual int Step(const char* list, int label, int value, int direction) = 0;
    // The value of the first item whose text equals `text`; false when none does.
    virtual bool ValueOfText(const char* list, int label, std::string_view text, int& value) = 0;
};
// The application installs its choice table; tests install their own.
void InstallChoiceSource(cmcChoiceSource* source);

std::string ChoiceText(const char* list, int label, int value);
int ChoiceStep(const char* list, int label, int value, int direction);
bool ChoiceValueOfText(const char* list, int label, std::string_view text, int& value);
