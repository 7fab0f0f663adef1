#include "gui/IconSet.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

#include "gui/DataPaths.h"
#include "gui/IconPicture.h"
#include "platform/Folders.h"

namespace {

constexpr const char* kToolbarFiles[icons::kToolbarCount] = {
    "file_new",   "file_open",  "file_save",     "com1",       "com2",      "com3",
    "com4",       "clone_read", "clone_write",   "clone_info", "pcg_pen",   "pcg_fill",
    "pcg_slider", "page_top",   "page_previous", "page_next",  "page_last", "page_zoom"};
constexpr const char* kTreeFiles[icons::kTreeCount] = {
    "tree_rig", "tree_folder01", "tree_note01", "tree_note02", "tree_warnw_rb", "tree_warne_rb"};

// What identifies a drawing of the files: their sizes and times, and the style that greys
// disabled icons.
QString StyleName() {
    const QStyle* style = QApplication::style();
    if (auto* proxy = qobject_cast<const QProxyStyle*>(style)) style = proxy->baseStyle();
    return style ? style->name() : QString();
}

QString Stamp(const QString& file, const QString& mark) {
    QString stamp = StyleName();
    for (const QString& f : {file, mark}) {
        if (f.isEmpty()) continue;
        const QFileInfo info(f);
        stamp += QStringLiteral("|%1|%2|%3")
                     .arg(f)
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return QString::number(qHash(stamp), 16);
}

// Drawn icons are kept between starts (drawing them was a tenth of the start-up time). A
// changed SVG has another stamp and is drawn afresh; a cache that cannot be read or written
// only costs the drawing. The pixels are kept as they are in memory, so reading them back
// needs no decoder.
QString DiskCachePath(const QString& file, const QString& mark, const QSize& px, int mode) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/kelda/icons");
    QString name = QFileInfo(file).completeBaseName();
    if (!mark.isEmpty()) name += '+' + QFileInfo(mark).completeBaseName();
    return QStringLiteral("%1/%2-%3x%4-%5-%6.argb")
        .arg(folder, name)
        .arg(px.width())
        .arg(px.height())
        .arg(mode)
        .arg(Stamp(file, mark));
}

// Header of a kept picture; written in the machine's own byte order, so a file from another
// kind of machine does not match and is drawn again.
struct KeptHeader {
    quint32 magic = 0x4B494331;  // "KIC1"
    quint32 width = 0;
    quint32 height = 0;
};

void StoreInDiskCache(const QString& path, const QPixmap& pixmap) {
    if (!QDir().mkpath(QFileInfo(path).path())) return;
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    KeptHeader header;
    header.width = quint32(image.width());
    header.height = quint32(image.height());
    QSaveFile out(path);  // whole or not at all: another start may be reading
    if (!out.open(QIODevice::WriteOnly)) return;
    bool ok = out.write(reinterpret_cast<const char*>(&header), sizeof header) == sizeof header;
    const qint64 row = qint64(image.width()) * 4;
    for (int y = 0; ok && y < image.height(); ++y)
        ok = out.write(reinterpret_cast<const char*>(image.constScanLine(y)), row) == row;
    if (!ok || !out.commit()) return;
    // The same picture under an older stamp (a changed file, another style) is never read
    // again: it goes, as do pictures kept in the earlier PNG form.
    const QFileInfo stored(path);
    const QString prefix = stored.fileName().section('-', 0, -2) + '-';
    QDir folder = stored.dir();
    for (const QString& old : folder.entryList({prefix + "*.argb", prefix + "*.png"}, QDir::Files))
        if (old != stored.fileName()) folder.remove(old);
}

}  // namespace

namespace icons {

QImage ReadKept(const QString& path, const QSize& px) {
    QFile in(path);
    if (px.isEmpty() || !in.open(QIODevice::ReadOnly)) return {};
    const qint64 row = qint64(px.width()) * 4;
    if (in.size() != qint64(sizeof(KeptHeader)) + row * px.height()) return {};
    KeptHeader header;
    const KeptHeader expected{KeptHeader{}.magic, quint32(px.width()), quint32(px.height())};
    if (in.read(reinterpret_cast<char*>(&header), sizeof header) != sizeof header ||
        header.magic != expected.magic || header.width != expected.width ||
        header.height != expected.height)
        return {};
    QImage image(px, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < px.height(); ++y)
        if (in.read(reinterpret_cast<char*>(image.scanLine(y)), row) != row) return {};
    return image;
}

}  // namespace icons

