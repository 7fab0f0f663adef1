#include "gui/HelpViewer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "app/PopupDismissal.h"
#include "app/WindowPlacement.h"
#include "gui/CellPainter.h"
#include "gui/DataPaths.h"
#include "gui/GridAccessible.h"
#include "gui/IconSet.h"
#include "gui/ScreenFit.h"
#include "platform/FileReader.h"
#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

int OverlayNumber(const char* key, int fallback) {
    bool ok = false;
    const int v = Latin1(GTex().GetLine(key, 0)).trimmed().toInt(&ok);
    return ok && v > 0 && v < 10000 ? v : fallback;
}

// The whole file when it is a plain file within the help's limit; nothing otherwise.
std::optional<QByteArray> ReadHelpFile(const QString& file) {
    platform::FileReader reader;
    if (reader.Open(file.toStdString()) != platform::FileStatus::Ok) return std::nullopt;
    if (reader.Size() > kMaxHelpFileBytes) return std::nullopt;
    std::string bytes;
    if (reader.ReadAll(kMaxHelpFileBytes, bytes) != platform::FileStatus::Ok) return std::nullopt;
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The page's words, without its markup, for the search.
QString PlainText(const QString& file) {
    const auto bytes = ReadHelpFile(file);
    if (!bytes) return {};
    QString html = QString::fromUtf8(*bytes);
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return html;
}

QString PageTitle(const QString& file) {
    const auto bytes = ReadHelpFile(file);
    if (!bytes) return QFileInfo(file).fileName();
    const QString html = QString::fromUtf8(bytes->left(1 << 16));
    const auto m = QRegularExpression(QStringLiteral("<title>([^<]*)</title>"),
                                      QRegularExpression::CaseInsensitiveOption)
                       .match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QFileInfo(file).fileName();
}

}  // namespace

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    QUrl url = name;
    if (url.isRelative() && source().isValid()) url = source().resolved(url);
    QString file = url.isLocalFile() ? url.toLocalFile() : QString();
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        // As the browser itself looks: beside the page shown, then in the search paths.
        file.clear();
        for (const QString& dir : searchPaths()) {
            const QString candidate = QDir(dir).filePath(name.path());
            if (QFileInfo::exists(candidate)) {
                file = candidate;
                break;
            }
        }
    }
    if (file.isEmpty()) return QTextBrowser::loadResource(type, name);
    if (auto bytes = ReadHelpFile(file)) return *bytes;
    if (type != QTextDocument::HtmlResource && type != QTextDocument::MarkdownResource) return {};
    return QStringLiteral("<p>%1</p>")
        .arg(Latin1(GTex().GetLine(keys::kSysHtmlHelpError, 1)).toHtmlEscaped());
}

HelpWindow::HelpWindow(const QString& contentsFile, QWidget* parent)
    : QWidget(parent, Qt::Window), contents_(contentsFile) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(icons::Application());
    setWindowTitle(axtext::Text(axtext::kHelpCaption, {GTex().GetLine(keys::kSysAppTitle, 0)}));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    auto* home = new QToolButton(this);
    home->setText(axtext::Text(axtext::kHelpContents));
    back_ = new QToolButton(this);
    back_->setText(axtext::Text(axtext::kHelpBack));
    back_->setArrowType(Qt::LeftArrow);
    back_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    forward_ = new QToolButton(this);
    forward_->setText(axtext::Text(axtext::kHelpForward));
    forward_->setArrowType(Qt::RightArrow);
    forward_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    search_ = new QLineEdit(this);
    search_->setPlaceholderText(axtext::Text(axtext::kHelpSearch));
    search_->setAccessibleName(search_->placeholderText());
    search_->setClearButtonEnabled(true);
    bar->addWidget(home);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch(1);
    bar->addWidget(search_, 2);
    layout->addLayout(bar);
    browser_ = new HelpBrowser(this);
    browser_->setAccessibleName(axtext::Text(axtext::kHelpPageName));
    browser_->setAccessibleDescription(axtext::Text(axtext::kHelpPageDescription));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QFileInfo(contentsFile).absolutePath()});
    layout->addWidget(browser_, 1);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(home, &QToolButton::clicked, this, [this] { ShowPage(contents_); });
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(search_, &QLineEdit::returnPressed, this, [this] { Search(search_->text()); });
    resize(720, 560);
}

