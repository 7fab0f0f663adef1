#include "gui/cuiGrid.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "app/GridClipboard.h"
#include "app/SheetTree.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/GridAccessible.h"
#include "radio/CellDispatchHost.h"
#include "sheet/CellCatalogue.h"
#include "sheet/cmcCellObj.h"
#include "text/OverlayFormat.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

constexpr int kNear = 4;  // pixels from a column border that count as on it
constexpr int kWheelRows = 3;

QRect ToQRect(const CellRectangle& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

}  // namespace

// --- the in-place editor ---

CellEditor::CellEditor(cuiGrid* grid) : QPlainTextEdit(grid->viewport()), grid_(grid) {
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(1);
    setTabChangesFocus(false);  // Tab and Shift+Tab move to the grid's next or previous cell
    hide();
    connect(this, &QPlainTextEdit::textChanged, this, &CellEditor::LimitLength);
}

void CellEditor::LimitLength() {
    const QString text = toPlainText();
    if (text.size() <= kMaxLength) return;
    QSignalBlocker block(this);
    setPlainText(text.left(kMaxLength));
    moveCursor(QTextCursor::End);
}

void CellEditor::keyPressEvent(QKeyEvent* event) {
    using Nav = GridModel::NavKey;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            grid_->CloseEditor(true, true);
            return;
        case Qt::Key_Escape:
            grid_->CloseEditor(false, true);
            return;
        case Qt::Key_Up:
            grid_->EditorNavigation(Nav::kUp);
            return;
        case Qt::Key_Down:
            grid_->EditorNavigation(Nav::kDown);
            return;
        case Qt::Key_PageUp:
            grid_->EditorNavigation(Nav::kPageUp);
            return;
        case Qt::Key_PageDown:
            grid_->EditorNavigation(Nav::kPageDown);
            return;
        case Qt::Key_Tab:
            grid_->EditorNavigation(Nav::kNext);
            return;
        case Qt::Key_Backtab:
            grid_->EditorNavigation(Nav::kPrevious);
            return;
        default:
            QPlainTextEdit::keyPressEvent(event);
    }
}

void CellEditor::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    // A popup of the editor itself (its context menu) does not end the edit.
    if (event->reason() != Qt::PopupFocusReason) grid_->CloseEditor(true, false);
}

// --- the grid ---

cuiGrid::cuiGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    viewport()->setMouseTracking(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    edgeTimer_.setInterval(60);
    connect(&edgeTimer_, &QTimer::timeout, this, &cuiGrid::EdgeScroll);
    InstallGridAccessibility();
}

cuiGrid::~cuiGrid() {
    // An open chooser of this grid closes on this event.
    if (model_) EvMan().Send(ev::kControlGone, reinterpret_cast<intptr_t>(this));
    model_.reset();
}

GridModel& cuiGrid::Open(std::unique_ptr<SheetDef> def) {
    // A sheet built again (font size, view, position) keeps what was being typed: the text
    // goes to its cell before the cells are made anew.
    CloseEditor(true, false, false);
    model_.reset();
    model_ = std::make_unique<GridModel>(std::move(def), *this);
    model_->SetPopupIdentity(reinterpret_cast<intptr_t>(this));
    return *model_;
}

void cuiGrid::ApplyBackground() {
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, ToQColor(model_->Def().BasicCell().Color));
    viewport()->setPalette(p);
    viewport()->setAutoFillBackground(true);
}

void cuiGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange ||
         event->type() == QEvent::ApplicationPaletteChange) &&
        model_ && model_->Built()) {
        ApplyBackground();
        viewport()->update();
    }
}

void cuiGrid::Build(std::string_view basicExtra) {
    if (!model_) return;
    CloseEditor(true, false, false);
    model_->Build(basicExtra);
    options_.chooser = model_->IsChooser();
    ApplyBackground();
    setEnabled(!model_->Disabled());
    UpdateScrollBars();
    viewport()->update();
    if (QAccessible::isActive()) {
        // Readers ask for the cells afresh; nothing they held points into the old sheet.
        QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&reset);
        spokenCol_ = spokenRow_ = -1;
        if (hasFocus()) AnnounceCursor();
    }
}

