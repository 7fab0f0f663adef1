#pragma once
// Programming a fleet: one template image written into many radios, each with its own MMSI and
// clone comment from a list, over several cables side by side.
//
// The list is a CSV file with a header (MMSI required; Comment and ATIS optional), UTF-8 with or
// without a byte-order mark, separated by commas or semicolons. Every row is checked before any
// radio is touched, and a list with a bad row is refused whole.
//
// FleetRun drives one clone manager per cable on the program's one run loop: each cable polls
// its port until a ready radio answers, takes the next row, writes the template with that row's
// values, reads it back when asked to and compares, and then waits for that radio to go before
// it takes the next one. A failed row goes back to the list once; a second failure marks it
// failed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/CloneResult.h"
#include "radio/cmcEeprom.h"

class indMain;

namespace fleet {

struct Row {
    int number = 0;  // 1-based row of the list, the header not counted
    int line = 0;    // line of the file it starts on
    std::string mmsi;
    std::string comment;  // empty: the template's own
    std::string atis;
};

struct List {
    std::vector<Row> rows;
    std::vector<std::string> problems;  // "row 3 (line 4): ..." for every bad row
    bool Good() const { return problems.empty() && !rows.empty(); }
};

// Reads and checks the list against the template (the document's image, of the model type
// given): every row a valid ship MMSI, none twice, ATIS only in a model that has it, and
// the template with the row applied without an error in its warning list.
List ReadList(const std::string& text, const cmcEeprom& templ, int modelType);

// The template with the row's MMSI (own DSC ID and its check byte) and clone comment.
void ApplyRow(cmcEeprom& image, const Row& row);

// One line of the log, and what a resumed run skips.
struct LogEntry {
    std::string time;  // ISO 8601, UTC
    std::string port;
    int row = 0;
    std::string mmsi;
    std::string comment;
    std::string model;
    std::string revision;
    std::string result;  // "written", "verified" or "failed"
    int code = 0;        // the clone result number of a failure
    std::string message;
    double seconds = 0;
};
std::string LogHeader();
std::string LogLine(const LogEntry& entry);
// The MMSIs that the log text shows as done: verified, or written when `writtenIsDone` (a run
// without the check after writing). False with `why` when the text is no fleet log.
bool DoneInLog(const std::string& text, bool writtenIsDone, std::vector<std::string>& mmsis,
               std::string& why);

// What happens on the cables, for the terminal, the log and the window's table.
struct Event {
    enum Kind {
        kPortFailed,  // the cable's port cannot be used: it is left out (message)
        kRadioFound,  // a ready radio answered and took a row
        kProgress,    // data moved (percent)
        kWritten,     // written (and verified when asked): the log line is in `log`
        kFailed,      // this radio failed the row; `retry` says whether the row goes back
        kGone,        // the radio was taken off; the cable waits for the next
        kIdle,        // the cable has nothing left to do
    };
    Kind kind = kIdle;
    int cable = 0;
    std::string port;
    int row = 0;
    std::string mmsi;
    int percent = 0;
    bool retry = false;
    bool partial = false;  // a failure after data went out: the radio may hold part of it
    std::string message;
    LogEntry log;
};

struct Options {
    bool verify = false;
    // Before each radio on a cable: ask for it (true goes on, false stops the cable). Empty: poll
    // and take each new radio as it answers.
    std::function<bool(int cable, const Row& next)> askForRadio;
    int pollPauseMs = 300;
};

struct Cable {
    int port = 0;      // number in the port table
    std::string name;  // as messages name it
    // The radio on it is one an earlier run has done: the cable waits for it to go before it
    // takes a row, as after a radio of this run.
    bool doneRadioOn = false;
};

class FleetRun {
  public:
    // `app` holds the template as its working image; rows are those still to write.
    FleetRun(indMain& app, std::vector<Row> rows, std::vector<Cable> cables, Options options,
             std::function<void(const Event&)> report);
    ~FleetRun();
    FleetRun(const FleetRun&) = delete;
    FleetRun& operator=(const FleetRun&) = delete;

    void Start();
    // Takes no new radio; the runs under way finish.
    void Stop();
    // Ends the runs under way at once; returns the events of those that may hold part of the
    // data.
    std::vector<Event> Abort();
    bool Finished() const;

    // Rows written, failed twice, and never written (still in the list or under way).
    const std::vector<Row>& Written() const { return written_; }
    const std::vector<Row>& Failed() const { return failed_; }
    std::vector<Row> Left() const;

  private:
    struct CableRun;
    friend struct CableRun;
    bool TakeRow(Row& row);
    // A failed row goes back to the front of the list; false when it failed twice now.
    bool GiveBack(const Row& row);

    indMain& app_;
    cmcEeprom template_;
    std::vector<Row> queue_;                  // rows not yet taken, in list order
    std::vector<std::pair<int, int>> tries_;  // row number, failures
    std::vector<Row> written_, failed_;
    std::vector<std::unique_ptr<CableRun>> cables_;
    Options options_;
    std::function<void(const Event&)> report_;
    bool stopping_ = false;
};

// What a window shows of a run: a line per list row and per cable, folded from the run's events,
// and the radios that may hold part of the data.
struct RowLine {
    enum State { kWaiting, kDoneBefore, kWriting, kWritten, kVerified, kRetry, kFailed, kCut };
    Row row;
    State state = kWaiting;
    std::string port;  // the cable that has or had it
    int percent = 0;
    std::string message;  // why it failed or was cut off
};
struct CableLine {
    enum State { kWaiting, kWriting, kLeftOut, kFinished };
    Cable cable;
    State state = kWaiting;
    int row = 0;
    std::string message;
    bool radioDone = false;  // the radio last done on it has not been seen to go
};

class Board {
  public:
    // The list's rows; those whose MMSI is in `doneBefore` (a log's) are not written again.
    Board(const std::vector<Row>& rows, const std::vector<Cable>& cables,
          const std::vector<std::string>& doneBefore);

    // The rows to hand to the run.
    std::vector<Row> ToWrite() const;
    // Folds an event of the run in (and one of FleetRun::Abort, as `cut`); the row line it
    // changed, or -1.
    int Take(const Event& event, bool cut = false);

    const std::vector<RowLine>& Rows() const { return rows_; }
    const std::vector<CableLine>& Cables() const { return cables_; }
    int Count(RowLine::State state) const;
    // Radios a failure or a cut left after data went out: they may hold part of it.
    const std::vector<Event>& Partial() const { return partial_; }

  private:
    std::vector<RowLine> rows_;  // by row number - 1
    std::vector<CableLine> cables_;
    std::vector<Event> partial_;
};

}  // namespace fleet
