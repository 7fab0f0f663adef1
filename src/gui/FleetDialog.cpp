#include "gui/FleetDialog.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "app/indEnviron.h"
#include "app/indMain.h"
#include "comm/PortLists.h"
#include "gui/ScreenFit.h"
#include "platform/FileDialogs.h"
#include "platform/Prompt.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace {

// The dialog's lines in the overlay.
enum Text {
    kTitle,
    kTemplate,
    kListLabel,
    kListBrowse,
    kCablesLabel,
    kRefresh,
    kVerify,
    kLogLabel,
    kLogBrowse,
    kStart,
    kStop,
    kClose,
    kColumnPort,
    kColumnRow,
    kColumnMmsi,
    kColumnProgress,
    kColumnResult,
    kChooseList,
    kListUnreadable,
    kListRefused,
    kRowsInList,
    kRowsDoneBefore,
    kNoPort,
    kCheckCable,
    kNameLog,
    kLogUnusable,
    kRowWaiting,
    kRowDoneBefore,
    kRowWriting,
    kRowWritten,
    kRowVerified,
    kRowRetry,
    kRowFailed,
    kRowCut,
    kCableWaiting,
    kCableWriting,
    kCableLeftOut,
    kCableFinished,
    kRunning,
    kStopping,
    kSummaryWritten,
    kSummaryVerified,
    kSummaryFailed,
    kSummaryLeft,
    kSummaryPartial,
    kSummaryLogFailed,
    kAskClose,
    kRowName,
    kAndMore,
    kListFilter,
    kLogFilter,
    kLogIsInput,
    kIsFolder,
    kTooLarge,
};

QString Line(Text line) {
    const std::string s = GTex().GetLine(keys::kFleetDialog, line);
    return QString::fromLatin1(s.data(), int(s.size()));
}

// The overlay line with its "%s" places filled in turn.
QString Format(Text line, const QStringList& args) {
    const QString format = Line(line);
    QString out;
    int from = 0, next = 0;
    for (int at; (at = format.indexOf(QStringLiteral("%s"), from)) >= 0; from = at + 2) {
        out += format.mid(from, at - from);
        if (next < args.size()) out += args[next++];
    }
    return out + format.mid(from);
}

QString Utf8(const std::string& s) {
    return QString::fromUtf8(s.data(), int(s.size()));
}

QString RowNames(const std::vector<fleet::Row>& rows) {
    constexpr size_t kNamed = 20;
    QStringList names;
    for (size_t i = 0; i < rows.size() && i < kNamed; ++i)
        names << Format(kRowName, {QString::number(rows[i].number), Utf8(rows[i].mmsi)});
    QString out = names.join(QStringLiteral(", "));
    if (rows.size() > kNamed) out = Format(kAndMore, {out, QString::number(rows.size() - kNamed)});
    return out;
}

bool SameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

constexpr int kProgressRole = Qt::UserRole + 1;

// Progress as a bar while data moves, as text otherwise.
class ProgressDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant percent = index.data(kProgressRole);
        if (!percent.isValid()) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = percent.toInt();
        bar.text = index.data().toString();
        bar.textVisible = true;
        bar.state = option.state | QStyle::State_Horizontal;
        QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter);
    }
};

}  // namespace

// The cables first, in bold, then the list's rows.
class FleetTableModel : public QAbstractTableModel {
  public:
    explicit FleetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

