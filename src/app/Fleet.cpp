#include "app/Fleet.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <unordered_map>

#include "app/CloneMessages.h"
#include "app/Csv.h"
#include "app/ImageCompare.h"
#include "app/WarningMessages.h"
#include "app/indMain.h"
#include "base/cmcTask.h"
#include "comm/RadioIdentity.h"
#include "comm/dst_CDrv_Result.h"
#include "comm/indCloneMan.h"
#include "platform/Clock.h"
#include "radio/Mmsi.h"
#include "radio/SettingsCells.h"
#include "radio/SettingsMap.h"
#include "radio/TransmitRules.h"
#include "radio/WarningCheck.h"
#include "sheet/CellCatalogue.h"
#include "text/OverlayKeys.h"
#include "text/cmcGTex.h"

namespace fleet {

namespace {

std::string Trim(std::string s) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && space(s.back())) s.pop_back();
    size_t i = 0;
    while (i < s.size() && space(s[i])) ++i;
    return s.substr(i);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A spreadsheet's text cell ="..." holds the text inside.
std::string Unwrapped(std::string s) {
    if (s.size() >= 3 && s[0] == '=' && s[1] == '"' && s.back() == '"')
        return s.substr(2, s.size() - 3);
    return s;
}

std::string MmsiProblem(const std::string& digits, mmsi::Fault fault) {
    switch (fault) {
        case mmsi::Fault::None:
            return {};
        case mmsi::Fault::NotDigits:
            return "MMSI '" + digits + "' is not nine digits";
        default: {
            // The warning list's own words for an own MMSI of this fault.
            warncheck::Finding f;
            f.code = warncheck::Code::OwnIdFault;
            f.mmsiFault = fault;
            f.digits = digits;
            f.error = true;
            f.check = CL_Check_Dsc_SelfId;
            f.category = CT_Null;
            f.label = CL_ComDsc_SelfId;
            return WarningText(f);
        }
    }
}

bool CommentFits(const std::string& comment, std::string& why) {
    if (comment.size() > static_cast<size_t>(smap::kCloneCommentLength)) {
        why = "the comment '" + comment + "' is longer than " +
              std::to_string(smap::kCloneCommentLength) + " characters";
        return false;
    }
    for (char c : comment) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            why = "the comment '" + comment +
                  "' holds characters the radio cannot show (letters A-Z, digits and signs only)";
            return false;
        }
    }
    return true;
}

// Only the errors that the row's own values bring in: the template's own are refused before.
bool SameFinding(const warncheck::Finding& a, const warncheck::Finding& b) {
    return a.code == b.code && a.category == b.category && a.label == b.label && a.row == b.row &&
           a.other == b.other && a.digits == b.digits;
}

}  // namespace