void HelpWindow::ShowPage(const QString& file) {
    browser_->setSource(QUrl::fromLocalFile(file));
}

void HelpWindow::Search(const QString& words) {
    const QStringList wanted = words.simplified().split(' ', Qt::SkipEmptyParts);
    if (wanted.isEmpty()) return;
    const QDir dir = QFileInfo(contents_).absoluteDir();
    QString html =
        QStringLiteral("<h1>%1</h1><ul>")
            .arg(axtext::Text(axtext::kHelpSearchTitle, {ToLatin1(words)}).toHtmlEscaped());
    int found = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        const QString file = dir.filePath(name);
        const QString text = PlainText(file);
        bool all = true;
        for (const QString& w : wanted) all = all && text.contains(w, Qt::CaseInsensitive);
        if (!all) continue;
        ++found;
        html += QStringLiteral("<li><a href=\"%1\">%2</a></li>")
                    .arg(QUrl::fromLocalFile(file).toString(), PageTitle(file).toHtmlEscaped());
    }
    html += QStringLiteral("</ul>");
    if (found == 0)
        html += QStringLiteral("<p>%1</p>")
                    .arg(axtext::Text(axtext::kHelpNothingFound).toHtmlEscaped());
    browser_->setHtml(html);
}

// Watches everything the program receives while a pop-up is open and closes the pop-up as the
// core's rule says.
class PopupCloser : public QObject {
  public:
    PopupCloser(QWidget* popup, QWidget* mainWindow) : popup_(popup), main_(mainWindow) {
        qApp->installEventFilter(this);
    }
    ~PopupCloser() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!popup_) return false;
        std::optional<PopupInput> input;
        switch (event->type()) {
            case QEvent::ShortcutOverride:
                // Escape is the pop-up's: no shortcut may take it first.
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                    event->accept();
                    return true;
                }
                input = KindOfKey(static_cast<QKeyEvent*>(event)->key());
                break;
            case QEvent::KeyPress:
                input = KindOfKey(static_cast<QKeyEvent*>(event)->key());
                break;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::NonClientAreaMouseButtonPress:
                input = Inside(watched) ? PopupInput::kPressInside : PopupInput::kPressOutside;
                break;
            case QEvent::Wheel:
                if (Inside(watched)) input = PopupInput::kWheelInside;
                break;
            case QEvent::WindowDeactivate:
                if (watched == main_) input = PopupInput::kFocusLost;
                break;
            case QEvent::ApplicationStateChange:
                if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                    Qt::ApplicationActive)
                    input = PopupInput::kFocusLost;
                break;
            default:
                break;
        }
        if (!input) return false;
        const PopupAction action = PopupDismissal(*input);
        if (action == PopupAction::kKeep) return false;
        popup_->close();
        return action == PopupAction::kCloseAndConsume;
    }

  private:
    static PopupInput KindOfKey(int key) {
        switch (key) {
            case Qt::Key_Escape:
                return PopupInput::kEscape;
            case Qt::Key_Shift:
            case Qt::Key_Control:
            case Qt::Key_Alt:
            case Qt::Key_AltGr:
            case Qt::Key_Meta:
            case Qt::Key_Super_L:
            case Qt::Key_Super_R:
            case Qt::Key_CapsLock:
            case Qt::Key_NumLock:
            case Qt::Key_unknown:
                return PopupInput::kModifierKey;
            default:
                return PopupInput::kKey;
        }
    }
    bool Inside(QObject* watched) const {
        return watched->isWidgetType() &&
               (watched == popup_ || popup_->isAncestorOf(static_cast<QWidget*>(watched)));
    }

    QPointer<QWidget> popup_;
    QWidget* main_;
};

HelpViewer::HelpViewer(QWidget* mainWindow) : main_(mainWindow) {}

HelpViewer::~HelpViewer() {
    CloseAll();
}

