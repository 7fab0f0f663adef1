#include "gui/TForm1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include "app/InstanceHandoff.h"
#include "app/indEnviron.h"
#include "app/indMain.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "comm/PortNumbering.h"
#include "gui/AboutBox.h"
#include "gui/CloneInfoDialog.h"
#include "gui/EditHistoryMenu.h"
#include "gui/GridAccessible.h"
#include "gui/HelpViewer.h"
#include "gui/IconSet.h"
#include "gui/MainStatusBar.h"
#include "gui/MainToolbar.h"
#include "gui/ProgressWindow.h"
#include "gui/ScreenFit.h"
#include "platform/FileNames.h"
#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "platform/qt/FontWarmup.h"
#include "radio/CellDispatchHost.h"
#include "radio/CellDispatcher.h"
#include "radio/CellUi.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

constexpr int kTickMs = 50;
// Stored sizes beyond these are not a window anyone made; the default rectangle is used.
constexpr int kMaxWindowSide = 16384;

int OverlayInt(const char* key, int fallback) {
    const std::string line = GTex().GetLine(key, 0);
    char* end = nullptr;
    const long v = std::strtol(line.c_str(), &end, 10);
    return end != line.c_str() && v >= 0 && v < 100000 ? static_cast<int>(v) : fallback;
}

// The font a cell's markup gives (size, face when installed, style), over the program's font.
QFont FontOfCell(const cmcCellObj& cell) {
    QFont f = QApplication::font();
    if (!cell.Font) return f;
    const CellFont& font = *cell.Font;
    if (font.Size > 0) f.setPointSize(font.Size);
    const QString face = QString::fromStdString(font.Face);
    if (!face.isEmpty() && font.Face != DefaultFaceName() && QFontDatabase::hasFamily(face))
        f.setFamily(face);
    f.setBold(font.Style & kFsBold);
    f.setItalic(font.Style & kFsItalic);
    return f;
}

}  // namespace