List ReadList(const std::string& input, const cmcEeprom& templ, int modelType) {
    List list;
    std::string text = input;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    const size_t headerEnd = text.find_first_of("\r\n");
    const std::string headerLine = text.substr(0, headerEnd);
    if (Trim(text).empty()) {
        list.problems.push_back(
            "the list is empty: it needs a header line (MMSI) and a row a radio");
        return list;
    }
    const char separator =
        headerLine.find(';') != std::string::npos && headerLine.find(',') == std::string::npos
            ? ';'
            : ',';
    std::vector<csv::Row> records;
    std::vector<int> lines;
    csv::ParseError error;
    if (!csv::Parse(text, &records, &error, &lines, separator)) {
        list.problems.push_back("line " + std::to_string(error.line) + ": " + error.what +
                                " (this is no CSV list)");
        return list;
    }
    int mmsiColumn = -1, commentColumn = -1, atisColumn = -1;
    const csv::Row& header = records.front();
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string name = Lower(Trim(header[i]));
        int* column = name == "mmsi"      ? &mmsiColumn
                      : name == "comment" ? &commentColumn
                      : name == "atis"    ? &atisColumn
                                          : nullptr;
        if (!column) {
            list.problems.push_back("the header names the column '" + Trim(header[i]) +
                                    "'; a list has the columns MMSI, Comment and ATIS");
            continue;
        }
        if (*column >= 0) list.problems.push_back("the header names " + Trim(header[i]) + " twice");
        *column = static_cast<int>(i);
    }
    if (mmsiColumn < 0)
        list.problems.push_back(
            "the header line has no MMSI column (the first line must name "
            "the columns: MMSI, Comment, ATIS)");
    if (!list.problems.empty()) return list;

    // The template's own errors are the template's fault, not any row's. A row changes only the
    // own ID and the clone comment, and no check reads the comment: the checks the own ID takes
    // part in are all that a row can change.
    cmcEeprom image;
    image.Assign(templ);
    const std::vector<warncheck::Finding> templateFindings = warncheck::CheckOwnIdentity(image);

    std::unordered_map<std::string, int> seen;
    const bool inland = modelType >= txrules::kFirstInlandModelType;
    for (size_t r = 1; r < records.size(); ++r) {
        const csv::Row& record = records[r];
        bool blank = true;
        for (const auto& f : record) blank = blank && Trim(f).empty();
        if (blank) continue;  // empty lines, as a spreadsheet leaves them at the end
        Row row;
        row.number = static_cast<int>(list.rows.size() + 1);
        row.line = lines[r];
        const std::string where =
            "row " + std::to_string(row.number) + " (line " + std::to_string(row.line) + "): ";
        auto field = [&](int column) {
            return column >= 0 && static_cast<size_t>(column) < record.size()
                       ? Trim(Unwrapped(Trim(record[column])))
                       : std::string();
        };
        row.mmsi = field(mmsiColumn);
        row.comment = field(commentColumn);
        row.atis = field(atisColumn);
        std::vector<std::string> problems;
        if (record.size() > header.size())
            problems.push_back("it has " + std::to_string(record.size()) + " fields, the header " +
                               std::to_string(header.size()));
        const mmsi::Fault fault =
            row.mmsi.empty() ? mmsi::Fault::NotDigits : mmsi::CheckShipMmsi(row.mmsi);
        if (row.mmsi.empty())
            problems.push_back("no MMSI");
        else if (fault != mmsi::Fault::None)
            problems.push_back(MmsiProblem(row.mmsi, fault));
        if (fault == mmsi::Fault::None) {
            auto [it, fresh] = seen.emplace(row.mmsi, row.number);
            if (!fresh)
                problems.push_back("MMSI " + row.mmsi + " is already in row " +
                                   std::to_string(it->second));
        }
        std::string why;
        if (!CommentFits(row.comment, why)) problems.push_back(why);
        if (!row.atis.empty()) {
            problems.push_back(
                inland ? "an ATIS ID cannot be set by this program: the radio keeps it where no "
                         "clone reaches; leave ATIS empty"
                       : "ATIS " + row.atis +
                             ": the template's model has no ATIS (only inland-waterway radios do)");
        }
        if (problems.empty()) {
            image.Assign(templ);
            ApplyRow(image, row);
            for (const auto& f : warncheck::CheckOwnIdentity(image)) {
                if (!f.error) continue;
                bool own = false;
                for (const auto& t : templateFindings) own = own || SameFinding(f, t);
                if (!own) problems.push_back(WarningText(f));
            }
        }
        for (const auto& p : problems) list.problems.push_back(where + p);
        list.rows.push_back(std::move(row));
    }
    if (list.rows.empty() && list.problems.empty())
        list.problems.push_back("the list is empty: it has a header line but no row");
    return list;
}