    void SetBoard(const fleet::Board* board) {
        beginResetModel();
        board_ = board;
        endResetModel();
    }
    int CableLines() const { return board_ ? int(board_->Cables().size()) : 0; }
    void RowChanged(int rowLine) {
        if (rowLine >= 0)
            emit dataChanged(index(CableLines() + rowLine, 0),
                             index(CableLines() + rowLine, kColumns - 1));
    }
    void CablesChanged() {
        if (CableLines() > 0) emit dataChanged(index(0, 0), index(CableLines() - 1, kColumns - 1));
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || !board_ ? 0 : CableLines() + int(board_->Rows().size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : kColumns;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        return Line(Text(kColumnPort + section));
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!board_ || !index.isValid()) return {};
        const int cables = CableLines();
        if (index.row() < cables) {
            const fleet::CableLine& c = board_->Cables()[size_t(index.row())];
            const fleet::RowLine* row = c.row > 0 ? &board_->Rows()[size_t(c.row - 1)] : nullptr;
            if (role == Qt::FontRole) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            if (role == kProgressRole)
                return row && c.state == fleet::CableLine::kWriting ? QVariant(row->percent)
                                                                    : QVariant();
            if (role != Qt::DisplayRole) return {};
            switch (index.column()) {
                case 0:
                    return Utf8(c.cable.name);
                case 1:
                    return row ? QVariant(row->row.number) : QVariant();
                case 2:
                    return row ? Utf8(row->row.mmsi) : QString();
                case 3:
                    return row && c.state == fleet::CableLine::kWriting
                               ? QStringLiteral("%1 %").arg(row->percent)
                               : QString();
                default:
                    switch (c.state) {
                        case fleet::CableLine::kWaiting:
                            return Line(kCableWaiting);
                        case fleet::CableLine::kWriting:
                            return Format(kCableWriting, {QString::number(c.row)});
                        case fleet::CableLine::kLeftOut:
                            return Format(kCableLeftOut, {Utf8(c.message)});
                        case fleet::CableLine::kFinished:
                            return Line(kCableFinished);
                    }
                    return {};
            }
        }
        const fleet::RowLine& r = board_->Rows()[size_t(index.row() - cables)];
        if (role == kProgressRole)
            return r.state == fleet::RowLine::kWriting ? QVariant(r.percent) : QVariant();
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
            case 0:
                return Utf8(r.port);
            case 1:
                return r.row.number;
            case 2:
                return Utf8(r.row.mmsi);
            case 3:
                return r.state == fleet::RowLine::kWriting || r.state == fleet::RowLine::kWritten ||
                               r.state == fleet::RowLine::kVerified
                           ? QStringLiteral("%1 %").arg(r.percent)
                           : QString();
            default:
                switch (r.state) {
                    case fleet::RowLine::kWaiting:
                        return Line(kRowWaiting);
                    case fleet::RowLine::kDoneBefore:
                        return Line(kRowDoneBefore);
                    case fleet::RowLine::kWriting:
                        return Line(kRowWriting);
                    case fleet::RowLine::kWritten:
                        return Line(kRowWritten);
                    case fleet::RowLine::kVerified:
                        return Line(kRowVerified);
                    case fleet::RowLine::kRetry:
                        return Format(kRowRetry, {Utf8(r.message)});
                    case fleet::RowLine::kFailed:
                        return Format(kRowFailed, {Utf8(r.message)});
                    case fleet::RowLine::kCut:
                        return Format(kRowCut, {Utf8(r.message)});
                }
                return {};
        }
    }

  private:
    static constexpr int kColumns = 5;
    const fleet::Board* board_ = nullptr;
};