bool cuiGrid::EditorVisible() const {
    return editor_ && editor_->isVisible();
}

ChooserPopup* cuiGrid::Chooser() const {
    return chooser_.data();
}

int cuiGrid::ClientWidth() const {
    return viewport()->width();
}

int cuiGrid::ClientHeight() const {
    return viewport()->height();
}

QSize cuiGrid::NeededSize() const {
    if (!model_) return {};
    return {model_->NeededWidth(), model_->NeededHeight()};
}

QRect cuiGrid::CellRectOnScreen(int column, int row) const {
    return ToQRect(model_->CellRect(column, row));
}

void cuiGrid::InvalidateCell(int column, int row) {
    if (!model_ || !model_->Built()) return;
    // Joined and owned cells paint with their neighbours: repaint the whole run.
    const SheetDef& def = model_->Def();
    int first = column, last = column;
    while (first > 0 && (def.Cell(first, row).JoinLeft || def.Cell(first, row).OwnedByLeft))
        --first;
    while (last + 1 < model_->ColumnCount() &&
           (def.Cell(last + 1, row).JoinLeft || def.Cell(last + 1, row).OwnedByLeft))
        ++last;
    QRect r = ToQRect(model_->CellRect(first, row)).united(ToQRect(model_->CellRect(last, row)));
    if (r.intersects(viewport()->rect())) viewport()->update(r);
    if (QAccessible::isActive()) AnnounceValue(column, row);
}

void cuiGrid::InvalidateAll() {
    viewport()->update();
}

void cuiGrid::ScrollChanged() {
    UpdateScrollBars();
    // A scrolled editor would cover another cell.
    if (EditorVisible()) CloseEditor(true, false, false);
    viewport()->update();
}