void ApplyRow(cmcEeprom& image, const Row& row) {
    std::string digits = row.mmsi + "0";  // the tenth digit is always 0
    uint8_t id[5];
    for (int i = 0; i < 5; ++i) {
        id[i] = static_cast<uint8_t>((digits[2 * i] - '0') * 10 + (digits[2 * i + 1] - '0'));
        image.SetByte(smap::kSelfId + i, id[i]);
    }
    image.SetByte(smap::kSelfIdCheck, SelfIdCheckByte(id));
    if (!row.comment.empty()) {
        for (int i = 0; i < smap::kCloneCommentLength; ++i)
            image.SetByte(smap::kCloneComment + i, static_cast<size_t>(i) < row.comment.size()
                                                       ? static_cast<uint8_t>(row.comment[i])
                                                       : uint8_t{' '});
    }
}

// --- the log ---

namespace {
const csv::Row kLogColumns = {"time",     "port",   "row",  "mmsi",    "comment", "model",
                              "revision", "result", "code", "message", "seconds"};
}

std::string LogHeader() {
    return csv::FormatRow(kLogColumns);
}

std::string LogLine(const LogEntry& e) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", e.seconds);
    return csv::FormatRow({e.time, e.port, std::to_string(e.row), e.mmsi, e.comment, e.model,
                           e.revision, e.result, std::to_string(e.code), e.message, seconds});
}

bool DoneInLog(const std::string& text, bool writtenIsDone, std::vector<std::string>& mmsis,
               std::string& why) {
    std::vector<csv::Row> rows;
    csv::ParseError error;
    if (!csv::Parse(text, &rows, &error)) {
        why = "line " + std::to_string(error.line) + ": " + error.what;
        return false;
    }
    if (rows.empty()) return true;
    if (rows.front() != kLogColumns) {
        why = "it is no log of kelda-cli fleet (its first line is not the log's header)";
        return false;
    }
    for (size_t i = 1; i < rows.size(); ++i) {
        const csv::Row& r = rows[i];
        if (r.size() != kLogColumns.size()) continue;
        if (r[7] == "verified" || (writtenIsDone && r[7] == "written")) mmsis.push_back(r[3]);
    }
    return true;
}

// --- the cables ---

namespace {

std::string NowIso() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::string ModelName(int index) {
    for (int line = 0; line <= index; ++line) {
        std::string text = GTex().GetLine(keys::kAppIndModel, line);
        if (!text.empty() && text[0] == '#') break;
        if (line == index) return text;
    }
    return "model " + std::to_string(index);
}

std::string Shown(const uint8_t* bytes, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += bytes[i] >= 0x20 && bytes[i] <= 0x7E ? char(bytes[i]) : ' ';
    return s;
}

constexpr int kTickMs = 20;
constexpr int kGonePolls = 3;

// The first paragraph of a failure's message: what happened, without the hints.
std::string Headline(const std::string& text) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (end == at) break;
        out += (out.empty() ? "" : " ") + text.substr(at, end - at);
        at = end + 1;
    }
    return out;
}

}  // namespace

struct FleetRun::CableRun : CloneManView {
    enum class State { kPause, kInfo, kWrite, kVerify, kIdle, kDead };

    FleetRun& run;
    int index;
    Cable cable;
    std::unique_ptr<indCloneMan> man = std::make_unique<indCloneMan>();
    cmcTask* task = new cmcTask;
    State state = State::kPause;
    uint32_t resumeAt = 0;
    bool everAnswered = false;  // some radio ever answered on this port
    bool awaitGone = false;     // the last radio is still on the cable
    int silentPolls = 0;        // polls without an answer since the last radio answered
    bool asked = false;         // the user was asked for the next radio
    bool holding = false;       // a row is under way
    Row row;
    std::array<uint8_t, radioid::kSize> identity{};
    cmcEeprom written;
    const AddressRange* writtenList = nullptr;
    uint32_t startedMs = 0;
    int lastPercent = -1;
    std::string failureText;