FleetDialog::FleetDialog(indMain& app, QWidget* owner) : QDialog(owner), app_(app) {
    setWindowTitle(Line(kTitle));
    // The window's font size, as the sheets have it.
    QFont f = QApplication::font();
    f.setPointSizeF(f.pointSizeF() * Environ().fontSizePercentage / 100.0);
    setFont(f);
    const int m = QFontMetrics(f).height();

    const QString document = app_.Untitled() ? (owner ? owner->windowTitle() : QString())
                                             : QFileInfo(Utf8(app_.DocumentPath())).fileName();
    const std::string model = GTex().GetLine(keys::kAppIndModel, app_.CurrentModelType());
    template_ = new QLabel(Format(kTemplate, {document, QString::fromLatin1(model.c_str())}), this);
    template_->setWordWrap(true);
    template_->setTextFormat(Qt::PlainText);

    auto* fields = new QGridLayout;
    auto* listLabel = new QLabel(Line(kListLabel), this);
    listField_ = new QLineEdit(this);
    listLabel->setBuddy(listField_);
    auto* listBrowse = new QPushButton(Line(kListBrowse), this);
    auto* logLabel = new QLabel(Line(kLogLabel), this);
    logField_ = new QLineEdit(this);
    logLabel->setBuddy(logField_);
    auto* logBrowse = new QPushButton(Line(kLogBrowse), this);
    fields->addWidget(listLabel, 0, 0);
    fields->addWidget(listField_, 0, 1);
    fields->addWidget(listBrowse, 0, 2);
    fields->addWidget(logLabel, 1, 0);
    fields->addWidget(logField_, 1, 1);
    fields->addWidget(logBrowse, 1, 2);
    fields->setColumnMinimumWidth(1, 24 * m);

    auto* cablesLabel = new QLabel(Line(kCablesLabel), this);
    ports_ = new QListWidget(this);
    cablesLabel->setBuddy(ports_);
    ports_->setFixedHeight(4 * QFontMetrics(f).lineSpacing() + 2 * ports_->frameWidth() + m / 2);
    auto* refresh = new QPushButton(Line(kRefresh), this);
    verify_ = new QCheckBox(Line(kVerify), this);
    verify_->setChecked(Environ().verifyAfterWrite);
    auto* cableColumn = new QVBoxLayout;
    cableColumn->addWidget(refresh);
    cableColumn->addStretch();
    auto* cables = new QHBoxLayout;
    cables->addWidget(ports_, 1);
    cables->addLayout(cableColumn);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    problems_ = new QPlainTextEdit(this);
    problems_->setReadOnly(true);
    problems_->setLineWrapMode(QPlainTextEdit::NoWrap);
    table_ = new QTableView(this);
    model_ = new FleetTableModel(this);
    table_->setModel(model_);
    table_->setItemDelegateForColumn(3, new ProgressDelegate(table_));
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(f).height() + m / 2);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics fm(f);
    table_->setColumnWidth(0, fm.horizontalAdvance(QStringLiteral("port 256WW")));
    table_->setColumnWidth(1, fm.horizontalAdvance(QStringLiteral("99999WW")));
    table_->setColumnWidth(2, fm.horizontalAdvance(QStringLiteral("999999999WW")));
    table_->setColumnWidth(3, fm.horizontalAdvance(QStringLiteral("100 %WWWW")));
    area_ = new QStackedWidget(this);
    area_->addWidget(table_);
    area_->addWidget(problems_);
    area_->setMinimumHeight(6 * m);

    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    start_ = new QPushButton(Line(kStart), this);
    stop_ = new QPushButton(Line(kStop), this);
    close_ = new QPushButton(Line(kClose), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addWidget(close_);

    // Enter in a field takes what was typed; it presses no button.
    for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(template_);
    layout->addLayout(fields);
    layout->addWidget(cablesLabel);
    layout->addLayout(cables);
    layout->addWidget(verify_);
    layout->addWidget(status_);
    layout->addWidget(area_, 1);
    layout->addWidget(summary_);
    layout->addLayout(buttons);

    watch_ = new QTimer(this);
    watch_->setInterval(100);
    connect(watch_, &QTimer::timeout, this, [this] {
        if (run_ && run_->Finished()) Finish();
    });
    connect(listBrowse, &QPushButton::clicked, this, [this] {
        platform::FileDialogRequest r;
        r.filter = Line(kListFilter).toStdString();
        r.defaultExtension = "csv";
        r.initialDirectory = QFileInfo(listField_->text()).absolutePath().toStdString();
        if (auto path = platform::GetFileDialogs().AskOpen(r)) SetListFile(Utf8(*path));
    });
    connect(listField_, &QLineEdit::editingFinished, this, [this] {
        if (listField_->text() != listPath_) SetListFile(listField_->text());
    });
    connect(logBrowse, &QPushButton::clicked, this, [this] {
        platform::FileDialogRequest r;
        r.filter = Line(kLogFilter).toStdString();
        r.defaultExtension = "csv";
        const QFileInfo now(logField_->text());
        r.initialDirectory = now.absolutePath().toStdString();
        r.initialName = now.fileName().toStdString();
        if (auto path = platform::GetFileDialogs().AskSave(r)) {
            autoLog_ = false;
            logField_->setText(Utf8(*path));
            Recheck();
        }
    });
    connect(logField_, &QLineEdit::textEdited, this, [this] { autoLog_ = false; });
    connect(logField_, &QLineEdit::editingFinished, this, [this] { Recheck(); });
    connect(refresh, &QPushButton::clicked, this, &FleetDialog::RefreshPorts);
    connect(ports_, &QListWidget::itemChanged, this, [this] {
        if (!run_) Recheck();
    });
    connect(verify_, &QCheckBox::toggled, this, [this] { Recheck(); });
    connect(start_, &QPushButton::clicked, this, &FleetDialog::Start);
    connect(stop_, &QPushButton::clicked, this, &FleetDialog::Stop);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    RefreshPorts();
    Recheck();

    // As wide as the table's columns need, as high as the screen allows (an 800-pixel-high
    // screen included): the table takes what is left.
    const QSize hint = sizeHint();
    const int width = std::max(hint.width(), 50 * m);
    int height = std::max(hint.height(), 30 * m);
    if (QScreen* screen = owner ? owner->screen() : QApplication::primaryScreen())
        height = std::min(height, screen->availableGeometry().height() * 9 / 10);
    resize(width, height);
    QRect place(QPoint(0, 0), size());
    if (owner) place.moveCenter(owner->frameGeometry().center());
    FitIntoScreen(this, place, true);
}

