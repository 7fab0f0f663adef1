#include "gui/MainStatusBar.h"

#include <QPainter>
#include <QPointer>
#include <QResizeEvent>

#include "gui/GridAccessible.h"
#include "radio/CellUi.h"
#include "sheet/NameTables.h"

namespace {

QPointer<MainStatusBar> g_bar;

}  // namespace

QColor CellColorToQColor(uint32_t c, const QPalette& palette) {
    if (c & kSystemColor) {
        switch (SystemColorIndex(c)) {
            case SystemColorIndex(kClWindow):
                return palette.color(QPalette::Base);
            case SystemColorIndex(kClWindowText):
                return palette.color(QPalette::WindowText);
            case SystemColorIndex(kClHighlight):
                return palette.color(QPalette::Highlight);
            case SystemColorIndex(kClHighlightText):
                return palette.color(QPalette::HighlightedText);
            case SystemColorIndex(kClBtnFace):
                return palette.color(QPalette::Button);
            case SystemColorIndex(kClGrayText):
                return palette.color(QPalette::PlaceholderText);
            default:
                return palette.color(QPalette::Window);
        }
    }
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// A panel that paints its text on its own background, as the bar's owner-drawn panels do.
class MainStatusBar::Panel : public QWidget {
  public:
    Panel(QWidget* parent, Qt::Alignment align) : QWidget(parent), align_(align) {}
    void Set(const QColor& text, const QColor& back, const QString& s) {
        text_ = text;
        back_ = back;
        s_ = s;
        // What the panel says reaches assistive technology as the panel's description.
        if (accessibleDescription() != s) setAccessibleDescription(s);
        update();
    }
    const QString& Text() const { return s_; }
    const QColor& Back() const { return back_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), back_);
        p.setPen(text_);
        // Multi-line texts (the debug window's byte status) show on one line.
        QString shown = s_;
        shown.replace('\n', ' ');
        p.drawText(rect().adjusted(4, 0, -4, 0),
                   int(align_ | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
    }

  private:
    Qt::Alignment align_;
    QColor text_, back_;
    QString s_;
};

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    indicator_ = new Panel(this, Qt::AlignLeft);
    indicator_->setMinimumWidth(kIndicatorMinimum);
    indicator_->setAccessibleName(axtext::Text(axtext::kStatusName));
    addWidget(indicator_, 1);
    end_ = new QWidget(this);
    addPermanentWidget(end_, 0);
    SetIndicator(cellcolor::kWindowText, cellcolor::kBtnFace, {});
    g_bar = this;
    Layout();
}

MainStatusBar::~MainStatusBar() = default;

void MainStatusBar::SetIndicator(uint32_t textColor, uint32_t backColor, const std::string& text) {
    indicator_->Set(CellColorToQColor(textColor, palette()),
                    CellColorToQColor(backColor, palette()),
                    QString::fromLatin1(text.data(), int(text.size())));
}

QString MainStatusBar::IndicatorText() const {
    return indicator_->Text();
}
QColor MainStatusBar::IndicatorBackground() const {
    return indicator_->Back();
}

void MainStatusBar::ShowMakerPanel(const std::string& label) {
    const QString text = QString::fromLatin1(label.data(), int(label.size()));
    if (!maker_) {
        maker_ = new Panel(this, Qt::AlignHCenter);
        removeWidget(end_);
        addPermanentWidget(maker_, 0);
        addPermanentWidget(end_, 0);
        end_->show();
        maker_->show();
    }
    maker_->Set(Qt::white, QColor(0x80, 0, 0), text);
    maker_->setAccessibleName(text);
    Layout();
}

bool MainStatusBar::MakerPanelShown() const {
    return maker_ != nullptr;
}
QString MainStatusBar::MakerPanelText() const {
    return maker_ ? maker_->Text() : QString();
}
int MainStatusBar::IndicatorWidth() const {
    return indicator_->width();
}

void MainStatusBar::Layout() {
    const int h = qMax(height(), fontMetrics().height() + 6);
    end_->setFixedWidth(h);
    if (maker_)
        maker_->setFixedWidth(fontMetrics().horizontalAdvance(maker_->Text()) +
                              fontMetrics().horizontalAdvance(QStringLiteral("XX")));
}

void MainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    if (event->size().height() != event->oldSize().height()) Layout();
}

void ShowStatusMessage(const std::string& text) {
    if (g_bar) g_bar->SetIndicator(cellcolor::kWindowText, cellcolor::kBtnFace, text);
}
