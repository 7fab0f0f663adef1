#pragma once
// Top-level windows kept inside the screen as the user sees them: the title bar and borders the
// window manager adds count. A window not yet shown has no frame of its own yet; it is placed
// with the frame the program's other windows have, and fitted again once its own is known.
#include <QMargins>
#include <QRect>

class QWidget;

// The window's frame when it has been shown, else that of a shown top-level window of the
// program (one window manager frames them all alike), else none.
QMargins FrameMargins(const QWidget* window);

// Moves, and when it may shrink first makes smaller, a top-level window so that it lies inside
// the available area of the screens with its frame. `client` is where it would go.
void FitIntoScreen(QWidget* window, QRect client, bool mayShrink);

// Fits a shown window again as soon as the window manager has framed it (now, and once more a
// moment later, as the frame comes after the window is mapped).
void RefitWhenFramed(QWidget* window, bool mayShrink);
