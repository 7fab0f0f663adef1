#include "gui/cuiSheet.h"

#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

#include "app/SheetTree.h"
#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "gui/CellPainter.h"
#include "gui/GridAccessible.h"
#include "gui/cuiGrid.h"
#include "radio/CellDispatchHost.h"
#include "radio/datCh.h"
#include "sheet/CellCatalogue.h"
#include "sheet/ChannelSheetDef.h"
#include "text/cmcGTex.h"

namespace {

// A channel is usable when it is in use or its table's P or C channel.
bool ChannelUsableHere(int category, int row) {
    return !HasCellHost() || ChannelUsable(CellHost().WorkingImage(), CategoryTable(category), row);
}

std::string FontExtra(int percent) {
    return "{(Font=,,,%" + std::to_string(percent) + ",,,)}";
}

}  // namespace

std::unique_ptr<SheetDef> MakeSheetDef(const std::string& key, const SheetPaneOptions& options) {
    ChannelSheetContext context;
    context.usableOnly = options.usableOnly;
    context.modelVariant = options.modelType;
    context.usable = &ChannelUsableHere;
    return std::make_unique<ChannelSheetDef>(GTex(), key, context);
}

SheetPane* MakeSheetPane(const std::string& reference, const SheetPaneOptions& options,
                         QWidget* parent) {
    return new cuiSheet(reference, options, parent);
}

cuiSheet::cuiSheet(const std::string& reference, const SheetPaneOptions& options, QWidget* parent,
                   bool scrollBars)
    : QFrame(parent),
      reference_(reference),
      key_(SheetTree::SheetName(reference)),
      options_(options),
      scrollBars_(scrollBars) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    title_ = new QLabel(this);
    title_->setTextFormat(Qt::PlainText);
    title_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    title_->setLineWidth(2);
    title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    title_->setAutoFillBackground(true);
    title_->setIndent(6);
    layout->addWidget(title_);
    gridPanel_ = new QFrame(this);
    gridPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    gridPanel_->setLineWidth(2);
    auto* inner = new QVBoxLayout(gridPanel_);
    inner->setContentsMargins(2, 2, 2, 2);
    grid_ = new cuiGrid(gridPanel_);
    inner->addWidget(grid_);
    layout->addWidget(gridPanel_, 1);
    setFocusProxy(grid_);
    EvMan().Subscribe(&cuiSheet::OnEvent, this);
    Build({}, -1, 0);
}

int cuiSheet::NeededWidth() const {
    const QMargins inner = gridPanel_->layout()->contentsMargins();
    QStyle* style = grid_->style();
    const int bar = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid_) +
                    style->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, grid_);
    return grid_->NeededSize().width() + 2 * grid_->frameWidth() + bar + inner.left() +
           inner.right() + 2 * gridPanel_->frameWidth() + 2 * frameWidth();
}

cuiSheet::~cuiSheet() {
    EvMan().Unsubscribe(&cuiSheet::OnEvent, this);
}

void cuiSheet::Build(const ViewState& position, int initialLabel, int initialIndex) {
    GridModel& model = grid_->Open(MakeSheetDef(key_, options_));
    model.SetSavedPosition(position);
    model.SetScrollBars(scrollBars_);
    model.SetFontPercent(options_.fontPercent);
    if (initialLabel >= 0) model.SetInitialCell(initialLabel, initialIndex);
    // The grid needs its size before the widths are limited by it.
    if (!grid_->isVisible()) grid_->resize(std::max(grid_->width(), 600), grid_->height());
    grid_->Build(FontExtra(options_.fontPercent));
    ApplyTitle();
}

void cuiSheet::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange ||
         event->type() == QEvent::ApplicationPaletteChange) &&
        grid_ && grid_->Model() && grid_->Model()->Built())
        ApplyTitle();
}

void cuiSheet::ApplyTitle() {
    const SheetStyle& style = grid_->Model()->Def().Style();
    // Assistive technology names the grid after the sheet.
    const std::string name = !style.title.empty() ? style.title : GTex().GetLine(key_, 0);
    grid_->setAccessibleName(FromLatin1(name));
    grid_->setAccessibleDescription(axtext::Text(axtext::kSheetDescription));
    title_->setVisible(!style.title.empty());
    if (style.title.empty()) return;
    title_->setText(FromLatin1(style.title));
    QPalette p = title_->palette();
    p.setColor(QPalette::Window, ToQColor(style.titleColor));
    // A title without a font of its own (the usable-only view switched off) takes the usual
    // text colour again, not the one the last title had.
    // Readable on the bar in any palette.
    const QColor text =
        style.titleFont ? ToQColor(style.titleFont->Color) : palette().color(QPalette::WindowText);
    p.setColor(QPalette::WindowText, ReadableOn(text, ToQColor(style.titleColor)));
    title_->setPalette(p);
    QFont f = style.titleFont ? ToQFont(style.titleFont.get()) : font();
    title_->setFont(f);
    title_->setFixedHeight(QFontMetrics(f).height() + 2 + 8);
}

