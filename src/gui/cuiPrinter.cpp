#include "gui/cuiPrinter.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

#include "app/cuiMain.h"
#include "app/indEnviron.h"
#include "base/EventCodes.h"
#include "base/cmcEvMan.h"
#include "base/cmcTask.h"
#include "gui/CellPainter.h"
#include "gui/cuiPreview.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialogs.h"
#include "platform/Folders.h"
#include "platform/Prompt.h"
#include "radio/CellDispatchHost.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// PDF pages are laid out at this resolution (a printer's own is used for a printer).
constexpr int kPdfDpi = 600;

cuiPrinter::SetupDialog& SetupHook() {
    static cuiPrinter::SetupDialog hook;
    return hook;
}

bool RealSetupDialog(QPrinter& printer, QWidget* owner) {
    // Windows' own print dialog serves system printers only and refuses at once a job that
    // goes to a file: there, without a printer, the PDF file is named in the save dialog.
    if (printer.outputFormat() == QPrinter::PdfFormat &&
        QGuiApplication::platformName() == QLatin1String("windows")) {
        platform::FileDialogRequest request;
        request.defaultExtension = "pdf";
        request.filter = "PDF (*.pdf)|*.pdf";
        const std::string current = printer.outputFileName().toStdString();
        request.initialDirectory = platform::FolderPart(current);
        request.initialName = platform::FileNamePart(current);
        const std::optional<std::string> path = platform::GetFileDialogs().AskSave(request);
        if (!path) return false;
        printer.setOutputFileName(QString::fromStdString(*path));
        return true;
    }
    QPrintDialog dialog(&printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

std::string AppTitle() {
    return GTex().GetLine(keys::kSysAppTitle, 0);
}

PrintPage PageOf(QPagedPaintDevice& device, int dpi) {
    PrintPage page;
    page.dpi = dpi;
    const QRect full = device.pageLayout().fullRectPixels(dpi);
    page.width = full.width();
    page.height = full.height();
    return page;
}

}  // namespace

// Where a job's pages go: a system printer, or a PDF built in memory and written atomically.
struct cuiPrinter::Output {
    QBuffer buffer;
    std::unique_ptr<QPdfWriter> pdf;
    std::string pdfPath;
    QPagedPaintDevice* device = nullptr;
    QPainter painter;
    bool begun = false;
    bool failed = false;

    void UsePdf(const std::string& path, const QPageLayout& layout) {
        pdfPath = path;
        buffer.open(QIODevice::WriteOnly);
        pdf = std::make_unique<QPdfWriter>(&buffer);
        pdf->setResolution(kPdfDpi);
        QPageLayout l = layout;
        l.setMargins(QMarginsF(0, 0, 0, 0));
        l.setMinimumMargins(QMarginsF(0, 0, 0, 0));
        pdf->setPageLayout(l);
        pdf->setCreator(FromLatin1(AppTitle()));
        device = pdf.get();
    }
};

PrintRectangle PrinterMargins(const PrintPage& page) {
    return printlayout::Margins(GTex().GetLine(keys::kSysPrinterMargins, 0), page.dpi, page.width,
                                page.height);
}

int PrinterFontHeight(int points, int dpi) {
    return std::abs(std::clamp(points, 8, 12) * dpi / 72);
}

namespace {

// Holds a window's printer as a child object of the window.
class PrinterHolder : public QObject {
  public:
    PrinterHolder(QWidget* window, cuiMain* app) : QObject(window), printer(window, app) {
        setObjectName(QStringLiteral("cuiPrinter"));
    }
    cuiPrinter printer;
};

}  // namespace

cuiPrinter& WindowPrinter(QWidget* window, cuiMain* app) {
    for (QObject* child : window->children())
        if (auto* holder = dynamic_cast<PrinterHolder*>(child)) return holder->printer;
    return (new PrinterHolder(window, app))->printer;
}

cuiPrinter::cuiPrinter(QWidget* owner, cuiMain* app) : owner_(owner), app_(app) {}

cuiPrinter::~cuiPrinter() {
    if (task_) cmcTask::Release(task_);
    if (output_ && output_->begun) output_->painter.end();
    delete printingDialog_.data();
}

void cuiPrinter::SetSetupDialog(SetupDialog dialog) {
    SetupHook() = std::move(dialog);
}

std::string cuiPrinter::DefaultPdfPath() {
    std::string name = AppTitle();
    if (HasCellHost()) {
        // The open document's name without its extension, when it has one.
        if (auto* app = dynamic_cast<cuiMain*>(&CellHost()); app && !app->Untitled()) {
            std::string path = app->DocumentPath();
            name = platform::FileNamePart(path);
            name = name.substr(0, name.find_last_of('.'));
        }
    }
    return platform::JoinPath(platform::DocumentsFolder(), name + ".pdf");
}

QDialog* cuiPrinter::PrintingDialog() const {
    return printingDialog_.data();
}

std::vector<std::string> cuiPrinter::TreeSheetNames() const {
    std::vector<std::string> names;
    if (!app_) return names;
    std::set<std::string> seen;
    for (const auto& node : app_->Tree().Nodes()) {
        const std::string reference = node.SheetReference();
        if (reference.empty()) continue;
        std::string name = SheetTree::SheetName(reference);
        if (!name.empty() && seen.insert(name).second) names.push_back(name);
    }
    return names;
}

// --- one sheet ---

int cuiPrinter::PrintSheet(const std::string& name, const PrintRectangle& margins, bool previewOnly,
                           bool record) {
    int height = PrinterFontHeight(Environ().printerFontSize, page_.dpi);
    auto sheet = std::make_unique<PrintedSheet>(name, height, page_.dpi);
    const PrintRectangle body =
        DrawPageFrame(nullptr, margins, page_.dpi, sheet->Title(), &sheet->Style());
    const std::vector<int> colBlocks = printlayout::ColumnBlocks(
        sheet->ColumnWidths(), sheet->Model().FixedCols(), sheet->ColumnStarts(), body.Width());
    const std::vector<int> rowBlocks =
        printlayout::RowBlocks(sheet->RowHeights(), sheet->Model().FixedRows(), body.Height());
    int pages = 0;
    int firstRow = sheet->Model().FixedRows();
    bool stop = false;
    for (size_t rb = 0; rb < rowBlocks.size() && !stop; ++rb) {
        int firstColumn = sheet->Model().FixedCols();
        for (size_t cb = 0; cb < colBlocks.size() && !stop; ++cb) {
            const PrintBlock block{firstColumn, firstRow, colBlocks[cb], rowBlocks[rb]};
            QSize extent;
            for (int attempt = 0; attempt < 3; ++attempt) {
                if (!sheet) sheet = std::make_unique<PrintedSheet>(name, height, page_.dpi);
                if (!sheet->IsPrintable() || cancel_) break;
                extent = sheet->Measure(block);
                if (body.left + extent.width() <= body.right &&
                    body.top + extent.height() <= body.bottom)
                    break;
                height = std::max(
                    1, printlayout::ShrunkFontHeight(height, extent.width(), extent.height(),
                                                     body.Width(), body.Height()));
                sheet.reset();
            }
            if (!sheet) {
                sheet = std::make_unique<PrintedSheet>(name, height, page_.dpi);
                extent = sheet->Measure(block);
            }
            if (!sheet->IsPrintable() || cancel_) {
                stop = true;
                break;
            }
            // Pages outside the range the set-up dialog asked for are counted, not drawn.
            const bool wanted =
                ++jobPage_ >= firstPage_ && (lastPage_ <= 0 || jobPage_ <= lastPage_);
            if (!previewOnly && wanted && output_ && output_->device) {
                if (!output_->begun) Begin();
                if (pagePrinted_) NewPage();
                QPainter& p = output_->painter;
                if (p.isActive()) {
                    DrawPageFrame(&p, margins, page_.dpi, sheet->Title(), &sheet->Style());
                    sheet->Draw(p, QPoint(body.left, body.top), block,
                                QRect(QPoint(body.left, body.top),
                                      QPoint(body.right - 1, body.bottom - 1)));
                }
                pagePrinted_ = true;
            }
            if (record && preview_) {
                const PrintRectangle ext{body.left, body.top, body.left + extent.width(),
                                         body.top + extent.height()};
                preview_->AddPage(name, margins, block, ext, sheet->FontHeight());
            }
            ++pages;
            firstColumn += colBlocks[cb];
        }
        firstRow += rowBlocks[rb];
    }
    return pages;
}

int cuiPrinter::FillPreview(cuiPreview& preview, const PrintPage& page,
                            const std::vector<std::string>& names) {
    page_ = page;
    margins_ = PrinterMargins(page_);
    preview_ = &preview;
    int pages = 0;
    for (const std::string& name : names) pages += PrintSheet(name, margins_, true, false);
    preview.PreparePages(page_, pages);
    for (const std::string& name : names) PrintSheet(name, margins_, true, true);
    return pages;
}

// --- the document ---

void cuiPrinter::Begin() {
    if (!output_ || output_->begun) return;
    output_->begun = true;
    if (!output_->painter.begin(output_->device)) output_->failed = true;
}

void cuiPrinter::NewPage() {
    if (output_ && output_->begun && !output_->failed && !output_->device->newPage())
        output_->failed = true;
}

bool cuiPrinter::End(std::string* reason) {
    result_ = Result::kDone;
    if (!output_) return true;
    const bool failed = output_->failed;
    if (output_->begun && output_->painter.isActive()) output_->painter.end();
    if (failed) {
        result_ = output_->pdf ? Result::kWriteFailed : Result::kPrinterRefused;
        if (reason) *reason = "the document could not be made";
    } else if (output_->pdf) {
        output_->pdf.reset();  // finishes the document in the buffer
        output_->buffer.close();
        if (!output_->begun) {
            // Nothing was printable: no document, and no file.
            result_ = Result::kNoPages;
            if (reason) *reason = "there is no page to print";
        } else {
            std::string why;
            const QByteArray& bytes = output_->buffer.data();
            const platform::WriteResult written = platform::WriteFileAtomically(
                output_->pdfPath, std::string(bytes.constData(), size_t(bytes.size())), &why);
            if (written != platform::WriteResult::Ok) {
                result_ = written == platform::WriteResult::OpenFailed ? Result::kCannotOpen
                                                                       : Result::kWriteFailed;
                if (reason) *reason = why.empty() ? "the file cannot be written" : why;
            }
        }
    }
    output_.reset();
    return result_ == Result::kDone;
}

int cuiPrinter::WritePdf(const std::vector<std::string>& names, const std::string& path,
                         std::string* reason, double widthMm, double heightMm) {
    output_ = std::make_unique<Output>();
    const QPageSize size(QSizeF(widthMm, heightMm), QPageSize::Millimeter);
    output_->UsePdf(path, QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    page_ = PageOf(*output_->device, kPdfDpi);
    margins_ = PrinterMargins(page_);
    cancel_ = false;
    pagePrinted_ = false;
    firstPage_ = lastPage_ = jobPage_ = 0;  // every page
    int pages = 0;
    for (const std::string& name : names) pages += PrintSheet(name, margins_, false, false);
    if (!End(reason)) return -1;
    return pages;
}

// --- the print command ---

bool cuiPrinter::SetUp() {
    // The choices of the set-up dialog (printer or PDF file, paper) hold for the next job.
    if (!setup_) {
        setup_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        setup_->setFullPage(true);
        setup_->setDocName(FromLatin1(AppTitle()));
        // Without a system printer the job goes to a PDF file.
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            setup_->setOutputFormat(QPrinter::PdfFormat);
            setup_->setOutputFileName(QString::fromStdString(DefaultPdfPath()));
        }
    }
    QPrinter& printer = *setup_;
    printer.setPrintRange(QPrinter::AllPages);
    const SetupDialog& hook = SetupHook();
    if (!(hook ? hook(printer, owner_) : RealSetupDialog(printer, owner_))) return false;
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    firstPage_ = range ? printer.fromPage() : 0;
    lastPage_ = range ? printer.toPage() : 0;
    output_ = std::make_unique<Output>();
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        std::string path = printer.outputFileName().toStdString();
        if (path.empty()) path = DefaultPdfPath();
        output_->UsePdf(path, printer.pageLayout());
        page_ = PageOf(*output_->device, kPdfDpi);
    } else if (!printer.isValid() ||
               !QPrinterInfo::availablePrinterNames().contains(printer.printerName())) {
        // The user asked for a system printer, and there is none.
        output_.reset();
        platform::GetPrompter().Show(GTex().GetText(keys::kSysPrinterNoPrinter), AppTitle(),
                                     platform::PromptIcon::Error, platform::PromptButtons::Ok);
        return false;
    } else {
        output_->device = &printer;
        page_ = PageOf(printer, printer.resolution());
    }
    return true;
}

