#pragma once
// Every event code of the hub, in one place. The comment says what the arguments carry
// (first, second, data) and who reacts.
namespace ev {

constexpr int kControlGone = 1;            // control, control: a sheet's grid goes away
constexpr int kMenusBuilt = 2;             // menus built or the serial port choice changed
constexpr int kAbout = 3;                  // show the About box
constexpr int kIndicatorText = 4;          // text colour, background colour, text: status indicator
constexpr int kOpenFreeDebug = 5;          // open the free debug window
constexpr int kOpenEepromDebug = 6;        // open the EEPROM debug window
constexpr int kDebugCompare = 7;           // run the debug compare
constexpr int kCopyCompareBase = 8;        // copy the working image into the compare base
constexpr int kRefreshMenuStates = 9;      // refresh checked/hidden/disabled states of menu items
constexpr int kClearMenuItems = 10;        // menu, label: clear the sub-items of a main-menu item
constexpr int kFillEditMenu = 11;          // menu, label, text: fill the Edit menu from a popup
constexpr int kQueryCurrentCell = 12;      // popup identity (query): owner replies with its cell
constexpr int kRepaintAll = 13;            // repaint every bound cell of the current sheet
constexpr int kRepaintCategory = 14;       // -, category
constexpr int kRepaintLabel = 15;          // -, label
constexpr int kRepaintIndex = 16;          // -, index: one row
constexpr int kRepaintIndexUpTo = 17;      // -, index: rows with Index <= value
constexpr int kRepaintIndexFrom = 18;      // -, index: rows with Index >= value
constexpr int kCurrentCellChanged = 19;    // cell address as data (posted by a grid)
constexpr int kRefreshToolbar = 20;        // refresh toolbar button states
constexpr int kCommitEditors = 21;         // open in-place editors commit pending input
constexpr int kDebugText = 22;             // -, -, text: a line for the free debug window
constexpr int kWarningsChanged = 23;       // posted after a delayed warning re-check
constexpr int kDebugGoto = 24;             // -, address: EEPROM debug window moves there
constexpr int kQuerySelectedNode = 25;     // query: the sheet tree replies with the selected node
constexpr int kSelectNodeByArgument = 26;  // -, -, text: select the tree node with that Argument
constexpr int kQueryIgnoreWheel = 27;      // grid (query): a reply makes the grid ignore the wheel
constexpr int kRebuildTree = 28;           // rebuild the sheet tree and redraw
constexpr int kRedrawChannelSheet = 29;  // flag: redraw from the current row; non-zero toggles view

}  // namespace ev