    CableRun(FleetRun& r, int i, Cable c) : run(r), index(i), cable(std::move(c)) {
        man->SetPortSource([port = cable.port] { return port; });
        man->SetPortNamedByDevice(true);
        man->SetInfoCheck(&CableRun::InfoCheck, this);
        man->SetReadCheck(&CableRun::ReadCheck, this);
        man->SetView(this);
        man->SetFailureReport(
            [this](const CloneFailure& f) { failureText = Headline(CloneFailureText(f)); });
        task->SetCallback(&CableRun::Tick, this);
        awaitGone = cable.doneRadioOn && !run.options_.askForRadio;
    }
    ~CableRun() override {
        cmcTask::Release(task);
        if (man) man->SetView(nullptr);
    }

    Event Make(Event::Kind kind) const {
        Event e;
        e.kind = kind;
        e.cable = index;
        e.port = cable.name;
        e.row = holding ? row.number : 0;
        e.mmsi = holding ? row.mmsi : std::string();
        return e;
    }

    void Start() {
        resumeAt = platform::GetClock().NowMs();
        task->SetInterval(kTickMs);
    }

    static void Tick(void* self, cmcTask*) {
        auto* c = static_cast<CableRun*>(self);
        if (c->state == State::kPause &&
            static_cast<int32_t>(platform::GetClock().NowMs() - c->resumeAt) >= 0)
            c->Poll();
    }

    void Pause(int ms) {
        state = State::kPause;
        resumeAt = platform::GetClock().NowMs() + static_cast<uint32_t>(ms);
    }

    void GoIdle() {
        state = State::kIdle;
        task->SetInterval(-1);
        run.report_(Make(Event::kIdle));
    }

    bool WorkLeft() const {
        if (run.stopping_) return false;
        if (!run.queue_.empty()) return true;
        // A row under way elsewhere may come back to the list.
        for (const auto& other : run.cables_)
            if (other.get() != this && other->holding) return true;
        return false;
    }

    void Poll() {
        if (!WorkLeft()) return GoIdle();
        if (run.options_.askForRadio && !asked) {
            if (run.queue_.empty()) return Pause(run.options_.pollPauseMs);
            if (!run.options_.askForRadio(index, run.queue_.front())) return GoIdle();
            asked = true;
            awaitGone = false;  // the user has put the next radio on
        }
        failureText.clear();
        state = State::kInfo;
        man->SetRequestWords(run.app_.ModelCode(), 0);
        if (!man->StartInfo(&CableRun::InfoDone, this)) Pause(run.options_.pollPauseMs);
    }

    static void InfoCheck(void* self, dst_CDrv_Result* r) {
        auto* c = static_cast<CableRun*>(self);
        if (r->result != CloneResult::kOk || r->operation != CloneOperation::kInfo) return;
        const cmcBuff& data = r->information;
        if (r->word1 != c->run.app_.ModelCode() || r->word2 != c->run.app_.SubCode() ||
            data.Size() < radioid::kSize || data.Data()[0] != data.Size()) {
            r->result = CloneResult::kNotIdentified;
            return;
        }
        std::copy(data.Data(), data.Data() + radioid::kSize, c->identity.begin());
        if (c->identity[radioid::kMapMarker] != 1) r->result = CloneResult::kNotReady;
    }

    static void ReadCheck(void* self, dst_CDrv_Result* r) {
        auto* c = static_cast<CableRun*>(self);
        if (r->result != CloneResult::kOk || r->operation != CloneOperation::kRead) return;
        if (!c->run.app_.IsOwnImage(r->image, true))
            r->result = CloneResult::kForeignData;
        else if (c->run.app_.CheckImageExtra(r->image))
            r->result = CloneResult::kNewerData;
    }

