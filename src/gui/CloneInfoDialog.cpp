#include "gui/CloneInfoDialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/cmcGridModel.h"
#include "gui/cuiGrid.h"
#include "sheet/ChannelSheetDef.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

QString FromOverlay(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}

constexpr int kPanelBorder = 8;

}  // namespace

cuiCloneInfoDialog::cuiCloneInfoDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::CustomizeWindowHint),
      owner_(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(FromOverlay(GTex().GetLine(keys::kSysAppTitle, 0)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->setSpacing(5);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    auto* inner = new QVBoxLayout(panel);
    inner->setContentsMargins(kPanelBorder, kPanelBorder, kPanelBorder, kPanelBorder);
    sheet_ = new cuiGrid(panel);
    sheet_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sheet_->setLineWidth(2);
    cmcGridModel& model = sheet_->Open(
        std::make_unique<ChannelSheetDef>(GTex(), keys::kSheetCloneInfo, ChannelSheetContext{}));
    model.SetScrollBars(false);
    sheet_->Build();
    sheet_->setFocusPolicy(Qt::NoFocus);
    // The sheet decides the dialog's size: every column and row shows whole.
    sheet_->setFixedSize(sheet_->NeededSize() +
                         QSize(2 * sheet_->frameWidth(), 2 * sheet_->frameWidth()));
    inner->addWidget(sheet_);
    layout->addWidget(panel);
    auto* ok = new QPushButton(FromOverlay(GTex().GetLine(keys::kAppIndButtonOkCancel, 0)), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addSpacing(5);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();

    // Centred over the owner, then pushed back inside the work area of its screen.
    QRect area = owner && owner->screen() ? owner->screen()->availableGeometry()
                                          : QGuiApplication::primaryScreen()->availableGeometry();
    QRect o = owner ? owner->frameGeometry() : area;
    int x = o.x() + (o.width() - width()) / 2, y = o.y() + (o.height() - height()) / 2;
    x = std::max(std::min(x, area.right() + 1 - width()), area.left());
    y = std::max(std::min(y, area.bottom() + 1 - height()), area.top());
    move(x, y);
    ok->setFocus();
}

cuiCloneInfoDialog::~cuiCloneInfoDialog() {
    if (owner_) {
        owner_->setEnabled(true);
        owner_->raise();
        owner_->activateWindow();
    }
}

cuiCloneInfoDialog* ShowCloneInfoDialog(QWidget* owner) {
    auto* dialog = new cuiCloneInfoDialog(owner);
    if (owner) owner->setEnabled(false);
    dialog->setEnabled(true);
    dialog->show();
    return dialog;
}