void cuiGrid::UpdateScrollBars() {
    if (!model_ || !model_->Built()) return;
    syncingBars_ = true;
    const bool bars = model_->ScrollBars();
    setHorizontalScrollBarPolicy(bars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(bars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int fc = model_->FixedCols(), fr = model_->FixedRows();
    // The last position that still fills the client area.
    auto lastStart = [](const std::vector<int>& sizes, int fixed, int room) {
        int used = 0;
        for (int k = 0; k < fixed; ++k) used += sizes[k];
        int start = int(sizes.size()) - 1, sum = used;
        while (start >= fixed && sum + sizes[start] <= room) sum += sizes[start--];
        return std::max(fixed, start + 1);
    };
    std::vector<int> widths, heights;
    for (int c = 0; c < model_->ColumnCount(); ++c) widths.push_back(model_->ColumnWidth(c));
    for (int r = 0; r < model_->RowCount(); ++r) heights.push_back(model_->RowHeight(r));
    const int maxLeft = lastStart(widths, fc, ClientWidth());
    const int maxTop = lastStart(heights, fr, ClientHeight());
    horizontalScrollBar()->setRange(0, std::max(0, maxLeft - fc));
    verticalScrollBar()->setRange(0, std::max(0, maxTop - fr));
    horizontalScrollBar()->setPageStep(
        std::max(1, model_->LastVisibleColumn() - model_->LeftColumn()));
    verticalScrollBar()->setPageStep(std::max(1, model_->LastVisibleRow() - model_->TopRow()));
    horizontalScrollBar()->setValue(model_->LeftColumn() - fc);
    verticalScrollBar()->setValue(model_->TopRow() - fr);
    syncingBars_ = false;
}

void cuiGrid::scrollContentsBy(int, int) {
    if (syncingBars_ || !model_ || !model_->Built()) return;
    model_->SetTopLeft(horizontalScrollBar()->value() + model_->FixedCols(),
                       verticalScrollBar()->value() + model_->FixedRows());
    viewport()->update();
}

void cuiGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void cuiGrid::paintEvent(QPaintEvent* event) {
    if (!model_ || !model_->Built()) return;
    QPainter painter(viewport());
    options_.focused = hasFocus() || EditorVisible();
    options_.editorVisible = EditorVisible();
    PaintGrid(painter, *model_, event->rect(), options_);
}

void cuiGrid::Flush() {
    viewport()->repaint();
}

bool cuiGrid::Extending() const {
    return shiftHeld_ || mouseSelecting_;
}

void cuiGrid::CursorMoved() {
    emit CurrentCellChanged();
    if (QAccessible::isActive()) AnnounceCursor();
}

void cuiGrid::AnnounceCursor() {
    if (!model_ || !model_->Built() || model_->Disabled() || !hasFocus()) return;
    const int index = model_->Row() * model_->ColumnCount() + model_->Column();
    spokenText_ = SpeakCell(*this, model_->Column(), model_->Row()).shown;
    spokenCol_ = model_->Column();
    spokenRow_ = model_->Row();
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(index);
    QAccessible::updateAccessibility(&focus);
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(index);
    QAccessible::updateAccessibility(&selection);
}

void cuiGrid::AnnounceValue(int column, int row) {
    if (column != spokenCol_ || row != spokenRow_ || column != model_->Column() ||
        row != model_->Row())
        return;
    std::string shown = SpeakCell(*this, column, row).shown;
    if (shown == spokenText_) return;
    spokenText_ = std::move(shown);
    const int index = row * model_->ColumnCount() + column;
    QAccessibleEvent name(this, QAccessible::NameChanged);
    name.setChild(index);
    QAccessible::updateAccessibility(&name);
    QAccessibleValueChangeEvent value(this, FromLatin1(spokenText_));
    value.setChild(index);
    QAccessible::updateAccessibility(&value);
}

// --- editor ---

void cuiGrid::OpenEditor(int column, int row, const std::string& text, int selStart,
                         int selLength) {
    if (!model_) return;
    QRect r = CellRectOnScreen(column, row);
    if (r.width() < 1 || r.height() < 1) return;
    if (!editor_) editor_ = new CellEditor(this);
    const cmcCellObj& cell = model_->CellAt(column, row);
    QFont font = ToQFont(EffectiveFont(cell, model_->Def().BasicCell()));
    editor_->setFont(font);
    const int lineHeight = QFontMetrics(font).height() + 2;
    QRect g = r.adjusted(1, 1, -1, -1);
    if (lineHeight < g.height()) {
        int top = cell.VAlign == kAlignTop      ? g.top()
                  : cell.VAlign == kAlignMiddle ? g.top() + (g.height() - lineHeight) / 2
                                                : g.bottom() - lineHeight;
        g = QRect(g.left(), top, g.width(), lineHeight);
    }
    editor_->setGeometry(g);
    {
        QSignalBlocker block(editor_);
        editor_->setPlainText(FromLatin1(text).left(CellEditor::kMaxLength));
    }
    QTextCursor cursor = editor_->textCursor();
    const int length = int(editor_->toPlainText().size());
    cursor.setPosition(std::clamp(selStart, 0, length));
    cursor.setPosition(std::clamp(selStart + selLength, 0, length), QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
    editCol_ = column;
    editRow_ = row;
    // Announced as an editor of this cell, before it takes the focus.
    const std::string label = RowLabelOf(*this, column, row);
    editor_->setAccessibleName(axtext::Text(axtext::kEditorName, {label}));
    editor_->setAccessibleDescription(axtext::Text(axtext::kEditorDescription));
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void cuiGrid::CommitEditor() {
    CloseEditor(true, false);
}

void cuiGrid::CloseEditor(bool commit, bool focusGrid, bool keepRefused) {
    if (!EditorVisible() || committing_) return;
    committing_ = true;
    const std::string text = ToLatin1(editor_->toPlainText());
    const bool hadFocus = editor_->hasFocus();
    editor_->hide();
    bool accepted = true;
    if (commit && model_) accepted = model_->CommitText(editCol_, editRow_, text);
    committing_ = false;
    if (!accepted && keepRefused) {
        // The typed text stays for correcting; the bottom bar says what the cell takes.
        editor_->show();
        if (focusGrid || hadFocus) editor_->setFocus(Qt::OtherFocusReason);
        viewport()->update();
        return;
    }
    if (focusGrid || hadFocus) setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void cuiGrid::EditorNavigation(GridModel::NavKey key) {
    CloseEditor(true, true);
    if (model_ && !EditorVisible()) model_->NavigationKey(key, false);
}

// --- keys ---

void cuiGrid::keyPressEvent(QKeyEvent* event) {
    if (!model_ || !model_->Built()) return QAbstractScrollArea::keyPressEvent(event);
    // Keys typed faster than the focus moves belong to the editor the first key opened. A key
    // the editor leaves (a lone Ctrl or Shift) comes back up to the grid: it goes on upwards,
    // never to the editor again.
    if (EditorVisible()) {
        if (forwarding_) return event->ignore();
        forwarding_ = true;
        QCoreApplication::sendEvent(editor_, event);
        forwarding_ = false;
        return;
    }
    using Nav = GridModel::NavKey;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    shiftHeld_ = mods & Qt::ShiftModifier;
    const bool ctrlOnly = mods == Qt::ControlModifier;
    struct {
        int key;
        Nav nav;
    } static const navs[] = {{Qt::Key_Left, Nav::kLeft},     {Qt::Key_Right, Nav::kRight},
                             {Qt::Key_Up, Nav::kUp},         {Qt::Key_Down, Nav::kDown},
                             {Qt::Key_PageUp, Nav::kPageUp}, {Qt::Key_PageDown, Nav::kPageDown},
                             {Qt::Key_Home, Nav::kHome},     {Qt::Key_End, Nav::kEnd}};
    for (const auto& n : navs)
        if (event->key() == n.key) {
            // Ctrl+Home and Ctrl+End also with Shift, which marks as it goes.
            const bool home = n.nav == Nav::kHome || n.nav == Nav::kEnd;
            model_->NavigationKey(
                n.nav, home ? (mods & ~Qt::ShiftModifier) == Qt::ControlModifier : ctrlOnly);
            shiftHeld_ = false;
            return;
        }
    shiftHeld_ = false;
    CommitEditor();
    if (model_->IsChooser() && event->key() == Qt::Key_Escape) return event->ignore();
    // Copy and paste: the row commands where the cell's popup menu offers them, and the
    // desktop's clipboard as tab-separated text.
    if (ctrlOnly && event->key() == Qt::Key_C) {
        CopyToClipboard();
        return;
    }
    if (ctrlOnly && event->key() == Qt::Key_V) {
        PasteFromClipboard();
        return;
    }
    if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        std::unique_ptr<QMenu> menu(PopupMenu(QPoint(), false));
        if (menu)
            for (QAction* a : menu->findChildren<QAction*>())
                if (a->data().toInt() == CL_PMenu_Clear && a->isEnabled() && a->isVisible()) {
                    a->trigger();
                    return;
                }
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        QRect r = CellRectOnScreen(model_->Column(), model_->Row());
        PopupMenu(viewport()->mapToGlobal(r.bottomLeft()));
        return;
    }
    if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F12) {
        model_->KeyInput((0x70 + (event->key() - Qt::Key_F1)) << 8);
        return;
    }
    int key = 0;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            key = 13;
            break;
        case Qt::Key_Backspace:
            key = 8;
            break;
        case Qt::Key_Escape:
            key = 27;
            break;
        default: {
            const QString text = event->text();
            if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() <= 126 &&
                !(mods & (Qt::ControlModifier | Qt::AltModifier)))
                key = text[0].unicode();
        }
    }
    if (key == 0) return QAbstractScrollArea::keyPressEvent(event);
    model_->KeyInput(key);
}

bool cuiGrid::TriggerPopupItem(int label) {
    std::unique_ptr<QMenu> menu(PopupMenu(QPoint(), false));
    if (menu)
        for (QAction* a : menu->findChildren<QAction*>())
            if (a->data().toInt() == label && a->isEnabled() && a->isVisible()) {
                a->trigger();
                return true;
            }
    return false;
}

void cuiGrid::CopyToClipboard() {
    if (!model_ || !model_->Built() || model_->Disabled()) return;
    // The text first: the row command may change the marks.
    const QString text = FromLatin1(CopyBlockText(*model_));
    const bool rows = TriggerPopupItem(CL_PMenu_Copy);
    auto* data = new QMimeData;
    data->setText(text);
    // Says that KELDA's own row clipboard holds these rows, for a paste inside KELDA.
    if (rows) data->setData(QString::fromLatin1(kRowsMime), text.toUtf8());
    QApplication::clipboard()->setMimeData(data);
}

void cuiGrid::PasteFromClipboard() {
    if (!model_ || !model_->Built() || model_->Disabled()) return;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    // Rows copied here go back as rows, with all they hold (where the cell offers the row
    // command); anything else is typed in.
    if (data != nullptr && data->hasFormat(QString::fromLatin1(kRowsMime))) {
        TriggerPopupItem(CL_PMenu_Paste);
        return;
    }
    if (data == nullptr || !data->hasText()) return;
    const PasteOutcome outcome = PasteBlockText(*model_, ToLatin1(data->text()));
    if (!outcome.ok && !outcome.message.empty())
        EvMan().PostText(ev::kIndicatorText, cellcolor::kRestrictText,
                         static_cast<int>(cellcolor::kRestrictBack), outcome.message);
    viewport()->update();
}

void cuiGrid::keyReleaseEvent(QKeyEvent* event) {
    shiftHeld_ = false;
    QAbstractScrollArea::keyReleaseEvent(event);
}

// --- mouse ---

int cuiGrid::SizingColumn(int x, int y, bool* nearLeft) const {
    if (!model_ || !model_->Def().Style().colSizing) return -1;
    int c = 0, r = 0;
    if (!model_->CellAtPoint(x, y, c, r)) {
        // Just right of the last column of non-zero width.
        if (y < 0) return -1;
        for (int k = model_->ColumnCount() - 1; k >= 0; --k) {
            QRect cr = CellRectOnScreen(k, 0);
            if (cr.width() < 1) continue;
            if (x > cr.right() && x <= cr.right() + kNear) return k;
            break;
        }
        return -1;
    }
    if (r >= model_->FixedRows()) return -1;
    QRect cr = CellRectOnScreen(c, r);
    if (cr.right() - x <= kNear) return c;
    if (x - cr.left() <= kNear) {
        if (nearLeft) *nearLeft = true;
        for (int k = c - 1; k >= 0; --k)
            if (model_->ColumnWidth(k) > 0) return k;
    }
    return -1;
}

void cuiGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (!model_ || !model_->Built()) return;
    const QPoint p = event->position().toPoint();
    lastMouse_ = p;
    if (event->button() == Qt::LeftButton) {
        const int sizing = SizingColumn(p.x(), p.y());
        if (sizing >= 0) {
            sizingCol_ = sizing;
            sizingLeft_ = CellRectOnScreen(sizing, 0).left();
            return;
        }
        int c = 0, r = 0;
        if (!model_->CellAtPoint(p.x(), p.y(), c, r)) return;
        if (model_->IsChooser()) return;  // the release chooses
        mouseSelecting_ = shiftHeld_ || (event->modifiers() & Qt::ShiftModifier);
        model_->Click(c, r);
        mouseSelecting_ = true;
    } else if (event->button() == Qt::RightButton) {
        int c = 0, r = 0;
        if (!model_->CellAtPoint(p.x(), p.y(), c, r)) return;
        if (model_->RightClick(c, r)) PopupMenu(event->globalPosition().toPoint());
    }
}

void cuiGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!model_ || !model_->Built()) return;
    const QPoint p = event->position().toPoint();
    lastMouse_ = p;
    if (sizingCol_ >= 0) {
        model_->SetColumnWidth(sizingCol_, p.x() - sizingLeft_, false);
        UpdateScrollBars();
        return;
    }
    viewport()->setCursor(SizingColumn(p.x(), p.y()) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
    int c = 0, r = 0;
    const bool inside = viewport()->rect().contains(p) && model_->CellAtPoint(p.x(), p.y(), c, r);
    if (model_->IsChooser()) {
        if (inside) model_->Hover(c, r);
        return;
    }
    if (!(event->buttons() & Qt::LeftButton) || !mouseSelecting_) return;
    if (inside) {
        if (c != model_->Column() || r != model_->Row()) model_->Click(c, r);
        edgeTimer_.stop();
    } else if (!edgeTimer_.isActive()) {
        edgeTimer_.start();
    }
}

void cuiGrid::EdgeScroll() {
    if (!model_ || !mouseSelecting_ || !(QApplication::mouseButtons() & Qt::LeftButton)) {
        edgeTimer_.stop();
        return;
    }
    const QRect area = viewport()->rect();
    const int dx = lastMouse_.x() < area.left() ? -1 : lastMouse_.x() > area.right() ? 1 : 0;
    const int dy = lastMouse_.y() < area.top() ? -1 : lastMouse_.y() > area.bottom() ? 1 : 0;
    if (dx) model_->MoveCursor(dx, 0);
    if (dy) model_->MoveCursor(0, dy);
}