void HelpViewer::CloseAll() {
    if (window_) window_->close();
    if (popup_) popup_->close();
    closer_.reset();
}

QString HelpViewer::HelpFile() const {
    return QString::fromStdString(
        platform::JoinPath(GuiDataFolder(), GTex().GetLine(keys::kSysMyHelpFile, 0)));
}

QString HelpViewer::TopicFile(int contextNumber) const {
    if (contextNumber <= 0) return {};
    cmcGTex& help = HelpGTex();
    for (int n = 0;; ++n) {
        const std::string line = help.GetLine(keys::kAppItemContextIDToHelpPage, n);
        if (line.empty() || line[0] == '#') break;
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        if (std::atoi(line.substr(0, tab).c_str()) != contextNumber) continue;
        return QFileInfo(HelpFile()).absoluteDir().filePath(Latin1(line.substr(tab + 1)).trimmed());
    }
    return {};
}

int HelpViewer::ShowContents() {
    const QString file = HelpFile();
    if (!QFileInfo(file).isFile()) {
        Report(kNoHelpFile);
        return kNoHelpFile;
    }
    if (!window_) {
        window_ = new HelpWindow(file, main_);
        // Centred over the main window, all of it, frame included, on the screen.
        QRect client(QPoint(), window_->size());
        client.moveCenter(main_ ? main_->geometry().center() : QPoint(client.width() / 2, 0));
        FitIntoScreen(window_, client, true);
        RefitWhenFramed(window_, true);
    }
    window_->ShowPage(file);
    window_->show();
    window_->raise();
    window_->activateWindow();
    return kShown;
}

int HelpViewer::ShowPopup(int contextNumber, QPoint cursor) {
    if (!QFileInfo(HelpFile()).isFile()) {
        Report(kNoHelpFile);
        return kNoHelpFile;
    }
    const QString topic = TopicFile(contextNumber);
    if (topic.isEmpty() || !QFileInfo(topic).isFile() ||
        QFileInfo(topic).size() > kMaxHelpFileBytes) {
        // The earlier pop-up, if any, stays where it was.
        Report(kNoTopic);
        return kNoTopic;
    }
    if (popup_) popup_->close();
    closer_.reset();
    const int width = OverlayNumber(keys::kSysHtmlHelpPopupWidth, 420);
    const int height = OverlayNumber(keys::kSysHtmlHelpPopupHeight, 300);
    auto* popup = new HelpBrowser(main_);
    // A tool-tip window: it never takes the keyboard or grabs the mouse, so the window under it
    // goes on working; the closer takes it away as the user moves on.
    popup->setWindowFlags(Qt::ToolTip);
    popup->setAttribute(Qt::WA_ShowWithoutActivating);
    popup->setFocusPolicy(Qt::NoFocus);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setObjectName(QStringLiteral("HelpPopup"));
    popup->setSearchPaths({QFileInfo(topic).absolutePath()});
    popup->setOpenLinks(true);
    popup->setSource(QUrl::fromLocalFile(topic));
    popup->resize(width, height);
    QScreen* screen = QGuiApplication::screenAt(cursor);
    if (!screen)
        screen = main_ && main_->screen() ? main_->screen() : QGuiApplication::primaryScreen();
    const QRect a = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const PlacePoint at =
        PopupPosition({cursor.x(), cursor.y()}, width, height,
                      {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()});
    popup->move(at.x, at.y);
    popup->show();
    popup_ = popup;
    closer_ = std::make_unique<PopupCloser>(popup, main_);
    return kShown;
}

void HelpViewer::Report(int result) {
    const std::string caption = GTex().GetLine(keys::kSysAppTitle, 0);
    if (result == kNoHelpFile) {
        platform::GetPrompter().Show(
            FormatOverlay(GTex().GetLine(keys::kSysHtmlHelpError, 0), {HelpFile().toStdString()}),
            caption, platform::PromptIcon::Error, platform::PromptButtons::Ok);
    } else if (result == kNoTopic) {
        platform::GetPrompter().Show(GTex().GetLine(keys::kSysHtmlHelpError, 1), caption,
                                     platform::PromptIcon::Warning, platform::PromptButtons::Ok);
    }
}
