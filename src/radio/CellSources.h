#pragma once
// Where cell handlers and editors get overlay texts and choice lists: the one place that ties
// the dispatcher to the program's text store and choice table.
#include <string>
#include <string_view>

// Line n of an overlay entry of the main text store.
std::string OverlayLine(const char* key, int line);

// Choice lists: the items are the cells of label `label` in the entry "<list>_Cells", read
// from the program's choice table unless a source of fixed lists is installed (tests).
class ChoiceSource {
  public:
    virtual ~ChoiceSource() = default;
    virtual std::string Text(const char* list, int label, int value) = 0;
    virtual int Step(const char* list, int label, int value, int direction) = 0;
    virtual bool ValueOfText(const char* list, int label, std::string_view text, int& value) = 0;
};
ChoiceSource* InstallChoiceSource(ChoiceSource* source);

// The item's text; "error" for a value the list does not hold.
std::string ChoiceText(const char* list, int label, int value);
// The value one item on (direction +1) or back (-1), wrapping around.
int ChoiceStep(const char* list, int label, int value, int direction);
// The value of the first item (in the list's lines) whose text equals `text`.
bool ChoiceValueOfText(const char* list, int label, std::string_view text, int& value);