void cuiGrid::mouseReleaseEvent(QMouseEvent* event) {
    edgeTimer_.stop();
    const bool wasSizing = sizingCol_ >= 0;
    sizingCol_ = -1;
    mouseSelecting_ = false;
    if (model_ && wasSizing) model_->SaveColumnWidths();
    if (!model_ || wasSizing) return;
    if (model_->IsChooser() && event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        int c = 0, r = 0;
        if (model_->CellAtPoint(p.x(), p.y(), c, r)) {
            model_->Hover(c, r);
            model_->DoubleClick(c, r);
        }
    }
}

void cuiGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!model_ || !model_->Built() || event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    const int sizing = SizingColumn(p.x(), p.y());
    if (sizing >= 0) {
        model_->FitColumn(sizing);
        UpdateScrollBars();
        return;
    }
    int c = 0, r = 0;
    if (model_->CellAtPoint(p.x(), p.y(), c, r)) model_->DoubleClick(c, r);
}

void cuiGrid::wheelEvent(QWheelEvent* event) {
    if (!model_ || !window()->isEnabled()) return event->ignore();
    if (EvMan().Query(ev::kQueryIgnoreWheel, reinterpret_cast<intptr_t>(this)))
        return event->ignore();
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) return;
    model_->SetTopLeft(model_->LeftColumn(), model_->TopRow() - steps * kWheelRows);
    event->accept();
}

