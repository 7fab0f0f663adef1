#pragma once
// The program's own icons (SVG files in the icons folder beside the executable), drawn at every
// size and scale a screen asks for. Overlay entries name them by index into the toolbar and tree
// image lists.
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

namespace icons {

// Toolbar image list: 0 New, 1 Open, 2 Save, 3-6 Port 1-4, 7 Read, 8 Write, 9 Information,
// 10-12 drawing tools, 13-17 page movement and zoom. An index outside the list gives no icon.
QIcon Toolbar(int index);
constexpr int kToolbarCount = 18;
// Tree image list: 0 radio, 1 folder, 2 list sheet, 3 settings sheet, 4 warning, 5 error.
QIcon Tree(int index);
constexpr int kTreeCount = 6;
constexpr int kTreeWarning = 4;
constexpr int kTreeError = 5;
// A tree image with the warning (4) or error (5) mark drawn over it.
QIcon TreeWithMark(int index, int mark);
// The program's own icon (windows, About box).
QIcon Application();
// Puts the application's style under a proxy that looks up the overflow arrows of menu bars
// and toolbars when one is first shown instead of when the bar is made; everything else is the
// style's own. Call once, before the first widget is made.
void DeferOverflowArrows();
// Folder the icons are read from.
QString Folder();
// A drawing kept in the icon cache at `path`, or a null image when the file is missing, damaged
// or of another size than `px`.
QImage ReadKept(const QString& path, const QSize& px);

}  // namespace icons
