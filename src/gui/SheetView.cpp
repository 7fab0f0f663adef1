#include "gui/SheetView.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include "app/cmcSheetTree.h"
#include "radio/CellDispatcher.h"
#include "radio/cmcCellCapsule.h"
#include "sheet/ChannelSheetDef.h"
#include "sheet/cmcChoiceTable.h"
#include "text/cmcGTex.h"

namespace {

// 0x00BBGGRR, or a system colour (high bit set) that the palette gives.
QColor ToQColor(uint32_t c, const QPalette& palette) {
    if (c & 0x80000000u) {
        switch (c & 0xFF) {
            case 5:
                return palette.color(QPalette::Base);
            case 8:
                return palette.color(QPalette::Text);
            case 15:
                return palette.color(QPalette::Button);
            case 13:
                return palette.color(QPalette::Highlight);
            case 14:
                return palette.color(QPalette::HighlightedText);
            case 17:
                return palette.color(QPalette::PlaceholderText);
            default:
                return palette.color(QPalette::Base);
        }
    }
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QString ToQString(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

}  // namespace

SheetView::SheetView(const std::string& reference, bool usableOnly, int modelType, QWidget* parent)
    : QTableWidget(parent), reference_(reference) {
    ChannelSheetContext context;
    context.usableOnly = usableOnly;
    context.modelVariant = modelType;
    def_ = std::make_unique<ChannelSheetDef>(GTex(), cmcSheetTree::SheetName(reference), context);
    def_->Build();

    setRowCount(def_->RowCount());
    setColumnCount(def_->ColumnCount());
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Refresh();
    resizeColumnsToContents();
    setCurrentCell(def_->FirstSelectableRow(), def_->FirstSelectableColumn());
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { Activate(row, column, cellkey::kDoubleClick); });
}

SheetView::~SheetView() = default;

SheetPane* MakeSheetPane(const std::string& reference, const SheetPaneOptions& options,
                         QWidget* parent) {
    auto* view = new SheetView(reference, options.usableOnly, options.modelType, parent);
    view->SetFontPercent(options.fontPercent);
    return view;
}

SheetPosition SheetView::Position() const {
    SheetPosition p;
    p.column = currentColumn();
    p.row = currentRow();
    p.leftColumn = columnAt(0);
    p.topRow = rowAt(0);
    return p;
}

void SheetView::SetPosition(const SheetPosition& p) {
    if (rowCount() == 0 || columnCount() == 0) return;
    const int row = qBound(0, p.row, rowCount() - 1);
    const int column = qBound(0, p.column, columnCount() - 1);
    if (p.row >= 0 && p.column >= 0) setCurrentCell(row, column);
    if (p.topRow >= 0) verticalScrollBar()->setValue(qMin(p.topRow, rowCount() - 1));
    if (p.leftColumn >= 0) horizontalScrollBar()->setValue(qMin(p.leftColumn, columnCount() - 1));
}

const cmcCellObj* SheetView::CurrentCell() const {
    if (currentRow() < 0 || currentColumn() < 0) return nullptr;
    return &def_->Cell(currentColumn(), currentRow());
}

void SheetView::SetFontPercent(int percent) {
    QFont f = font();
    f.setPointSizeF(QApplication::font().pointSizeF() * qBound(50, percent, 400) / 100.0);
    setFont(f);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + 6);
    resizeColumnsToContents();
}

void SheetView::RenderCell(int row, int column) {
    cmcCellObj& cell = def_->Cell(column, row);
    std::string text = cell.IsBound() ? CellText(cell, 0) : cell.Text;
    auto* item = this->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        setItem(row, column, item);
    }
    item->setText(ToQString(text));
    bool fixed = row < def_->FixedRows() || column < def_->FixedCols();
    item->setBackground(fixed ? palette().color(QPalette::Button)
                              : ToQColor(cell.Color, palette()));
    Qt::Alignment h = cell.HAlign == kAlignCentre  ? Qt::AlignHCenter
                      : cell.HAlign == kAlignRight ? Qt::AlignRight
                                                   : Qt::AlignLeft;
    item->setTextAlignment(h | Qt::AlignVCenter);
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (cell.Selectable) flags |= Qt::ItemIsSelectable;
    item->setFlags(flags);
}

void SheetView::Refresh() {
    setUpdatesEnabled(false);
    for (int r = 0; r < def_->RowCount(); ++r)
        for (int c = 0; c < def_->ColumnCount(); ++c) RenderCell(r, c);
    setUpdatesEnabled(true);
}

void SheetView::keyPressEvent(QKeyEvent* event) {
    int key = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = cellkey::kEnter;
    else if (event->key() == Qt::Key_F2)
        key = cellkey::kF2;
    else if (event->key() == Qt::Key_Space)
        key = cellkey::kSpace;
    if (key && currentRow() >= 0 && currentColumn() >= 0) {
        Activate(currentRow(), currentColumn(), key);
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void SheetView::Activate(int row, int column, int key) {
    if (row < 0 || column < 0) return;
    cmcCellObj& cell = def_->Cell(column, row);
    if (!cell.IsBound() || !cell.Selectable) return;
    cmcCellCapsule req;
    req.cell = &cell;
    req.grid = this;
    req.form = window();
    req.key = key;
    chooserCommitted_ = false;
    int signal = DispatchCell(req, false);
    if (signal == cmcCellCapsule::kSignalEditor) {
        bool ok = false;
        QString text =
            QInputDialog::getText(this, ToQString(cell.Text.empty() ? "" : cell.Text), QString(),
                                  QLineEdit::Normal, ToQString(req.displayText), &ok);
        if (ok) {
            cmcCellCapsule commit;
            commit.cell = &cell;
            commit.form = window();
            commit.commitMode = 1;
            commit.inputText = text.toLatin1().toStdString();
            DispatchCell(commit, false);
            chooserCommitted_ = true;
        }
    }
    Refresh();
}

void SheetView::OpenChooser(cmcCellCapsule& request, int listLabel, int value,
                            const std::string& chooserSheet) {
    const auto& list = ChoiceTable().Find(chooserSheet, listLabel).byPosition;
    QMenu menu(this);
    for (const auto& e : list) {
        QAction* a = menu.addAction(ToQString(e.text));
        a->setData(e.value);
        a->setCheckable(true);
        a->setChecked(e.value == value);
    }
    QRect r = visualItemRect(currentItem());
    QAction* chosen = menu.exec(viewport()->mapToGlobal(r.bottomLeft()));
    if (!chosen) return;
    cmcCellObj item;
    item.Label = listLabel;
    item.Index = chosen->data().toInt();
    cmcCellCapsule chosenRequest;
    chosenRequest.cell = &item;
    cmcCellCapsule commit;
    commit.cell = request.cell;
    commit.form = request.form;
    commit.parent = &chosenRequest;
    commit.commitMode = 2;
    DispatchCell(commit, false);
    chooserCommitted_ = true;
}