bool cuiGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip && model_ && model_->Built()) {
        // Over a cell that differs from a compared file: what that file has there.
        auto* e = static_cast<QHelpEvent*>(event);
        int c = 0, r = 0;
        const std::string* other = nullptr;
        if (model_->CellAtPoint(e->pos().x(), e->pos().y(), c, r)) {
            while (c > 0 && model_->Def().Cell(c, r).JoinLeft) --c;
            other = model_->CompareValue(c, r);
        }
        if (other == nullptr) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const std::string text = FormatOverlay(GTex().GetLine(keys::kAppMessUndo, 16),
                                               {CompareMarks().Source(), TrimSpaces(*other)});
        QToolTip::showText(e->globalPos(), FromLatin1(text), viewport(), CellRectOnScreen(c, r));
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (e->reason() == QContextMenuEvent::Keyboard && model_ && model_->Built()) {
            QRect r = CellRectOnScreen(model_->Column(), model_->Row());
            PopupMenu(viewport()->mapToGlobal(r.bottomLeft()));
            return true;
        }
        return true;  // the right button opened it already
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void cuiGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (QAccessible::isActive()) AnnounceCursor();
    EvMan().Send(ev::kRefreshMenuStates);
    viewport()->update();
}

void cuiGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    shiftHeld_ = false;
    viewport()->update();
}

