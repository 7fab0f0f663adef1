#include "gui/ScreenFit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "app/WindowPlacement.h"

namespace {

constexpr int kFrameLateMs = 300;

QMargins OwnFrame(const QWidget* w) {
    if (!w || !w->isVisible() || !w->windowHandle()) return {};
    return w->windowHandle()->frameMargins();
}

std::vector<PlaceRect> WorkAreas() {
    std::vector<PlaceRect> areas;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->availableGeometry();
        areas.push_back({r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
    }
    return areas;
}

}  // namespace

QMargins FrameMargins(const QWidget* window) {
    static QMargins known;
    QMargins own = OwnFrame(window);
    if (!own.isNull()) return known = own;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        const QMargins m = OwnFrame(w);
        if (!m.isNull()) return known = m;
    }
    return known;
}

void FitIntoScreen(QWidget* window, QRect client, bool mayShrink) {
    const QMargins m = FrameMargins(window);
    const PlaceRect fitted =
        FitFramedOntoDesktop({client.left(), client.top(), client.left() + client.width(),
                              client.top() + client.height()},
                             {m.left(), m.top(), m.right(), m.bottom()}, WorkAreas(), mayShrink);
    const QRect to(fitted.left, fitted.top, fitted.Width(), fitted.Height());
    if (to != window->geometry()) window->setGeometry(to);
}

void RefitWhenFramed(QWidget* window, bool mayShrink) {
    QPointer<QWidget> w(window);
    const auto refit = [w, mayShrink] {
        if (w && w->isVisible() && !w->isMaximized() && !w->isFullScreen())
            FitIntoScreen(w, w->geometry(), mayShrink);
    };
    QTimer::singleShot(0, window, refit);
    QTimer::singleShot(kFrameLateMs, window, refit);
}
