#include "app/WindowPlacement.h"

#include <cstdint>
#include <limits>

namespace {

int64_t DistanceSquared(PlacePoint p, const PlaceRect& r) {
    int64_t dx = 0, dy = 0;
    if (p.x < r.left)
        dx = r.left - p.x;
    else if (p.x >= r.right)
        dx = int64_t(p.x) - r.right + 1;
    if (p.y < r.top)
        dy = r.top - p.y;
    else if (p.y >= r.bottom)
        dy = int64_t(p.y) - r.bottom + 1;
    return dx * dx + dy * dy;
}

}  // namespace

PlaceRect NearestWorkArea(PlacePoint point, const std::vector<PlaceRect>& workAreas) {
    PlaceRect best;
    int64_t bestDistance = std::numeric_limits<int64_t>::max();
    for (const PlaceRect& area : workAreas) {
        if (area.Width() <= 0 || area.Height() <= 0) continue;
        const int64_t d = DistanceSquared(point, area);
        if (d < bestDistance) {
            bestDistance = d;
            best = area;
        }
    }
    return best;
}

PlaceRect FitOntoDesktop(PlaceRect window, const std::vector<PlaceRect>& workAreas) {
    struct Corner {
        bool right, bottom;
    };
    // Right and bottom first, so that left and top win when the window is too large.
    constexpr Corner kCorners[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    int64_t dx = 0, dy = 0;
    bool any = false;
    for (const Corner& c : kCorners) {
        const PlacePoint p{c.right ? window.right : window.left,
                           c.bottom ? window.bottom : window.top};
        const PlaceRect area = NearestWorkArea(p, workAreas);
        if (area.Width() <= 0 || area.Height() <= 0) continue;
        any = true;
        if (c.right) {
            if (p.x - dx >= area.right) dx = int64_t(p.x) - area.right;
        } else if (area.left >= p.x - dx) {
            dx = int64_t(p.x) - area.left;
        }
        if (c.bottom) {
            if (p.y - dy >= area.bottom) dy = int64_t(p.y) - area.bottom;
        } else if (area.top >= p.y - dy) {
            dy = int64_t(p.y) - area.top;
        }
    }
    if (!any) return window;
    const int width = window.Width(), height = window.Height();
    window.left = static_cast<int>(window.left - dx);
    window.top = static_cast<int>(window.top - dy);
    window.right = window.left + width;
    window.bottom = window.top + height;
    return window;
}

PlaceRect FitFramedOntoDesktop(PlaceRect client, PlaceMargins frame,
                               const std::vector<PlaceRect>& workAreas, bool mayShrink) {
    PlaceRect framed{client.left - frame.left, client.top - frame.top, client.right + frame.right,
                     client.bottom + frame.bottom};
    if (mayShrink) {
        const PlaceRect area = NearestWorkArea(
            {framed.left + framed.Width() / 2, framed.top + framed.Height() / 2}, workAreas);
        const int minWidth = frame.left + frame.right + 1;
        const int minHeight = frame.top + frame.bottom + 1;
        if (area.Width() >= minWidth && framed.Width() > area.Width())
            framed.right = framed.left + area.Width();
        if (area.Height() >= minHeight && framed.Height() > area.Height())
            framed.bottom = framed.top + area.Height();
    }
    framed = FitOntoDesktop(framed, workAreas);
    return {framed.left + frame.left, framed.top + frame.top, framed.right - frame.right,
            framed.bottom - frame.bottom};
}

PlacePoint PopupPosition(PlacePoint cursor, int width, int height, const PlaceRect& workArea) {
    PlacePoint at;
    at.x = cursor.x - width / 2;
    if (at.x < workArea.left) at.x = workArea.left;
    if (at.x + width > workArea.right) at.x = workArea.right - width;
    at.y = cursor.y;
    if (at.y + height > workArea.bottom) {
        const bool cursorInside = cursor.x >= workArea.left && cursor.x < workArea.right &&
                                  cursor.y >= workArea.top && cursor.y < workArea.bottom;
        if (height < cursor.y - workArea.top && cursorInside)
            at.y = cursor.y - height;
        else
            at.y = workArea.bottom - height;
    }
    return at;
}