FleetDialog::~FleetDialog() {
    // Closing ends the run first (the question was asked); a run never outlives its window.
    if (run_) {
        for (const auto& e : run_->Abort()) AppendLog(e.log);
        run_.reset();
    }
}

void FleetDialog::SetListFile(const QString& path) {
    listPath_ = path;
    listField_->setText(path);
    if (autoLog_ && !path.isEmpty()) {
        const QFileInfo list(path);
        logField_->setText(
            list.absoluteDir().filePath(list.completeBaseName() + QStringLiteral("-log.csv")));
    }
    listGood_ = false;
    list_ = {};
    problems_->clear();
    if (!path.isEmpty()) {
        QFile file(path);
        constexpr qint64 kMaxList = 64 * 1024 * 1024;
        const QFileInfo info(path);
        // A pipe or a device is never opened: it could hold the window.
        if (info.exists() && !info.isFile()) {
            list_.problems.push_back(Format(kListUnreadable, {Line(kIsFolder)}).toStdString());
        } else if (!file.open(QIODevice::ReadOnly)) {
            list_.problems.push_back(Format(kListUnreadable, {file.errorString()}).toStdString());
        } else if (file.size() > kMaxList) {
            list_.problems.push_back(Format(kListUnreadable, {Line(kTooLarge)}).toStdString());
        } else {
            const QByteArray text = file.readAll();
            list_ = fleet::ReadList(text.toStdString(), app_.Working(), app_.CurrentModelType());
            listGood_ = list_.Good();
        }
        QStringList lines;
        for (const auto& p : list_.problems) lines << Utf8(p);
        problems_->setPlainText(lines.join('\n'));
    }
    Recheck();
}

void FleetDialog::RefreshPorts() {
    std::set<int> checked;
    for (int i = 0; i < ports_->count(); ++i)
        if (ports_->item(i)->checkState() == Qt::Checked)
            checked.insert(ports_->item(i)->data(Qt::UserRole).toInt());
    if (ports_->count() == 0) checked.insert(Environ().comPort);
    std::vector<std::string> numbers, described;
    ListPresentPorts(numbers);
    DescribePorts(numbers, described);
    const QSignalBlocker quiet(ports_);
    ports_->clear();
    for (const auto& d : described) {
        const int port = PortNumberOf(d);
        auto* item = new QListWidgetItem(Utf8(d), ports_);
        item->setData(Qt::UserRole, port);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.count(port) ? Qt::Checked : Qt::Unchecked);
    }
    Recheck();
}