    static void InfoDone(void* self, dst_CDrv_Result* r) { static_cast<CableRun*>(self)->Info(r); }
    void Info(dst_CDrv_Result* r) {
        if (r->result != CloneResult::kOk) {
            if (!everAnswered && r->result == CloneResult::kPortFailed &&
                !run.options_.askForRadio) {
                state = State::kDead;
                task->SetInterval(-1);
                Event e = Make(Event::kPortFailed);
                e.message = failureText;
                return run.report_(e);
            }
            // A radio that was just written may be busy a moment: it has gone when the port
            // itself went (the adapter pulled) or it stays silent poll after poll.
            const bool portGone =
                r->result == CloneResult::kPortFailed || r->result == CloneResult::kLineLost;
            if (awaitGone && r->result != CloneResult::kNotReady &&
                (portGone || ++silentPolls >= kGonePolls)) {
                awaitGone = false;
                run.report_(Make(Event::kGone));
            }
            return Pause(run.options_.pollPauseMs);
        }
        everAnswered = true;
        silentPolls = 0;
        if (awaitGone) return Pause(run.options_.pollPauseMs);  // the same radio is still there
        if (!run.TakeRow(row)) {
            if (!WorkLeft()) return GoIdle();
            return Pause(run.options_.pollPauseMs);
        }
        holding = true;
        asked = false;
        startedMs = platform::GetClock().NowMs();
        lastPercent = -1;
        run.report_(Make(Event::kRadioFound));
        const bool firstGroup = identity[radioid::kFlags] & radioid::kFlagModelGroup;
        const bool templateFirst = run.app_.CurrentModelType() < txrules::kFirstInlandModelType;
        if (firstGroup != templateFirst)
            return Fail(CloneResult::kOtherModel, "the radio is of another model than the template",
                        false);
        if (run.options_.verify && (identity[radioid::kFlags] & radioid::kFlagRefusesRead))
            return Fail(CloneResult::kReadRefused,
                        "the radio does not allow its memory to be read, so a write to it "
                        "cannot be verified; nothing was written",
                        false);
        // As a write of the document does: the row's values in, then adopted for the radio.
        written.Assign(run.template_);
        ApplyRow(written, row);
        run.app_.AdoptImage(written, true);
        writtenList = run.app_.WriteRangesFor(identity.data());
        man->SetImageSize(written.Size());
        state = State::kWrite;
        failureText.clear();
        if (!man->StartWrite(written, writtenList, &CableRun::WriteDone, this))
            Fail(CloneResult::kPortFailed, "the write could not start", false);
    }

    static void WriteDone(void* self, dst_CDrv_Result* r) {
        static_cast<CableRun*>(self)->Wrote(r);
    }
    void Wrote(dst_CDrv_Result* r) {
        if (r->result != CloneResult::kOk)
            return Fail(r->result, failureText, man->Driver().FrameCounter() > 0);
        if (!run.options_.verify) return Succeed("written");
        state = State::kVerify;
        failureText.clear();
        if (!man->StartRead(indMain::ReadRanges(), &CableRun::VerifyDone, this))
            Fail(CloneResult::kPortFailed, "written, but reading it back could not start", false);
    }

    static void VerifyDone(void* self, dst_CDrv_Result* r) {
        static_cast<CableRun*>(self)->Verified(r);
    }
    void Verified(dst_CDrv_Result* r) {
        if (r->result != CloneResult::kOk)
            return Fail(r->result, "written, but reading it back failed: " + failureText, false);
        const int ownFirst = radioid::kMemoryOrigin + radioid::kFirmwareFirst;
        const int ownLast = radioid::kMemoryOrigin + radioid::kSize - 1;
        int differ = 0;
        int first = -1;
        for (const auto& d : CompareBytes(written, r->image, writtenList)) {
            if (d.address >= ownFirst && d.address <= ownLast) continue;
            if (first < 0) first = d.address;
            ++differ;
        }
        if (differ > 0) {
            char at[16];
            std::snprintf(at, sizeof at, "%04X", first);
            return Fail(CloneResult::kOk,
                        "written, but the radio holds other bytes at " + std::to_string(differ) +
                            " addresses (the first at " + at + ")",
                        true);
        }
        Succeed("verified");
    }

