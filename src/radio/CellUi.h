#pragma once
// What the dispatcher may do to the window a request comes from: open a drop-down chooser
// under a choice cell, and paint on the cell while it is drawn. The grid view implements
// these; tests record the calls.
#include <cstdint>
#include <string>

struct cmcCellCapsule;

struct CellRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Colours are 0x00BBGGRR; 0x80000000 + n is system colour n.
namespace cellcolor {
inline constexpr uint32_t kOlive = 0x00008080;   // read-only text
inline constexpr uint32_t kSilver = 0x00C0C0C0;  // a setting that has no effect now
inline constexpr uint32_t kGrey = 0x00808080;
inline constexpr uint32_t kRed = 0x000000FF;
inline constexpr uint32_t kWindowText = 0x80000008;
inline constexpr uint32_t kBtnFace = 0x8000000F;
inline constexpr uint32_t kRestrictText = 0x0000FFFF;
inline constexpr uint32_t kRestrictBack = 0x00000080;
}  // namespace cellcolor

class CellCanvas {
  public:
    virtual ~CellCanvas() = default;
    virtual void SetFontColor(uint32_t color) = 0;
    virtual void FillRect(const CellRectangle& rect, uint32_t color) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2, uint32_t color) = 0;
};

class CellGrid {
  public:
    virtual ~CellGrid() = default;
    // Drop-down chooser under the request's cell: the sheet `chooserSheet`, cells of label
    // `listLabel`, the current value as the initial cell.
    virtual void OpenChooser(cmcCellCapsule& request, int listLabel, int value,
                             const std::string& chooserSheet) = 0;
};
