#include "gui/SheetDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/indEnviron.h"
#include "gui/CellPainter.h"
#include "gui/cuiGrid.h"
#include "gui/cuiSheet.h"
#include "radio/CellDispatchHost.h"
#include "sheet/CellFont.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

constexpr int kPanelBorder = 8;
constexpr int kBevel = 2;
constexpr int kButtonGap = 5;

}  // namespace

SheetDialog::SheetDialog(QWidget* owner, const QString& title, cmcGTex& text,
                         const std::string& sheetKey)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::CustomizeWindowHint),
      owner_(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    CellFont font;
    ApplyFontFields(font, text.GetLine(keys::kCellModelBasicDialog, 0));
    setFont(ToQFont(&font));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, kButtonGap);
    layout->setSpacing(kButtonGap);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(kBevel);
    auto* inner = new QVBoxLayout(panel);
    inner->setContentsMargins(kPanelBorder, kPanelBorder, kPanelBorder, kPanelBorder);

    SheetPaneOptions options;
    options.usableOnly = Environ().chListView;
    if (HasCellHost()) options.modelType = CellHost().ModelType();
    sheet_ = new cuiSheet(sheetKey, options, panel, false);
    // An information sheet: the button has the keys.
    sheet_->Grid()->setFocusPolicy(Qt::NoFocus);
    sheet_->setFocusPolicy(Qt::NoFocus);
    sheet_->setFixedSize(sheet_->NeededSize());
    inner->addWidget(sheet_);
    layout->addWidget(panel, 0, Qt::AlignTop);

    button_ =
        new QPushButton(QString::fromLatin1(text.GetLine(keys::kAppIndButtonOkCancel, 0)), this);
    button_->setDefault(true);
    button_->setAutoDefault(true);
    connect(button_, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button_);
    row->addSpacing(kButtonGap);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();

    Place();
}

SheetDialog::~SheetDialog() {
    if (owner_) {
        owner_->setEnabled(true);
        owner_->raise();
        owner_->activateWindow();
    }
}

void SheetDialog::Place() {
    // Centred over the owner, then pushed back inside the work area of its screen: the right
    // edge first, then the left; the bottom, then the top. The frame counts once it is known.
    QScreen* screen =
        owner_ && owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QRect o = owner_ ? owner_->frameGeometry() : area;
    const QSize size = frameGeometry().size().expandedTo(this->size());
    int x = o.x() + (o.width() - size.width()) / 2;
    int y = o.y() + (o.height() - size.height()) / 2;
    x = std::max(std::min(x, area.right() + 1 - size.width()), area.left());
    y = std::max(std::min(y, area.bottom() + 1 - size.height()), area.top());
    move(x, y);
}

cuiGrid* SheetDialog::Grid() const {
    return sheet_->Grid();
}

SheetDialog* ShowSheetDialog(QWidget* owner, const QString& title, cmcGTex& text,
                             const std::string& sheetKey) {
    auto* dialog = new SheetDialog(owner, title, text, sheetKey);
    if (owner) owner->setEnabled(false);
    dialog->setEnabled(true);
    dialog->show();
    dialog->Place();
    dialog->Button()->setFocus();
    return dialog;
}
