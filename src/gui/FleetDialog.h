#pragma once
// Radio > Program a Fleet: the document as the template of many radios, each with its own MMSI
// and comment from a list, over the cables checked here side by side. The list is checked as
// soon as it is chosen; the table shows a line per cable and per row as the run goes; the run
// itself is the core's, stepped on the window's own event loop, so the window stays live.
#include <QDialog>
#include <QFile>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Fleet.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTimer;
class FleetTableModel;
class indMain;

class FleetDialog : public QDialog {
    Q_OBJECT
  public:
    FleetDialog(indMain& app, QWidget* owner);
    ~FleetDialog() override;

    // The list file, as Browse or typing and Enter give it: it is read and checked at once.
    void SetListFile(const QString& path);
    // The connected ports again; those checked stay checked.
    void RefreshPorts();
    bool Running() const { return run_ != nullptr; }

    QLineEdit* ListField() const { return listField_; }
    QLineEdit* LogField() const { return logField_; }
    QListWidget* PortList() const { return ports_; }
    QCheckBox* VerifyBox() const { return verify_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* StopButton() const { return stop_; }
    QPlainTextEdit* Problems() const { return problems_; }
    QTableView* Table() const { return table_; }
    QLabel* Status() const { return status_; }
    QLabel* Summary() const { return summary_; }
    const fleet::Board* Board() const { return board_.get(); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    // The list, the log and the cables checked again; the table shows what Start would do.
    void Recheck();
    void UpdateButtons();
    std::vector<fleet::Cable> CheckedCables() const;
    // What the log shows done; false with `why` when it cannot serve as the log.
    bool ReadLog(std::vector<std::string>& done, QString& why) const;
    bool OpenLog(QString& why);
    void AppendLog(const fleet::LogEntry& entry);
    void Start();
    void Stop();
    void OnEvent(const fleet::Event& event, bool cut);
    void Finish();
    // The radios that may hold part of the data, named.
    QString PartialLine() const;

    indMain& app_;
    QLabel* template_ = nullptr;
    QLineEdit* listField_ = nullptr;
    QLineEdit* logField_ = nullptr;
    QListWidget* ports_ = nullptr;
    QCheckBox* verify_ = nullptr;
    QLabel* status_ = nullptr;
    QStackedWidget* area_ = nullptr;
    QPlainTextEdit* problems_ = nullptr;
    QTableView* table_ = nullptr;
    FleetTableModel* model_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* watch_ = nullptr;

    QString listPath_;
    bool listGood_ = false;
    fleet::List list_;
    bool logGood_ = false;
    bool autoLog_ = true;  // the log path follows the list until the user names one
    std::unique_ptr<fleet::Board> board_;
    std::unique_ptr<fleet::FleetRun> run_;
    QFile log_;
    bool logFailed_ = false;
    int toWrite_ = 0;
    std::set<int> doneRadioPorts_;  // cables whose radio a run has done and not seen go
};

// Opens the dialog over the window (window-modal); it frees itself when closed.
FleetDialog* ShowFleetDialog(indMain& app, QWidget* owner);
