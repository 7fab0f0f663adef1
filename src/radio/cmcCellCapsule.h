#pragma once
// The request record of the cell dispatcher: which cell, which key, command or committed
// value; the dispatcher fills in what the cell shows and what the caller should do next.
#include <cstdint>
#include <string>

#include "radio/CellUi.h"

class cmcCellObj;
struct cmcCellCapsule;

// Called at the end of an input call with the redraw mask of the grid.
using CellNotify = void (*)(void* user, cmcCellCapsule& request, int changeFlags);
// Opens the in-place editor on the current cell with the request's text and selection.
using CellEditorOpen = void (*)(void* user, cmcCellCapsule& request, int flag);

// How a request commits a value.
enum class CommitMode : int {
    kNone = 0,    // a key or a command, or only rendering
    kText = 1,    // the input text from the in-place editor
    kChoice = 2,  // the choice in parent, from a drop-down chooser
};

// What the grid opens after a dispatch (what DispatchCell returns).
enum class EditorSignal : int {
    kNone = 0,
    kChooser = 1,  // a drop-down chooser on the cell
    kEditor = 2,   // the in-place editor, with the display text and selection
};

// Where the painter puts a cell's warning or error marker.
enum class MarkerPlace : int {
    kAuto = 0,  // left of right-aligned text, else after the text
    kLeft = 1,
    kRightEdge = 2,
    kAfterText = 3,
};

namespace cellkey {
inline constexpr int kBackspace = 8;
inline constexpr int kEnter = 13;
inline constexpr int kSpace = 32;
inline constexpr int kDoubleClick = 256;  // taken as Enter
inline constexpr int kF2 = 0x7100;
inline constexpr int kF3 = 0x7200;
}  // namespace cellkey

struct cmcCellCapsule {
    // resultFlags
    static constexpr uint8_t kSelected = 0x01;
    static constexpr uint8_t kPrinting = 0x02;
    static constexpr uint8_t kWarning = 0x04;
    static constexpr uint8_t kError = 0x08;
    // rowSelFlags
    static constexpr uint8_t kRowBlock = 0x01;
    static constexpr uint8_t kRowMarkRequest = 0x02;

    cmcCellCapsule* parent = nullptr;  // chosen popup item's request, or the menu's opener
    void* form = nullptr;              // window that owns the grid
    CellGrid* grid = nullptr;          // none when only text is wanted
    cmcCellObj* cell = nullptr;
    CellCanvas* canvas = nullptr;  // set while painting
    void* textStore = nullptr;     // passed through for the sheet (its marker images)
    CellRectangle rect;
    int selStart = 0;
    int selLength = 0;
    int key = 0;          // 0 render only; see cellkey
    int menuCommand = 0;  // popup-menu command label chosen on this cell
    std::string inputText;
    std::string displayText;
    uint8_t resultFlags = 0;
    MarkerPlace mark = MarkerPlace::kAuto;
    CommitMode commitMode = CommitMode::kNone;
    uint8_t rowSelFlags = 0;
    int rowSelFirst = 0;
    int rowSelLast = 0;
    int category = 0;  // copies made by the dispatcher; with gotoFlag, the cell to move to
    int label = 0;
    int row = 0;
    int gotoFlag = 0;
    int replayKey = 0;
    CellNotify notify = nullptr;
    void* user = nullptr;
    CellEditorOpen editorOpen = nullptr;
    EditorSignal signal = EditorSignal::kNone;  // of the last dispatch
    // Overlay key of why a committed value was refused (nothing was changed); the dispatcher
    // shows it in the bottom bar, the command line prints it.
    const char* refusal = nullptr;
    // The refusal worded in full where it names values (the range a cell takes); empty: line 0
    // of the refusal's key says it.
    std::string refusalText;

    // Back to the defaults; keeps the strings' storage.
    void Reset() {
        std::string in = std::move(inputText);
        std::string out = std::move(displayText);
        *this = cmcCellCapsule();
        in.clear();
        out.clear();
        inputText = std::move(in);
        displayText = std::move(out);
    }
};
