#pragma once
// The print preview every print job shows before printing: one record per printed page, one
// page at a time drawn exactly as the printer draws it, paging through the job, zoom to actual
// size, and the printer font size (which paginates the job again). Its answer says whether the
// user pressed Print.
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/PrintLayout.h"
#include "gui/PrintedSheet.h"
#include "gui/cuiPrinter.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QToolBar;
class QToolButton;

// One printed page of the job.
struct PreviewPage {
    std::string sheet;       // definition name of the sheet
    PrintRectangle margins;  // page margins, preview pixels
    PrintRectangle extent;   // the block on paper, preview pixels
    PrintBlock block;        // first non-fixed column and row, their counts
    int fontHeight = 0;      // the printer font height the block was printed with (printer px)
    PrintRectangle printerMargins;  // the margins in printer pixels
};

class cuiPreview : public QDialog {
    Q_OBJECT
  public:
    cuiPreview(QWidget* owner, const QString& caption, cuiPrinter* printer);
    ~cuiPreview() override;

    // Room for `count` pages of a job on `page`, none filled; sizes the window for the page.
    void PreparePages(const PrintPage& page, int count);
    // Records the next page (margins and extent in printer pixels).
    void AddPage(const std::string& sheet, const PrintRectangle& margins, const PrintBlock& block,
                 const PrintRectangle& extent, int fontHeight);
    // Shows the first page modally; true when the user pressed Print.
    bool ShowPreview();

    // Navigation (clamped to the job's pages) and what is shown.
    void GoTo(int index);
    void TopPage() { GoTo(0); }
    void PreviousPage() { GoTo(current_ - 1); }
    void NextPage() { GoTo(current_ + 1); }
    void LastPage() { GoTo(last_); }
    // The page-number field's text as a page number (Enter in the window).
    void GoToTypedPage();
    int Current() const { return current_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    const std::vector<PreviewPage>& Pages() const { return pages_; }
    bool Answer() const { return print_; }
    bool Zoomed() const;
    void SetZoomed(bool actualSize);

    // The page bitmap of page `index` at screen resolution.
    QImage RenderPage(int index);
    const QImage& Bitmap() const { return bitmap_; }

    // The settings dialog (printer font size); modal.
    void OpenSettings();
    QDialog* SettingsDialog() const { return settings_.data(); }
    // The pages again for the current printer font size, from the first page.
    void Repaginate();

    // Parts, for tests.
    QToolButton* TopButton() const { return top_; }
    QToolButton* PreviousButton() const { return previous_; }
    QToolButton* NextButton() const { return next_; }
    QToolButton* LastButton() const { return lastButton_; }
    QToolButton* ZoomButton() const { return zoom_; }
    QToolButton* PrintButton() const { return printButton_; }
    QToolButton* SettingButton() const { return settingButton_; }
    QLineEdit* PageField() const { return pageField_; }
    QLabel* CountLabel() const { return countLabel_; }
    QLabel* StatusPanel() const { return statusPanel_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    bool HandleKey(QKeyEvent* event);
    void Render();
    void ShowBitmap();
    void DrawRecord(QPainter& painter, const PreviewPage& page);
    int ScreenDpi() const;

    cuiPrinter* printer_;
    PrintPage page_;
    std::vector<PreviewPage> pages_;
    bool print_ = false;
    int current_ = 0;
    int last_ = -1;
    QImage bitmap_;
    // The sheet of the page drawn last, kept for the next page of the same sheet.
    std::unique_ptr<PrintedSheet> sheet_;
    std::string sheetName_;

    QToolBar* toolbar_ = nullptr;
    QToolButton* printButton_ = nullptr;
    QToolButton* settingButton_ = nullptr;
    QToolButton* top_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* lastButton_ = nullptr;
    QToolButton* zoom_ = nullptr;
    QLineEdit* pageField_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* image_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QPointer<QDialog> settings_;
};