TForm1::TForm1(indMain* app, QWidget* parent) : QMainWindow(parent), app_(app) {
    setMinimumSize(400, 200);
    setWindowIcon(icons::Application());
    if (!app_) {
        resize(1100, 700);
        BuildLayout();
        setWindowTitle(QStringLiteral("KELDA"));
        return;
    }
    const QString title = FromOverlay(GTex().GetLine(keys::kSysAppTitle, 0));
    setWindowTitle(title);
    cmcCellObj windowCell;
    ParseCell(GTex().GetLine(keys::kFormMainBasicCell, 0), windowCell, nullptr, nullptr);
    setFont(FontOfCell(windowCell));
    PlaceOnDesktop();
    app_->SetView(this);
    cloneProgress_ = std::make_unique<CloneProgressView>(this, app_->CloneMan());
    app_->CloneMan().SetView(cloneProgress_.get());
    BuildMenus();
    history_ = new EditHistoryMenu(this, app_);
    toolbar_ = new MainToolbar(this, GTex(), keys::kToolBarMain);
    toolbar_->SetVisible(Environ().toolbarVisible);
    BuildLayout();
    // The tree's first item measures text.
    platform::AwaitFontWarmup();
    FillTree();
    treeFont_ = FontOfCell(app_->Tree().BasicCell());
    status_ = new MainStatusBar(this);
    setStatusBar(status_);
    UpdateMakerPanel();
    ApplyFontSize();
    // Until the user has set a width, the tree shows its captions whole.
    if (!Environ().splitterStored)
        storedTreeWidth_ = qBound(kMinTreeWidth, qMax(storedTreeWidth_, TreeWidthForCaptions()),
                                  qMax(kMinTreeWidth, width() / 2));
    setAcceptDrops(true);

    treeDelay_ = new QTimer(this);
    treeDelay_->setSingleShot(true);
    treeDelay_->setInterval(OverlayInt(keys::kSysTreeChangeDelay, 250));
    connect(treeDelay_, &QTimer::timeout, this, &TForm1::OnTreeSelection);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { treeDelay_->start(); });
    connect(tree_, &QTreeWidget::itemActivated, this, [this] { OpenSelectedNode(); });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this] { UpdateTreeMarks(); });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this] { UpdateTreeMarks(); });
    EvMan().Subscribe(&TForm1::OnEvent, this);
    EvMan().Send(ev::kMenusBuilt);
    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, &TForm1::OnTick);
    tick->start(kTickMs);
    app_->UpdateTitle();
    if (!treeItems_.empty()) {
        const QSignalBlocker block(tree_);
        tree_->setCurrentItem(treeItems_.front());
    }
    // The first sheet is in place before the window first paints.
    OnTreeSelection();
    if (defaultPlacement_) WidenForFirstSheet();
    // A warning check put off at start runs once the first frame is painted; the tree is part of
    // every frame, so its first paint marks that frame.
    if (app_->WarningCheckPending()) tree_->viewport()->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == tree_->viewport()) {
        tree_->viewport()->removeEventFilter(this);
        // Queued, so that it runs after the whole frame has been painted and shown.
        QTimer::singleShot(0, this, [this] { app_->RunPendingWarningCheck(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

TForm1::~TForm1() {
    if (about_) {
        about_->disconnect(this);
        delete about_;
    }
    if (placeholder_ && !placeholder_->parent()) delete placeholder_;
    if (app_) {
        EvMan().Unsubscribe(&TForm1::OnEvent, this);
        app_->CloneMan().SetView(nullptr);
        app_->SetView(nullptr);
    }
}

void TForm1::PlaceOnDesktop() {
    indEnviron& env = Environ();
    const QRect primary = QGuiApplication::primaryScreen()
                              ? QGuiApplication::primaryScreen()->availableGeometry()
                              : QRect(0, 0, 1024, 768);
    indEnviron::Rect r{env.windowLeft, env.windowTop, env.windowWidth, env.windowHeight};
    const bool absurd = r.width < minimumWidth() || r.height < minimumHeight() ||
                        r.width > kMaxWindowSide || r.height > kMaxWindowSide ||
                        std::abs(r.left) > 4 * kMaxWindowSide ||
                        std::abs(r.top) > 4 * kMaxWindowSide;
    defaultPlacement_ = absurd || !env.windowStored;
    if (absurd) {
        r = indEnviron::DefaultWindowRect(primary.width(), primary.height());
        r.left += primary.left();
        r.top += primary.top();
        r.width = qMax(r.width, minimumWidth());
        r.height = qMax(r.height, minimumHeight());
    }
    FitIntoScreen(this, QRect(r.left, r.top, r.width, r.height), false);
}

void TForm1::WidenForFirstSheet() {
    if (!sheet_) return;
    const int needed = storedTreeWidth_ + splitter_->handleWidth() + sheet_->NeededWidth();
    if (needed <= width()) return;
    // Centred on its screen as the default rectangle is, and never wider than the screen.
    QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = FrameMargins(this);
    const int w = qMin(needed, area.width() - frame.left() - frame.right());
    if (w <= width()) return;
    const int left = area.left() + (area.width() - w) / 2;
    FitIntoScreen(this, QRect(left, y(), w, height()), false);
}

void TForm1::BuildLayout() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setHandleWidth(3);
    splitter_->setChildrenCollapsible(false);
    splitter_->setOpaqueResize(true);
    tree_ = new QTreeWidget(splitter_);
    tree_->setHeaderHidden(true);
    tree_->setMinimumWidth(kMinTreeWidth);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setIconSize(QSize(20, 20));
    if (app_) {
        tree_->setAccessibleName(axtext::Text(axtext::kTreeName));
        tree_->setAccessibleDescription(axtext::Text(axtext::kTreeDescription));
        splitter_->setAccessibleName(axtext::Text(axtext::kSplitterName));
    }
    placeholder_ = new QWidget(splitter_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(splitter_);
    // A stored width wider than the window would leave no sheet: keep some of both.
    const int stored = app_ ? Environ().splitter : 200;
    storedTreeWidth_ = qBound(kMinTreeWidth, stored, qMax(kMinTreeWidth, width() - 40));
    splitter_->setSizes({storedTreeWidth_, qMax(1, width() - storedTreeWidth_)});
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The notice that closing waits for the run goes as soon as the run has ended.
    if (event->type() == QEvent::EnabledChange && isEnabled() && status_ &&
        !busyNotice_.isEmpty()) {
        if (status_->IndicatorText() == busyNotice_)
            status_->SetIndicator(cellcolor::kWindowText, cellcolor::kBtnFace, {});
        busyNotice_.clear();
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (splitterPlaced_) return;
    // The splitter knows its real width only now; sizing it earlier lost pixels at each start.
    splitterPlaced_ = true;
    // The window manager's frame is known only once the window is shown: it must fit too.
    RefitWhenFramed(this, false);
    const int total = splitter_->width() - splitter_->handleWidth();
    splitter_->setSizes({storedTreeWidth_, qMax(1, total - storedTreeWidth_)});
    // The first sheet opens as soon as the window is there rather than at the next tick.
    if (app_ && !sheet_)
        QTimer::singleShot(0, this, [this] {
            if (!sheet_ && isVisible()) OnTreeSelection();
        });
}

int TForm1::TreeWidthForCaptions() const {
    if (!app_) return kMinTreeWidth;
    SheetTree all;
    all.Build(GTex(), keys::kTreeMain);
    const QFontMetrics metrics(tree_->font());
    // The first node carries the model's name.
    int longestModel = 0;
    for (const QString& model : FromOverlay(GTex().GetText(keys::kAppIndModel)).split('\n'))
        longestModel = qMax(longestModel, metrics.horizontalAdvance(model));
    QStyle* style = tree_->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree_) + 1;
    int widest = 0;
    for (size_t i = 0; i < all.Nodes().size(); ++i) {
        const SheetTree::Node& node = all.Nodes()[i];
        int text = metrics.horizontalAdvance(FromOverlay(node.Caption()));
        if (i == 0) text += longestModel;
        const int indent = tree_->indentation() * (node.depth + (tree_->rootIsDecorated() ? 1 : 0));
        widest = qMax(widest, indent + tree_->iconSize().width() + text + 4 * margin);
    }
    // Room for the scroll bar a large font brings.
    return widest + 2 * tree_->frameWidth() +
           style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree_);
}

int TForm1::TreePanelWidth() const {
    if (!splitterPlaced_) return storedTreeWidth_;
    return splitter_->sizes().value(0, storedTreeWidth_);
}

void TForm1::SetTitle(const std::string& title) {
    // The marker shows after the file name while the document is modified. The file name may
    // be UTF-8 or, from an older system, Latin-1.
    QString shown = QString::fromStdString(platform::ShownText(title));
    const int dash = shown.indexOf(QStringLiteral(" - "));
    shown.insert(dash < 0 ? shown.size() : dash, QStringLiteral("[*]"));
    setWindowTitle(shown);
    setWindowModified(app_ && app_->Modified());
}

void TForm1::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// --- tree and sheets ---

void TForm1::FillTree() {
    if (!app_) return;
    // Keep the sheet the user was on when the tree is rebuilt (after a read, New, Open).
    std::string selectedRef;
    auto at = std::find(treeItems_.begin(), treeItems_.end(), tree_->currentItem());
    if (at != treeItems_.end()) {
        size_t i = static_cast<size_t>(at - treeItems_.begin());
        if (i < lastTreeRefs_.size()) selectedRef = lastTreeRefs_[i];
    }
    const QSignalBlocker block(tree_);
    tree_->clear();
    treeItems_.clear();
    const auto& nodes = app_->Tree().Nodes();
    for (const auto& node : nodes) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, FromOverlay(node.Caption()));
        item->setIcon(0, icons::Tree(node.cell.ImageIndex));
        treeItems_.push_back(item);
    }
    std::vector<int> open;
    for (size_t i = 0; i < nodes.size(); ++i) {
        while (!open.empty() && nodes[open.back()].depth >= nodes[i].depth) open.pop_back();
        if (open.empty())
            tree_->addTopLevelItem(treeItems_[i]);
        else
            treeItems_[open.back()]->addChild(treeItems_[i]);
        open.push_back(static_cast<int>(i));
    }
    if (!treeItems_.empty()) treeItems_.front()->setExpanded(true);
    lastTreeRefs_.clear();
    for (const auto& node : nodes) lastTreeRefs_.push_back(node.SheetReference());
    int keep = selectedRef.empty() ? -1 : app_->Tree().FindByReference(selectedRef);
    if (keep < 0 && !treeItems_.empty()) keep = 0;
    if (keep >= 0) tree_->setCurrentItem(treeItems_[static_cast<size_t>(keep)]);
    UpdateTreeMarks();
}

void TForm1::UpdateTreeMarks() {
    if (!app_) return;
    auto& nodes = const_cast<SheetTree&>(app_->Tree()).Nodes();
    for (size_t i = 0; i < nodes.size() && i < treeItems_.size(); ++i)
        nodes[i].expanded = treeItems_[i]->isExpanded() || treeItems_[i]->childCount() == 0;
    for (size_t i = 0; i < nodes.size() && i < treeItems_.size(); ++i) {
        const int o = app_->Tree().ShownOverlay(static_cast<int>(i));
        const int mark = o == SheetTree::kOverlayError     ? icons::kTreeError
                         : o == SheetTree::kOverlayWarning ? icons::kTreeWarning
                                                           : -1;
        treeItems_[i]->setIcon(0, icons::TreeWithMark(nodes[i].cell.ImageIndex, mark));
    }
}

void TForm1::TreeChanged() {
    if (!app_) return;
    if (treeItems_.size() != app_->Tree().Nodes().size())
        FillTree();
    else
        UpdateTreeMarks();
}

void TForm1::OnTreeSelection() {
    if (!app_) return;
    treeDelay_->stop();
    auto it = std::find(treeItems_.begin(), treeItems_.end(), tree_->currentItem());
    if (it == treeItems_.end()) return;
    auto& node = const_cast<SheetTree&>(app_->Tree()).Nodes()[it - treeItems_.begin()];
    if (sheet_ && sheet_->Reference() == node.SheetReference()) return;
    CellRun(node.cell, cellkey::kEnter);  // the dispatcher opens the node's sheet through us
}

void TForm1::OpenSelectedNode() {
    OnTreeSelection();
}

void TForm1::OpenSheet(const std::string& reference) {
    CloseSheet();
    SheetPaneOptions options;
    options.usableOnly = Environ().chListView;
    options.modelType = app_->ModelType();
    options.fontPercent = Environ().fontSizePercentage;
    sheet_ = MakeSheetPane(reference, options, nullptr);
    splitter_->replaceWidget(1, sheet_->Widget());
    // A wider window widens the sheet, not the tree.
    splitter_->setStretchFactor(1, 1);
    sheet_->Widget()->show();
    // Placed and shown first, so that the scroll position is taken at the pane's real size.
    const std::string name = SheetTree::SheetName(reference);
    for (const auto& [sheetName, position] : positions_)
        if (sheetName == name) {
            sheet_->SetPosition(position);
            break;
        }
    QWidget* grid = sheet_->Widget();
    if (focusWasInGrid_ && grid->focusPolicy() != Qt::NoFocus)
        grid->setFocus();
    else
        tree_->setFocus();
}

void TForm1::CloseSheet() {
    if (!sheet_) return;
    QWidget* grid = sheet_->Widget();
    if (grid->isVisible()) {
        const std::string name = SheetTree::SheetName(sheet_->Reference());
        std::erase_if(positions_, [&](const auto& p) { return p.first == name; });
        positions_.insert(positions_.begin(), {name, sheet_->Position()});
        focusWasInGrid_ = !(tree_ && QApplication::focusWidget() == tree_);
    }
    splitter_->replaceWidget(1, placeholder_);
    grid->hide();
    grid->deleteLater();
    sheet_ = nullptr;
}

void TForm1::OnTick() {
    if (!app_) return;
    app_->Tick();
    if (!sheet_ && isVisible()) {
        if (!treeItems_.empty())
            OnTreeSelection();
        else if (!positions_.empty())
            OpenSheet(positions_.front().first);
    }
}

// --- placement, closing, files from outside ---

void TForm1::closeEvent(QCloseEvent* event) {
    if (app_) {
        if (!isEnabled()) {
            // A read or write of the radio, or printing, is running: say why nothing happens.
            status_->SetIndicator(cellcolor::kRestrictText, cellcolor::kRestrictBack,
                                  GTex().GetText(keys::kBotttomCloseWhileBusy));
            busyNotice_ = status_->IndicatorText();
            event->ignore();
            return;
        }
        if (app_->ConfirmDiscard(false) == cuiMain::kCancel) {
            event->ignore();
            return;
        }
        const QRect g = normalGeometry();
        if (g.isValid()) {
            Environ().windowLeft = g.left();
            Environ().windowTop = g.top();
            Environ().windowWidth = g.width();
            Environ().windowHeight = g.height();
            Environ().splitter = TreePanelWidth();
        }
        if (about_) about_->close();
        if (help_) help_->CloseAll();
        if (eepromWindow_) eepromWindow_->close();
        if (freeDebugWindow_) freeDebugWindow_->close();
    }
    event->accept();
}

void TForm1::RunCommandLine(const std::vector<std::string>& arguments) {
    if (!app_) return;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--data") {  // the data folder, taken at start-up
            ++i;
            continue;
        }
        if (a == "--device" && i + 1 < arguments.size()) {
            // The device gets a number in the port table, and that number is the port.
            int port = PortTable().NumberOf(arguments[++i]);
            if (port > 0) app_->RunCommand(AppCommand::kSelectPort, port, {});
            continue;
        }
        if (QString::fromStdString(a).compare(QStringLiteral("/svcmode"), Qt::CaseInsensitive) ==
            0) {
            app_->EnterManufacturerMode();
            continue;
        }
    }
    const std::vector<std::string> files = CommandLineFiles(arguments);
    if (files.size() > 1) {
        platform::GetPrompter().Show(GTex().GetLine(keys::kMessOneFileOnly, 0),
                                     GTex().GetLine(keys::kSysAppTitle, 0),
                                     platform::PromptIcon::Error, platform::PromptButtons::Ok);
        return;
    }
    if (files.size() == 1)
        app_->OpenFile(platform::PathOnDisk(HandedPath(files[0], platform::CurrentFolder())));
}