std::vector<fleet::Cable> FleetDialog::CheckedCables() const {
    std::vector<fleet::Cable> cables;
    for (int i = 0; i < ports_->count(); ++i) {
        const QListWidgetItem* item = ports_->item(i);
        if (item->checkState() != Qt::Checked) continue;
        fleet::Cable c;
        c.port = item->data(Qt::UserRole).toInt();
        c.name = "port " + std::to_string(c.port);
        cables.push_back(c);
    }
    return cables;
}

bool FleetDialog::ReadLog(std::vector<std::string>& done, QString& why) const {
    const QString path = logField_->text();
    if (SameFile(path, listPath_) || SameFile(path, Utf8(app_.DocumentPath()))) {
        why = Format(kLogUnusable, {Line(kLogIsInput)});
        return false;
    }
    QFile file(path);
    if (!file.exists()) return true;
    if (!QFileInfo(path).isFile()) {
        why = Format(kLogUnusable, {Line(kIsFolder)});
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        why = Format(kLogUnusable, {file.errorString()});
        return false;
    }
    std::string reason;
    if (!fleet::DoneInLog(file.readAll().toStdString(), !verify_->isChecked(), done, reason)) {
        why = Format(kLogUnusable, {Utf8(reason)});
        return false;
    }
    return true;
}

void FleetDialog::Recheck() {
    if (run_) return;
    QStringList status;
    std::vector<std::string> done;
    logGood_ = false;
    if (listPath_.isEmpty()) {
        status << Line(kChooseList);
    } else if (!listGood_) {
        status << Line(kListRefused);
    } else {
        status << Format(kRowsInList, {QString::number(list_.rows.size())});
        QString why;
        if (logField_->text().trimmed().isEmpty())
            status << Line(kNameLog);
        else if (!ReadLog(done, why))
            status << why;
        else
            logGood_ = true;
    }
    board_ = std::make_unique<fleet::Board>(listGood_ ? list_.rows : std::vector<fleet::Row>{},
                                            CheckedCables(), done);
    model_->SetBoard(board_.get());
    if (listGood_ && logGood_) {
        const int skipped = board_->Count(fleet::RowLine::kDoneBefore);
        if (skipped > 0) status << Format(kRowsDoneBefore, {QString::number(skipped)});
    }
    if (ports_->count() == 0)
        status << Line(kNoPort);
    else if (CheckedCables().empty())
        status << Line(kCheckCable);
    status_->setText(status.join(' '));
    area_->setCurrentWidget(!listPath_.isEmpty() && !listGood_ ? static_cast<QWidget*>(problems_)
                                                               : table_);
    UpdateButtons();
}

void FleetDialog::UpdateButtons() {
    const bool ready =
        listGood_ && logGood_ && !CheckedCables().empty() && board_ && !board_->ToWrite().empty();
    start_->setEnabled(!run_ && ready);
    stop_->setEnabled(run_ && !run_->Finished());
    for (QWidget* w : std::initializer_list<QWidget*>{listField_, logField_, ports_, verify_})
        w->setEnabled(!run_);
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b != start_ && b != stop_ && b != close_) b->setEnabled(!run_);
}

bool FleetDialog::OpenLog(QString& why) {
    std::vector<std::string> done;
    if (!ReadLog(done, why)) return false;
    log_.setFileName(logField_->text());
    if (!log_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        why = Format(kLogUnusable, {log_.errorString()});
        return false;
    }
    if (log_.size() == 0) {
        const std::string header = fleet::LogHeader();
        if (log_.write(header.data(), qint64(header.size())) != qint64(header.size()) ||
            !log_.flush()) {
            why = Format(kLogUnusable, {log_.errorString()});
            log_.close();
            return false;
        }
    }
    return true;
}

void FleetDialog::AppendLog(const fleet::LogEntry& entry) {
    if (!log_.isOpen()) return;
    const std::string line = fleet::LogLine(entry);
    if (log_.write(line.data(), qint64(line.size())) != qint64(line.size()) || !log_.flush())
        logFailed_ = true;
}

