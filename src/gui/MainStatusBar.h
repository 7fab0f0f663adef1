#pragma once
// The status bar of the main window: the indicator panel (a message on its own colours, set by
// event 4 or by ShowStatusMessage), the maroon manufacturer panel while manufacturer mode is on,
// and an empty end panel as wide as the bar is high.
#include <QStatusBar>
#include <cstdint>
#include <string>

class QLabel;

class MainStatusBar : public QStatusBar {
    Q_OBJECT
  public:
    static constexpr int kIndicatorMinimum = 100;

    explicit MainStatusBar(QWidget* parent = nullptr);
    ~MainStatusBar() override;

    // Colours as the cells give them: 0x00BBGGRR or a system colour.
    void SetIndicator(uint32_t textColor, uint32_t backColor, const std::string& text);
    QString IndicatorText() const;
    QColor IndicatorBackground() const;
    // Shows the manufacturer panel with its label (once; later calls change the label only).
    void ShowMakerPanel(const std::string& label);
    bool MakerPanelShown() const;
    QString MakerPanelText() const;
    int IndicatorWidth() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Panel;
    void Layout();

    Panel* indicator_ = nullptr;
    Panel* maker_ = nullptr;
    QWidget* end_ = nullptr;
};

// The one call that puts a message into the bottom bar of the main window, in the normal
// colours; an empty text clears it. Does nothing while no main window exists.
void ShowStatusMessage(const std::string& text);

// A cell colour (0x00BBGGRR, or 0x80000000 + n for system colour n) in the palette's terms.
QColor CellColorToQColor(uint32_t color, const QPalette& palette);