// --- popup menus ---

namespace {

// The items of an overlay menu, kept alive as long as the QMenu that shows them.
struct MenuData : QObject {
    SheetTree tree;
};

void AddItems(QMenu* root, cuiGrid* grid, MenuData* data) {
    GridModel* model = grid->Model();
    auto& nodes = data->tree.Nodes();
    if (nodes.empty()) return;
    // The owner's cell as the sheet that owns the popup gives it (query 12): the items' states
    // are those of the cell the menu was opened on.
    cmcCellCapsule opener;
    model->FillRequest(opener, model->Column(), model->Row());
    opener.notify = nullptr;
    std::optional<cmcCellObj> owner = GridModel::QueryPopupCell(reinterpret_cast<intptr_t>(grid));
    if (owner) opener.cell = &*owner;
    int visible = 0;
    for (auto& node : nodes) visible += node.depth == nodes.front().depth;
    if (HasCellHost()) CellHost().SetPopupMenuItemCount(visible);
    std::vector<QMenu*> stack = {root};
    const int top = nodes.front().depth;
    for (size_t i = 0; i < nodes.size(); ++i) {
        auto& node = nodes[i];
        const size_t level = size_t(std::max(0, node.depth - top));
        if (level >= stack.size()) continue;
        stack.resize(level + 1);
        QMenu* parent = stack.back();
        cmcCellObj& cell = node.cell;
        cell.Flags &= uint8_t(~(kFlagChecked | kFlagHidden | kFlagDisabled | kFlagCaption));
        cmcCellCapsule req;
        req.parent = owner ? &opener : nullptr;
        req.cell = &cell;
        req.form = grid->window();
        model->Dispatcher()(req, false);
        QString caption = FromLatin1((cell.Flags & kFlagCaption) ? req.displayText : cell.Text);
        if (i + 1 < nodes.size() && nodes[i + 1].depth > node.depth) {
            QMenu* sub = parent->addMenu(caption);
            sub->menuAction()->setVisible(!(cell.Flags & kFlagHidden));
            stack.push_back(sub);
            continue;
        }
        if (cell.Text == "-") {
            parent->addSeparator();
            continue;
        }
        // The shortcut is shown, not bound: the grid handles its keys itself, and a bound
        // Enter in the window's Edit menu would take Enter from every other control.
        if (cell.Argument && !cell.Argument->empty()) caption += "\t" + FromLatin1(*cell.Argument);
        QAction* a = parent->addAction(caption);
        a->setData(cell.Label);
        a->setCheckable(cell.Flags & kFlagChecked);
        a->setChecked(cell.Flags & kFlagChecked);
        a->setVisible(!(cell.Flags & kFlagHidden));
        a->setEnabled(!(cell.Flags & kFlagDisabled));
        const int label = cell.Label;
        QPointer<cuiGrid> target(grid);
        QObject::connect(a, &QAction::triggered, a, [target, label] {
            if (target && target->Model()) target->Model()->MenuCommand(label);
        });
    }
}

}  // namespace

void cuiGrid::FillMenu(QMenu* menu) {
    if (!model_ || !model_->Built() || model_->Disabled()) return;
    const std::string name = EffectivePopupMenu(model_->CellAt(model_->Column(), model_->Row()));
    if (name.empty()) return;
    auto* data = new MenuData;
    data->setParent(menu);
    data->tree.Build(GTex(), name);
    AddItems(menu, this, data);
    AssignAccessKeys(menu);
}