namespace {

// Draws the SVG (and an optional mark over it) at the size and scale asked for, when asked:
// nothing is rendered for sizes no one shows, and every size is drawn sharp.
class SvgIconEngine : public QIconEngine {
  public:
    SvgIconEngine(QString file, QString mark) : file_(std::move(file)), mark_(std::move(mark)) {}
    QIconEngine* clone() const override { return new SvgIconEngine(file_, mark_); }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = Render(rect.size(), scale, mode);
        painter->drawPixmap(rect, pm);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return Render(size, 1.0, mode);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        return Render(size, scale, mode);
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    // Widgets ask this at every layout and paint; the file was there when the icon was made
    // (Render makes none otherwise), and asking the disk each time costs a system call.
    bool isNull() override { return false; }

  private:
    QPixmap Render(const QSize& size, qreal scale, QIcon::Mode mode) {
        const QSize px = size * scale;
        const QString key =
            QStringLiteral("%1x%2/%3").arg(px.width()).arg(px.height()).arg(int(mode));
        if (auto it = cache_.constFind(key); it != cache_.constEnd()) return *it;
        const QString stored = DiskCachePath(file_, mark_, px, int(mode));
        QPixmap pixmap;
        if (const QImage kept = icons::ReadKept(stored, px); !kept.isNull()) {
            pixmap = QPixmap::fromImage(kept);
        } else {
            pixmap = QPixmap(px);
            pixmap.fill(Qt::transparent);
            if (!px.isEmpty()) {
                QPainter painter(&pixmap);
                painter.setRenderHint(QPainter::Antialiasing);
                icons::DrawPicture(painter, file_, px);
                if (!mark_.isEmpty()) icons::DrawPicture(painter, mark_, px);
            }
            if (mode == QIcon::Disabled) {
                // Greyed as the style would grey a bitmap icon.
                QStyleOption option;
                pixmap =
                    QApplication::style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
            }
            if (!px.isEmpty() && QFile::exists(file_)) StoreInDiskCache(stored, pixmap);
        }
        pixmap.setDevicePixelRatio(scale);
        cache_.insert(key, pixmap);
        return pixmap;
    }

    QString file_, mark_;
    QHash<QString, QPixmap> cache_;
};

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
    const QString file = icons::Folder() + '/' + name + ".svg";
    QIcon icon;
    if (QFile::exists(file))
        icon = QIcon(new SvgIconEngine(
            file, mark.isEmpty() ? QString() : icons::Folder() + '/' + mark + ".svg"));
    cache.insert(key, icon);
    return icon;
}

// A style icon looked up on its first use. The overflow arrows of menu bars and toolbars are
// made with every bar but seldom shown, and looking them up searches the icon theme and the
// picture plugins, a tenth of the time to the first frame.
class DeferredStyleIcon : public QIconEngine {
  public:
    DeferredStyleIcon(QStyle* style, QStyle::StandardPixmap which, const QStyleOption* option,
                      const QWidget* widget)
        : style_(style), which_(which), widget_(widget) {
        if (option) option_ = *option;
        hasOption_ = option != nullptr;
    }
    QIconEngine* clone() const override { return new DeferredStyleIcon(*this); }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return Icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Icon().availableSizes(mode, state);
    }
    QString iconName() override { return Icon().name(); }
    bool isNull() override { return Icon().isNull(); }

  private:
    QIcon& Icon() {
        if (!looked_ && style_) {
            looked_ = true;
            icon_ = style_->standardIcon(which_, hasOption_ ? &option_ : nullptr, widget_);
        }
        return icon_;
    }

    QPointer<QStyle> style_;
    QStyle::StandardPixmap which_;
    QStyleOption option_;
    bool hasOption_ = false;
    QPointer<const QWidget> widget_;
    bool looked_ = false;
    QIcon icon_;
};

class DeferringStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (which != SP_ToolBarHorizontalExtensionButton &&
            which != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(which, option, widget);
        return QIcon(new DeferredStyleIcon(baseStyle(), which, option, widget));
    }
};

}  // namespace

namespace icons {

void DeferOverflowArrows() {
    if (qobject_cast<QProxyStyle*>(QApplication::style())) return;
    // The same style as before, under a proxy that only defers those two icons.
    if (QStyle* base = QStyleFactory::create(StyleName()))
        QApplication::setStyle(new DeferringStyle(base));
}

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
