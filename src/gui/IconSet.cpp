#include "gui/IconSet.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "gui/DataPaths.h"
#include "platform/Folders.h"

namespace {

constexpr const char* kToolbarFiles[icons::kToolbarCount] = {
    "file_new",   "file_open",  "file_save",     "com1",       "com2",      "com3",
    "com4",       "clone_read", "clone_write",   "clone_info", "pcg_pen",   "pcg_fill",
    "pcg_slider", "page_top",   "page_previous", "page_next",  "page_last", "page_zoom"};
constexpr const char* kTreeFiles[icons::kTreeCount] = {
    "tree_rig", "tree_folder01", "tree_note01", "tree_note02", "tree_warnw_rb", "tree_warne_rb"};
// Sizes drawn for each icon, at scale 1 and 2, so no size is ever scaled from a bitmap.
constexpr int kSizes[] = {16, 20, 24, 32, 48};

QHash<QString, QIcon>& Cache() {
    // Pixmaps belong to the application object: the cache goes with it.
    static QHash<QString, QIcon> cache;
    static QCoreApplication* owner = nullptr;
    if (owner != QCoreApplication::instance()) {
        cache.clear();
        owner = QCoreApplication::instance();
        if (owner) QObject::connect(owner, &QObject::destroyed, [] { Cache().clear(); });
    }
    return cache;
}

QIcon Render(const QString& name, const QString& mark = {}) {
    QHash<QString, QIcon>& cache = Cache();
    const QString key = name + '+' + mark;
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    QSvgRenderer renderer(icons::Folder() + '/' + name + ".svg");
    QSvgRenderer markRenderer;
    if (!mark.isEmpty()) markRenderer.load(icons::Folder() + '/' + mark + ".svg");
    QIcon icon;
    if (renderer.isValid()) {
        for (int size : kSizes) {
            for (int scale : {1, 2}) {
                QPixmap pixmap(size * scale, size * scale);
                pixmap.fill(Qt::transparent);
                QPainter painter(&pixmap);
                painter.setRenderHint(QPainter::Antialiasing);
                renderer.render(&painter);
                if (markRenderer.isValid()) markRenderer.render(&painter);
                painter.end();
                pixmap.setDevicePixelRatio(scale);
                icon.addPixmap(pixmap);
            }
        }
    }
    cache.insert(key, icon);
    return icon;
}

}  // namespace

namespace icons {

QString Folder() {
    return QString::fromStdString(platform::JoinPath(GuiDataFolder(), "icons"));
}

QIcon Toolbar(int index) {
    if (index < 0 || index >= kToolbarCount) return {};
    return Render(kToolbarFiles[index]);
}

QIcon Tree(int index) {
    if (index < 0 || index >= kTreeCount) return {};
    return Render(kTreeFiles[index]);
}

QIcon TreeWithMark(int index, int mark) {
    if (index < 0 || index >= kTreeCount) index = 2;
    if (mark != kTreeWarning && mark != kTreeError) return Tree(index);
    return Render(kTreeFiles[index], kTreeFiles[mark]);
}

QIcon Application() {
    return Render("kelda");
}

}  // namespace icons