    LogEntry Log(const std::string& result, int code, const std::string& message) const {
        LogEntry e;
        e.time = NowIso();
        e.port = cable.name;
        e.row = row.number;
        e.mmsi = row.mmsi;
        e.comment = row.comment;
        e.model = ModelName(identity[radioid::kModelIndex]);
        e.revision = Shown(identity.data() + radioid::kRevision, radioid::kRevisionSize);
        e.result = result;
        e.code = code;
        e.message = message;
        e.seconds = (platform::GetClock().NowMs() - startedMs) / 1000.0;
        return e;
    }

    void Succeed(const char* result) {
        Event e = Make(Event::kWritten);
        e.log = Log(result, 0, "");
        run.written_.push_back(row);
        holding = false;
        AfterRadio();
        run.report_(e);
    }

    void Fail(CloneResult code, const std::string& message, bool partial) {
        Event e = Make(Event::kFailed);
        e.partial = partial;
        e.message =
            message.empty() ? "clone result " + std::to_string(CloneResultNumber(code)) : message;
        e.log = Log("failed", CloneResultNumber(code), e.message);
        e.retry = run.GiveBack(row);
        holding = false;
        AfterRadio();
        run.report_(e);
    }

    void AfterRadio() {
        // Without a question, the next radio is the one that answers after this one has gone.
        awaitGone = !run.options_.askForRadio;
        Pause(run.options_.pollPauseMs);
    }

    void ProgressChanged(int filled) override {
        if (!holding) return;
        int percent = std::min(100, filled * 100 / (indCloneMan::kSegments + 1));
        if (state == State::kVerify)
            percent = 50 + percent / 2;
        else if (run.options_.verify)
            percent /= 2;
        if (percent == lastPercent) return;
        lastPercent = percent;
        Event e = Make(Event::kProgress);
        e.percent = percent;
        run.report_(e);
    }
};

FleetRun::FleetRun(indMain& app, std::vector<Row> rows, std::vector<Cable> cables, Options options,
                   std::function<void(const Event&)> report)
    : app_(app), queue_(std::move(rows)), options_(std::move(options)), report_(std::move(report)) {
    template_.Assign(app.Working());
    for (size_t i = 0; i < cables.size(); ++i)
        cables_.push_back(std::make_unique<CableRun>(*this, static_cast<int>(i), cables[i]));
}

FleetRun::~FleetRun() = default;

void FleetRun::Start() {
    for (auto& c : cables_) c->Start();
}

void FleetRun::Stop() {
    stopping_ = true;
    for (auto& c : cables_)
        if (c->state == CableRun::State::kPause) c->GoIdle();
}

std::vector<Event> FleetRun::Abort() {
    stopping_ = true;
    std::vector<Event> cut;
    for (auto& c : cables_) {
        if (c->holding && c->man->IsBusy()) {
            Event e = c->Make(Event::kFailed);
            switch (c->state) {
                case CableRun::State::kWrite:
                    e.partial = true;
                    e.message =
                        "interrupted while writing: the radio may hold part of the data; "
                        "write it again before using the radio";
                    break;
                case CableRun::State::kVerify:
                    e.message =
                        "interrupted while reading back: the radio took the write, but "
                        "it was not checked";
                    break;
                default:
                    e.message = "interrupted before anything was written; the radio is unchanged";
                    break;
            }
            e.log = c->Log("failed", 0, e.message);
            cut.push_back(e);
            queue_.insert(queue_.begin(), c->row);
            c->holding = false;
        }
        c->man.reset();  // closes the port
        c->state = CableRun::State::kDead;
        c->task->SetInterval(-1);
    }
    return cut;
}

bool FleetRun::Finished() const {
    for (const auto& c : cables_)
        if (c->state != CableRun::State::kIdle && c->state != CableRun::State::kDead) return false;
    return true;
}