void cuiPrinter::BuildPrintingDialog() {
    cmcGTex& text = GTex();
    auto* dialog = new QDialog(owner_, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setWindowTitle(FromLatin1(text.GetLine(keys::kSysPrinterPrintingDialog, 0)));
    auto* label = new QLabel(FromLatin1(text.GetLine(keys::kSysPrinterPrintingDialog, 1)), dialog);
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    auto* button =
        new QPushButton(FromLatin1(text.GetLine(keys::kSysPrinterPrintingDialog, 2)), dialog);
    button->setObjectName(QStringLiteral("cancel"));
    button->setDefault(true);
    button->adjustSize();
    const int lw = label->width(), lh = label->height(), bh = button->height();
    const int width = 2 * lw, height = 3 * (lh + bh);
    const int bw = int(lw * 1.2);
    label->move((width - lw) / 2, 2 * lh);
    button->setGeometry((width - bw) / 2, height - int(1.5 * bh), bw, bh);
    dialog->setFixedSize(width, height);
    QObject::connect(button, &QPushButton::clicked, [this] { cancel_ = true; });
    // Escape cancels too, but the dialog stays until the document is ended.
    QObject::connect(dialog, &QDialog::rejected, [this] { cancel_ = true; });
    printingDialog_ = dialog;
}

void cuiPrinter::Print(bool all, const std::string& reference) {
    // A pending in-place edit is part of what is printed.
    EvMan().Send(ev::kCommitEditors);
    if (printingAll_ || preview_) return;  // one job at a time
    current_ = SheetTree::SheetName(reference);
    if (!all && current_.empty()) return;
    if (!SetUp()) return;
    if (owner_) owner_->setEnabled(false);
    cancel_ = false;
    pagePrinted_ = false;
    BuildPrintingDialog();
    margins_ = PrinterMargins(page_);

    cuiPreview preview(owner_, FromLatin1(AppTitle()), this);
    sheetList_.clear();
    bool answer = false;
    if (all) {
        sheetList_ = TreeSheetNames();
        FillPreview(preview, page_, sheetList_);
        answer = preview.ShowPreview();
    } else if (SheetIsPrintable(current_)) {
        FillPreview(preview, page_, {current_});
        answer = preview.ShowPreview();
    }
    preview_ = nullptr;

    jobPage_ = 0;  // the preview counted its pages; the printing counts them again
    if (answer && all) {
        printingDialog_->show();
        QThread::msleep(10);
        sheetCounter_ = 0;
        printingAll_ = true;
        if (!task_) {
            task_ = new cmcTask;
            task_->SetCallback(&cuiPrinter::Tick, this);
        }
        task_->SetInterval(50);
        return;
    }
    if (answer) {
        printingDialog_->show();
        QApplication::processEvents();
        QThread::msleep(10);
        PrintSheet(current_, margins_, false, false);
    }
    Finish();
}

void cuiPrinter::Tick(void* self, cmcTask*) {
    auto* p = static_cast<cuiPrinter*>(self);
    if (!p->printingAll_) return;
    // The document begins with its first page (PrintSheet): a job cancelled before any page
    // leaves no blank page behind, on paper or in place of a PDF file.
    if (p->sheetCounter_ < p->sheetList_.size())
        p->PrintSheet(p->sheetList_[p->sheetCounter_], p->margins_, false, false);
    ++p->sheetCounter_;
    if (p->sheetCounter_ >= p->sheetList_.size() || p->cancel_) {
        p->printingAll_ = false;
        if (p->task_) p->task_->SetInterval(-1);
        p->sheetList_.clear();
        p->Finish();
    }
}

void cuiPrinter::Finish() {
    std::string reason;
    const std::string path = output_ && output_->pdf ? output_->pdfPath : std::string();
    const bool began = output_ && output_->begun;
    const bool ok = End(&reason);
    if (owner_) {
        owner_->setEnabled(true);
        owner_->activateWindow();
    }
    delete printingDialog_.data();
    if (began && !ok) {
        // "'%s' was not written: %s." with the file (or the printer) and the reason.
        std::string message = GTex().GetLine(keys::kSysPrinterNotWritten, 0);
        for (const std::string& part : {path.empty() ? std::string("The document") : path, reason})
            if (size_t at = message.find("%s"); at != std::string::npos)
                message.replace(at, 2, part);
        platform::GetPrompter().Show(message, AppTitle(), platform::PromptIcon::Error,
                                     platform::PromptButtons::Ok);
    }
}
