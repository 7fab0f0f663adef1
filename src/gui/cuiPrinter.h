#pragma once
// Prints sheets: the current one or every sheet of the tree. Each sheet is rebuilt for the
// printer with the printer font size, cut into pages of column and row blocks inside the
// margins, shrunk when a block is still too big, and painted with the screen's cell painting in
// printer colours under a page frame. Every job is shown in the print preview first. A PDF file
// is always offered as the destination, also where the system lists no printer; a PDF is
// written whole or not at all.
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/PrintLayout.h"
#include "gui/PrintedSheet.h"

class QDialog;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;
class cmcTask;
class cuiMain;
class cuiPreview;

// Resolution and page size of a job's device, in device pixels.
struct PrintPage {
    int dpi = 600;
    int width = 0;
    int height = 0;
};

class cuiPrinter {
  public:
    // How the last document ended.
    enum class Result { kDone, kNoPages, kCannotOpen, kWriteFailed, kPrinterRefused };

    // `owner`: the main window (parent of the dialogs, disabled while a job runs); `app`: where
    // the tree of sheets comes from for printing all.
    cuiPrinter(QWidget* owner, cuiMain* app);
    ~cuiPrinter();
    cuiPrinter(const cuiPrinter&) = delete;
    cuiPrinter& operator=(const cuiPrinter&) = delete;

    // The print command: the sheet of `reference` (all = false) or every sheet of the tree.
    // Set-up dialog, then the preview; printing starts from the preview's print button.
    void Print(bool all, const std::string& reference);

    // Builds, paginates and outputs one sheet (its definition name) of the current job: drawn
    // unless previewOnly, each page recorded in the preview when record is set. Returns the
    // number of pages (0 for a sheet that is not printable).
    int PrintSheet(const std::string& name, const PrintRectangle& margins, bool previewOnly,
                   bool record);

    // Counts the pages of the sheets on `page` (margins from the overlay), prepares the preview
    // for them and records them in it; the preview stays the job's until it goes. The pages.
    int FillPreview(cuiPreview& preview, const PrintPage& page,
                    const std::vector<std::string>& names);
    void ForgetPreview(const cuiPreview* preview) {
        if (preview_ == preview) preview_ = nullptr;
    }

    // Without dialogs: the sheets (definition names) into a PDF file with pages of the given
    // size in millimetres (A4 portrait by default), written completely or not at all. Returns
    // the pages written, or -1 with the reason (LastResult says which failure).
    int WritePdf(const std::vector<std::string>& names, const std::string& path,
                 std::string* reason, double widthMm = 210, double heightMm = 297);

    Result LastResult() const { return result_; }

    // Definition names of the tree's sheets in tree order, each once.
    std::vector<std::string> TreeSheetNames() const;

    // Job state, for the preview and tests.
    const PrintPage& Page() const { return page_; }
    const PrintRectangle& JobMargins() const { return margins_; }
    cuiPreview* Preview() const { return preview_; }
    bool PrintingAll() const { return printingAll_; }
    QDialog* PrintingDialog() const;
    void Cancel() { cancel_ = true; }

    // The printer set-up step; false when cancelled. Tests replace it (a real dialog cannot be
    // answered offscreen).
    using SetupDialog = std::function<bool(QPrinter& printer, QWidget* owner)>;
    static void SetSetupDialog(SetupDialog dialog);
    // Where a PDF goes by default: the documents folder, named after the open document.
    static std::string DefaultPdfPath();

  private:
    struct Output;
    bool SetUp();
    void Begin();
    void NewPage();
    bool End(std::string* reason);
    void BuildPrintingDialog();
    void Finish();
    static void Tick(void* self, cmcTask* task);

    QPointer<QWidget> owner_;
    cuiMain* app_;
    Result result_ = Result::kDone;
    bool printingAll_ = false;
    bool pagePrinted_ = false;
    // The pages of the job that the set-up dialog asked for (from 1; 0 and 0 for all), and
    // the number of the page the job is at.
    int firstPage_ = 0;
    int lastPage_ = 0;
    int jobPage_ = 0;
    bool cancel_ = false;
    size_t sheetCounter_ = 0;
    PrintRectangle margins_;
    PrintPage page_;
    std::unique_ptr<QPrinter> setup_;  // before output_: a printer job ends before it goes
    std::unique_ptr<Output> output_;
    QPointer<QDialog> printingDialog_;
    std::string current_;
    std::vector<std::string> sheetList_;
    cmcTask* task_ = nullptr;
    cuiPreview* preview_ = nullptr;
};

// The printer of a main window: made on first use, freed with the window.
cuiPrinter& WindowPrinter(QWidget* window, cuiMain* app);

// Margins of a page from the overlay, in its pixels.
PrintRectangle PrinterMargins(const PrintPage& page);
// The printer font height in pixels at dpi for a size in points (8-12, clamped).
int PrinterFontHeight(int points, int dpi);