void FleetDialog::Start() {
    if (run_) return;
    Recheck();  // the log as it is now: rows another run finished meanwhile are skipped
    if (!start_->isEnabled()) return;
    QString why;
    if (!OpenLog(why)) {
        status_->setText(why);
        start_->setEnabled(false);
        return;
    }
    logFailed_ = false;
    summary_->clear();
    const std::vector<fleet::Row> rows = board_->ToWrite();
    toWrite_ = int(rows.size());
    fleet::Options options;
    options.verify = verify_->isChecked();
    std::vector<fleet::Cable> cables = CheckedCables();
    for (auto& c : cables) c.doneRadioOn = doneRadioPorts_.count(c.port) > 0;
    run_ = std::make_unique<fleet::FleetRun>(app_, rows, cables, options,
                                             [this](const fleet::Event& e) { OnEvent(e, false); });
    status_->setText(Line(kRunning));
    UpdateButtons();
    run_->Start();
    watch_->start();
}

void FleetDialog::Stop() {
    if (!run_) return;
    run_->Stop();
    status_->setText(Line(kStopping));
    stop_->setEnabled(false);
    model_->CablesChanged();
}

void FleetDialog::OnEvent(const fleet::Event& e, bool cut) {
    const int changed = board_->Take(e, cut);
    model_->RowChanged(changed);
    model_->CablesChanged();
    if (e.kind == fleet::Event::kWritten || e.kind == fleet::Event::kFailed) AppendLog(e.log);
}

void FleetDialog::Finish() {
    if (!run_) return;
    watch_->stop();
    const int written =
        board_->Count(fleet::RowLine::kWritten) + board_->Count(fleet::RowLine::kVerified);
    QStringList lines;
    lines << Format(verify_->isChecked() ? kSummaryVerified : kSummaryWritten,
                    {QString::number(written), QString::number(toWrite_)});
    if (!run_->Failed().empty()) lines << Format(kSummaryFailed, {RowNames(run_->Failed())});
    if (!run_->Left().empty()) lines << Format(kSummaryLeft, {RowNames(run_->Left())});
    if (!board_->Partial().empty()) lines << PartialLine();
    if (logFailed_) lines << Line(kSummaryLogFailed);
    summary_->setText(lines.join('\n'));
    // A radio still on its cable is not taken for another row by the next Start.
    for (const auto& c : board_->Cables()) {
        if (c.radioDone)
            doneRadioPorts_.insert(c.cable.port);
        else
            doneRadioPorts_.erase(c.cable.port);
    }
    status_->clear();
    log_.close();
    // The run closes its ports; it is not freed inside its own report.
    run_.reset();
    model_->CablesChanged();
    UpdateButtons();
}

QString FleetDialog::PartialLine() const {
    QStringList radios;
    for (const auto& e : board_->Partial())
        radios << Utf8(e.port) + QStringLiteral(" (") +
                      Format(kRowName, {QString::number(e.row), Utf8(e.mmsi)}) + ')';
    return Format(kSummaryPartial, {radios.join(QStringLiteral(", "))});
}

void FleetDialog::closeEvent(QCloseEvent* event) {
    if (run_ && !run_->Finished()) {
        const int answer = platform::GetPrompter().Show(
            Line(kAskClose).toStdString(), Line(kTitle).toStdString(),
            platform::PromptIcon::Warning, platform::PromptButtons::OkCancel);
        if (answer != platform::kAnswerOk) return event->ignore();
        // The run may have ended while the question was open.
        if (run_)
            for (const auto& e : run_->Abort()) OnEvent(e, true);
        Finish();
        if (!board_->Partial().empty())
            platform::GetPrompter().Show(PartialLine().toStdString(), Line(kTitle).toStdString(),
                                         platform::PromptIcon::Warning,
                                         platform::PromptButtons::Ok);
    }
    Finish();
    event->accept();
}

void FleetDialog::reject() {
    close();  // Escape asks as the close button does
}

FleetDialog* ShowFleetDialog(indMain& app, QWidget* owner) {
    auto* dialog = new FleetDialog(app, owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}