std::vector<Row> FleetRun::Left() const {
    std::vector<Row> left = queue_;
    for (const auto& c : cables_)
        if (c->holding) left.push_back(c->row);
    std::sort(left.begin(), left.end(),
              [](const Row& a, const Row& b) { return a.number < b.number; });
    return left;
}

bool FleetRun::TakeRow(Row& row) {
    if (stopping_ || queue_.empty()) return false;
    row = queue_.front();
    queue_.erase(queue_.begin());
    return true;
}

bool FleetRun::GiveBack(const Row& row) {
    int& failures = [&]() -> int& {
        for (auto& t : tries_)
            if (t.first == row.number) return t.second;
        tries_.emplace_back(row.number, 0);
        return tries_.back().second;
    }();
    if (++failures >= 2) {
        failed_.push_back(row);
        return false;
    }
    queue_.insert(queue_.begin(), row);
    return true;
}

// --- what a window shows ---

Board::Board(const std::vector<Row>& rows, const std::vector<Cable>& cables,
             const std::vector<std::string>& doneBefore) {
    std::unordered_map<std::string, bool> done;
    for (const auto& mmsi : doneBefore) done[mmsi] = true;
    rows_.reserve(rows.size());
    for (const auto& r : rows) {
        RowLine line;
        line.row = r;
        if (done.count(r.mmsi)) line.state = RowLine::kDoneBefore;
        rows_.push_back(std::move(line));
    }
    for (const auto& c : cables) {
        CableLine line;
        line.cable = c;
        cables_.push_back(std::move(line));
    }
}

std::vector<Row> Board::ToWrite() const {
    std::vector<Row> rows;
    for (const auto& line : rows_)
        if (line.state != RowLine::kDoneBefore) rows.push_back(line.row);
    return rows;
}

int Board::Take(const Event& e, bool cut) {
    CableLine* cable = e.cable >= 0 && static_cast<size_t>(e.cable) < cables_.size()
                           ? &cables_[static_cast<size_t>(e.cable)]
                           : nullptr;
    RowLine* line = e.row >= 1 && static_cast<size_t>(e.row) <= rows_.size()
                        ? &rows_[static_cast<size_t>(e.row - 1)]
                        : nullptr;
    if (cable) {
        switch (e.kind) {
            case Event::kPortFailed:
                cable->state = CableLine::kLeftOut;
                cable->message = e.message;
                break;
            case Event::kRadioFound:
            case Event::kProgress:
                cable->state = CableLine::kWriting;
                cable->row = e.row;
                break;
            case Event::kWritten:
            case Event::kFailed:
            case Event::kGone:
                cable->state = cut ? CableLine::kFinished : CableLine::kWaiting;
                cable->row = 0;
                // A radio cut off is not done: written again at once, it holds the data whole.
                cable->radioDone = e.kind != Event::kGone && !cut;
                break;
            case Event::kIdle:
                cable->state = CableLine::kFinished;
                cable->row = 0;
                break;
        }
    }
    if ((e.kind == Event::kFailed && e.partial) || (cut && e.partial)) partial_.push_back(e);
    if (!line) return -1;
    switch (e.kind) {
        case Event::kRadioFound:
            line->state = RowLine::kWriting;
            line->port = e.port;
            line->percent = 0;
            line->message.clear();
            break;
        case Event::kProgress:
            line->percent = e.percent;
            break;
        case Event::kWritten:
            line->state = e.log.result == "verified" ? RowLine::kVerified : RowLine::kWritten;
            line->percent = 100;
            break;
        case Event::kFailed:
            line->state = cut ? RowLine::kCut : e.retry ? RowLine::kRetry : RowLine::kFailed;
            line->message = e.message;
            break;
        default:
            return -1;
    }
    return e.row - 1;
}

int Board::Count(RowLine::State state) const {
    int n = 0;
    for (const auto& line : rows_) n += line.state == state;
    return n;
}

}  // namespace fleet