void TForm1::BringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

bool TForm1::Busy() const {
    return !isEnabled() || QApplication::activeModalWidget() != nullptr;
}

bool TForm1::AcceptsDrop(const QMimeData* data) const {
    if (!app_ || !isEnabled() || !data || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (!url.isLocalFile()) return false;
    return true;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrop(event->mimeData())) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    if (!AcceptsDrop(event->mimeData())) return;
    event->acceptProposedAction();
    OpenDropped(event->mimeData()->urls());
}

void TForm1::OpenDropped(const QList<QUrl>& urls) {
    if (!app_ || urls.isEmpty()) return;
    if (urls.size() > 1) {
        platform::GetPrompter().Show(GTex().GetLine(keys::kMessOneFileOnly, 0),
                                     GTex().GetLine(keys::kSysAppTitle, 0),
                                     platform::PromptIcon::Error, platform::PromptButtons::Ok);
        return;
    }
    // The name's own bytes (a file manager sends them percent-encoded), not UTF-8 read into
    // text and back, which would lose a Latin-1 name. Opened after the drop has ended, so that
    // the discard question does not hold the drag.
    const std::string path = platform::PathOnDisk(
        QByteArray::fromPercentEncoding(urls.front().path(QUrl::FullyEncoded).toLatin1())
            .toStdString());
    QTimer::singleShot(0, this, [this, path] { app_->OpenFile(path); });
}

// --- clone runs ---

void TForm1::ShowCloneInformation() {
    ShowCloneInfoDialog(this);
}
