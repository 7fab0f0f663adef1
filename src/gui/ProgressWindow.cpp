#include "gui/ProgressWindow.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "app/CloneMessages.h"
#include "gui/GridAccessible.h"

namespace {
constexpr int kMarginSide = 16;
constexpr int kMarginTop = 8;
constexpr int kMarginBottom = 24;
}  // namespace

ProgressBox::ProgressBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setContentsMargins(0, 0, 0, 0);
    setFixedSize(kWidth + 2 * frameWidth(), kHeight + 2 * frameWidth());
    setAccessibleName(axtext::Text(axtext::kProgressBar));
    InstallGridAccessibility();
}

void ProgressBox::SetFilled(int filled) {
    filled = std::clamp(filled, 0, indCloneMan::kSegments);
    if (filled == filled_) return;
    filled_ = filled;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, Percent());
        QAccessible::updateAccessibility(&event);
    }
}

void ProgressBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect box = contentsRect();
    const int segment = (box.width() + 1) / indCloneMan::kSegments;
    const QColor window = palette().color(QPalette::Base);
    p.fillRect(box, window);
    for (int i = 0; i < filled_; ++i)
        p.fillRect(box.x() + i * segment, box.y(), segment - 1, box.height(),
                   palette().color(QPalette::Highlight));
}

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    // One caption for every run, as the run cannot be named before the radio has answered.
    setWindowTitle(axtext::Text(axtext::kProgressCaption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMarginSide, kMarginTop, kMarginSide, kMarginBottom / 3);
    layout->setSpacing(kMarginBottom / 3);
    box_ = new ProgressBox(this);
    layout->addWidget(box_, 0, Qt::AlignHCenter);
    line_ = new QLabel(this);
    line_->setAlignment(Qt::AlignCenter);
    line_->setAccessibleDescription(axtext::Text(axtext::kProgressText));
    // As wide as the longest line it will show: a window that followed the text's width would
    // shrink and grow under the user's eyes, with the bar sliding sideways and off centre.
    const QFontMetrics fm(line_->font());
    int widest = box_->width();
    // The longest lines the clone manager writes: five-digit counts, then either no estimate
    // yet or one of some 1000 minutes.
    for (const std::string& sample :
         {ProgressLine({CloneOperation::kWrite, 32767, 32768, 0}),
          ProgressLine({CloneOperation::kWrite, 10000, 32768, 26'300'000})})
        widest = std::max(widest, fm.horizontalAdvance(QString::fromStdString(sample)));
    line_->setFixedWidth(widest);
    layout->addWidget(line_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ProgressWindow::SetProgress(int filled, const std::string& line) {
    box_->SetFilled(filled);
    line_->setText(QString::fromStdString(line));
}

QString ProgressWindow::Line() const {
    return line_->text();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // The run goes on whatever the user does; a closed window would only hide that.
    event->ignore();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return;
    QWidget::keyPressEvent(event);
}

CloneProgressView::~CloneProgressView() {
    delete window_;
}

void CloneProgressView::RunStarted(CloneOperation /*operation*/, bool showProgress) {
    main_->setEnabled(false);
    if (!showProgress) return;
    lastFilled_ = 0;
    delete window_;
    window_ = new ProgressWindow(main_);
    window_->SetProgress(0, ProgressLine(manager_.CurrentProgress()));
    window_->adjustSize();
    const QRect o = main_->frameGeometry();
    window_->move(o.x() + (o.width() - window_->width()) / 2,
                  o.y() + (o.height() - window_->height()) / 2);
    // The main window is disabled; its child window must not be.
    window_->setEnabled(true);
    window_->show();
}

void CloneProgressView::ProgressChanged(int filled) {
    if (!window_) return;
    window_->SetProgress(filled, ProgressLine(manager_.CurrentProgress()));
    lastFilled_ = window_->Box()->Filled();
}

void CloneProgressView::RunEnded() {
    if (window_) {
        window_->hide();
        window_->deleteLater();
        window_ = nullptr;
    }
    main_->setEnabled(true);
    main_->activateWindow();
}