QSize cuiSheet::NeededSize() const {
    const int frame = 2 * (gridPanel_->frameWidth() + 2);
    QSize size = grid_->NeededSize() + QSize(frame, frame);
    if (!title_->isHidden()) size.rheight() += title_->height();
    return size;
}

void cuiSheet::Rebuild() {
    Build(SaveViewState(), -1, 0);
}

void cuiSheet::Refresh() {
    grid_->viewport()->update();
}

SheetPosition cuiSheet::Position() const {
    const ViewState v = SaveViewState();
    return {v.column, v.row, v.left, v.top};
}

void cuiSheet::SetPosition(const SheetPosition& p) {
    const GridModel* m = grid_->Model();
    ViewState v{p.column, p.row, p.leftColumn, p.topRow};
    if (m && m->Built()) {  // clamped into the sheet
        v.column = std::min(v.column, m->ColumnCount() - 1);
        v.row = std::min(v.row, m->RowCount() - 1);
    }
    RestoreViewState(v);
    if (p.leftColumn < 0 || p.topRow < 0) {
        GridModel* model = grid_->Model();
        model->EnsureVisible(model->Column(), model->Row());
    }
}

const cmcCellObj* cuiSheet::CurrentCell() const {
    const GridModel* m = grid_->Model();
    return m && m->Built() && !m->Disabled() ? m->CurrentCell() : nullptr;
}

void cuiSheet::SetFontPercent(int percent) {
    options_.fontPercent = percent;
    Rebuild();
}

int cuiSheet::CurrentLabel() const {
    const GridModel* m = grid_->Model();
    const cmcCellObj* cell = m ? m->CurrentCell() : nullptr;
    return cell && !m->Disabled() ? cell->Label : -1;
}

int cuiSheet::CurrentRow() const {
    const GridModel* m = grid_->Model();
    const cmcCellObj* cell = m ? m->CurrentCell() : nullptr;
    return cell && !m->Disabled() ? cell->Index : -1;
}

bool cuiSheet::GoToItem(int category, int label, int index) {
    GridModel* model = grid_->Model();
    if (model == nullptr || !model->Built()) return false;
    if (model->GoToCell(category, label, index)) return true;
    if (!options_.usableOnly) return false;
    // The same switch as the menu's, so the view stays off for the other lists too.
    Environ().chListView = false;
    options_.usableOnly = false;
    Build({}, -1, 0);
    return grid_->Model()->GoToCell(category, label, index);
}

cuiSheet::ViewState cuiSheet::SaveViewState() const {
    const GridModel* m = grid_->Model();
    return m && m->Built() ? m->CurrentPosition() : ViewState{};
}

void cuiSheet::RestoreViewState(const ViewState& state) {
    Build(state, -1, 0);
}

void cuiSheet::FillEditMenu(QMenu* menu) {
    grid_->FillMenu(menu);
}

void cuiSheet::OnEvent(void* self, HubEvent& event) {
    auto* sheet = static_cast<cuiSheet*>(self);
    switch (event.code) {
        case ev::kIndicatorText:
            emit sheet->StatusMessage(QString::fromLatin1(event.Text()),
                                      static_cast<unsigned>(event.first),
                                      static_cast<unsigned>(event.second));
            break;
        case ev::kRedrawChannelSheet: {
            // The set of usable channels changed, or the view switches: the list is built
            // again and the cursor stays on the channel it was on.
            if (!sheet->isVisible()) break;
            if (event.first != 0) Environ().chListView = !Environ().chListView;
            sheet->options_.usableOnly = Environ().chListView;
            const int label = sheet->CurrentLabel(), row = sheet->CurrentRow();
            ViewState keep = sheet->SaveViewState();
            if (event.first != 0 || sheet->options_.usableOnly) {
                sheet->Build({}, label, row);
            } else {
                sheet->Build(keep, -1, 0);
            }
            break;
        }
        default:
            break;
    }
}
