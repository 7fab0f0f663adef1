#pragma once
// Where windows go on the desktop: the main window is brought back onto the monitors that exist
// now (a stored position may lie on a screen that has gone), and help pop-ups open by the mouse
// without leaving the work area. Plain rectangles, so the rules can be tested without a screen.
#include <vector>

// Left and top inclusive, right and bottom exclusive, as the stored Left/Top/Width/Height give.
struct PlaceRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PlaceRect&) const = default;
};

struct PlacePoint {
    int x = 0, y = 0;
};

// The work area of the monitor nearest to the point (the one holding it, else the closest).
// An empty list gives an empty rectangle.
PlaceRect NearestWorkArea(PlacePoint point, const std::vector<PlaceRect>& workAreas);

// Shifts the window, never resizing it, so that its corners lie on the work areas. When the
// window is larger than the work area its top-left corner ends inside it.
PlaceRect FitOntoDesktop(PlaceRect window, const std::vector<PlaceRect>& workAreas);

// The frame a window manager draws around a window (title bar, borders), in pixels.
struct PlaceMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Where a window goes with its frame counted: the client rectangle is grown by the frame, made
// no larger than the work area under its centre when it may shrink, and fitted as
// FitOntoDesktop fits it. The client rectangle that results.
PlaceRect FitFramedOntoDesktop(PlaceRect client, PlaceMargins frame,
                               const std::vector<PlaceRect>& workAreas, bool mayShrink);

// Top-left corner of a help pop-up of the given size opened at the mouse cursor: centred on the
// cursor horizontally and just below it, kept inside the work area; above the cursor when there
// is no room below.
PlacePoint PopupPosition(PlacePoint cursor, int width, int height, const PlaceRect& workArea);