QMenu* cuiGrid::PopupMenu(const QPoint& globalPos, bool exec) {
    if (!model_ || !model_->Built() || model_->Disabled()) return nullptr;
    auto* menu = new QMenu(this);
    FillMenu(menu);
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    if (!exec) {
        menu->setParent(nullptr);
        return menu;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
    return menu;
}

// --- choosers ---

void cuiGrid::SetChooserOwner(cuiGrid* owner, int column, int row) {
    chooserOwner_ = owner;
    ownerCol_ = column;
    ownerRow_ = row;
}

void cuiGrid::OpenChooser(cmcCellCapsule& request, int listLabel, int value,
                          const std::string& chooserSheet) {
    if (!model_) return;
    if (chooser_) chooser_->close();
    if (chooserHook_ && chooserHook_(request, listLabel, value, chooserSheet)) return;
    auto* popup = new ChooserPopup(this, model_->Column(), model_->Row(), request, listLabel, value,
                                   chooserSheet);
    chooser_ = popup;
    popup->show();
    popup->Grid()->setFocus(Qt::PopupFocusReason);
}

void cuiGrid::Choose(int column, int row) {
    if (!chooserOwner_ || !model_) return;
    cmcCellObj chosen = model_->CellAt(column, row);
    QWidget* popup = window();
    chooserOwner_->ChoiceMade(ownerCol_, ownerRow_, chosen);
    popup->close();
}

void cuiGrid::ChoiceMade(int column, int row, cmcCellObj& chosen) {
    if (!model_) return;
    model_->CommitChoice(column, row, chosen);
    setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

ChooserPopup::ChooserPopup(cuiGrid* owner, int column, int row, const cmcCellCapsule& request,
                           int listLabel, int value, const std::string& sheet)
    : QFrame(owner, Qt::Popup), owner_(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    EvMan().Subscribe(&ChooserPopup::OnEvent, this);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    grid_ = new cuiGrid(this);
    layout->addWidget(grid_);
    grid_->SetChooserOwner(owner, column, row);
    const std::string label = RowLabelOf(*owner, column, row);
    grid_->setAccessibleName(axtext::Text(axtext::kChooserName, {label}));
    grid_->setAccessibleDescription(axtext::Text(axtext::kChooserDescription));
    setAccessibleName(grid_->accessibleName());
    GridModel& model = grid_->Open(std::make_unique<SheetDef>(GTex(), sheet));
    model.SetChooser(request);
    model.SetInitialCell(listLabel, value);
    model.SetScrollBars(false);
    grid_->Build();
    // As big as the sheet, unless that does not fit on the screen of the cell.
    const QRect cell = owner->CellRectOnScreen(column, row);
    const QPoint cellTopLeft = owner->viewport()->mapToGlobal(cell.topLeft());
    QScreen* screen = QApplication::screenAt(cellTopLeft);
    if (!screen) screen = QApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    QSize size = grid_->NeededSize() + QSize(2 * 2 + 2, 2 * 2 + 2);
    if (size.width() > work.width() || size.height() > work.height()) {
        model.SetScrollBars(true);
        grid_->Build();
        size = size.boundedTo(work.size());
    }
    resize(size);
    int left = cellTopLeft.x() + 8;
    int top = cellTopLeft.y() + cell.height();
    if (top + size.height() > work.bottom() + 1) {
        if (cellTopLeft.y() - size.height() >= work.top())
            top = cellTopLeft.y() - size.height();
        else
            top = work.bottom() + 1 - size.height();
    }
    if (left + size.width() > work.right() + 1) left = work.right() + 1 - size.width();
    move(std::max(left, work.left()), std::max(top, work.top()));
}

ChooserPopup::~ChooserPopup() {
    EvMan().Unsubscribe(&ChooserPopup::OnEvent, this);
}

void ChooserPopup::OnEvent(void* self, HubEvent& event) {
    auto* chooser = static_cast<ChooserPopup*>(self);
    const bool forOwner = event.first == reinterpret_cast<intptr_t>(chooser->owner_.data());
    switch (event.code) {
        case ev::kControlGone:  // the owner grid goes away
            if (forOwner) chooser->close();
            break;
        case ev::kCommitEditors:  // a command that must not wait for a choice
            chooser->close();
            break;
        case ev::kQueryIgnoreWheel:  // the owner does not scroll under an open chooser
            if (forOwner && chooser->isVisible()) EvMan().Reply(1, 0);
            break;
        default:
            break;
    }
}

void ChooserPopup::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}
