#include "mkinitial/FactoryPlan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "app/Csv.h"
#include "platform/FileReader.h"
#include "radio/MemoryMap.h"
#include "radio/ValueEditors.h"

namespace {

// Settings may only touch what a document holds.
constexpr int kDocumentEnd = 0x4720;
// Model types from this one on are the other radio group.
constexpr int kFirstGroupBType = 7;
// A table or initial file far larger than this is not one.
constexpr int64_t kLargestTable = 16 * 1024 * 1024;

using Row = std::vector<std::string>;

struct Line {
    int number;
    Row fields;
};

class Fault {
  public:
    Fault(const std::string& file, std::string* error) : file_(file), error_(error) {}
    bool operator()(int line, const std::string& what) const {
        if (error_) *error_ = file_ + ":" + std::to_string(line) + ": " + what;
        return false;
    }

  private:
    const std::string& file_;
    std::string* error_;
};

// Reads the records with the program's CSV reader and checks the header; blank lines are
// skipped.
bool ReadCsv(const std::string& text, const std::vector<std::string>& header, const Fault& fault,
             std::vector<Line>* lines) {
    lines->clear();
    std::vector<Row> rows;
    std::vector<int> numbers;
    csv::ParseError bad;
    if (!csv::Parse(text, &rows, &bad, &numbers))
        return fault(bad.line, "badly quoted field: " + bad.what);
    bool sawHeader = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        Row& fields = rows[i];
        const int number = numbers[i];
        if (fields.size() == 1 && fields[0].empty()) continue;
        if (!sawHeader) {
            if (fields != header) {
                std::string want;
                for (const auto& h : header) want += (want.empty() ? "" : ",") + h;
                return fault(number, "the header must be " + want);
            }
            sawHeader = true;
            continue;
        }
        if (fields.size() != header.size())
            return fault(number, "expected " + std::to_string(header.size()) + " fields, found " +
                                     std::to_string(fields.size()));
        lines->push_back({number, std::move(fields)});
    }
    if (!sawHeader) return fault(1, "the file is empty");
    return true;
}

bool ParseInt(const std::string& s, long min, long max, long* out) {
    if (s.empty()) return false;
    size_t i = 0;
    bool negative = false;
    if (s[0] == '-') {
        negative = true;
        i = 1;
    }
    int base = 10;
    if (s.size() > i + 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size() || s.size() - i > 9) return false;
    long v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return false;
        }
        v = v * base + d;
    }
    if (negative) v = -v;
    if (v < min || v > max) return false;
    *out = v;
    return true;
}

// "156.050" -> 156050 kHz; exactly three decimals, as the tables write them.
bool ParseMHz(const std::string& s, int* kHz) {
    const size_t dot = s.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 3 || s.size() != dot + 4) return false;
    int v = 0;
    for (char c : s) {
        if (c == '.') continue;
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *kHz = v;
    return true;
}

std::string MHzText(int kHz) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d.%03d", kHz / 1000, kHz % 1000);
    return buf;
}

bool IsLcdText(const std::string& s) {
    for (char c : s)
        if (!IsLcdChar(c)) return false;
    return true;
}

bool IsPrintable(const std::string& s) {
    for (char c : s)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

bool ParseModels(const std::string& s, int modelCount, std::vector<int>* out) {
    out->clear();
    if (s == "*") return true;
    std::istringstream in(s);
    std::string word;
    while (in >> word) {
        long v;
        if (!ParseInt(word, 0, modelCount - 1, &v)) return false;
        out->push_back(static_cast<int>(v));
    }
    return !out->empty();
}

bool ParseMode(const std::string& s, ChannelMode* mode) {
    static const std::map<std::string, ChannelMode> kModes = {{"unused", ChannelMode::Unused},
                                                              {"simplex", ChannelMode::Simplex},
                                                              {"duplex", ChannelMode::Duplex},
                                                              {"rx-only", ChannelMode::RxOnly}};
    auto it = kModes.find(s);
    if (it == kModes.end()) return false;
    *mode = it->second;
    return true;
}

// What the rule says a designator's frequencies must be; empty transmit where a ship never
// transmits on it. Returns an explanation of the mismatch, or "" when the row is right.
std::string CheckFrequencies(const PlanChannel& ch, bool hasTx, int txKHz, int rxKHz) {
    const int ship = ShipKHz(ch.number);
    const int coast = CoastKHz(ch.number);
    const bool transmits = ch.mode == ChannelMode::Simplex || ch.mode == ChannelMode::Duplex;
    if (ch.kind == DesignatorKind::Coast && transmits)
        return "a coast-station channel is receive-only for a ship";
    if (transmits && !hasTx) return "a channel in use for transmitting needs a transmit frequency";
    if (hasTx && txKHz != ship)
        return "transmit " + MHzText(txKHz) + " MHz breaks the channel-numbering rule (" +
               MHzText(ship) + " MHz)";
    int wantRx = ship;
    switch (ch.kind) {
        case DesignatorKind::Plain:
            if (ch.mode == ChannelMode::Duplex) wantRx = coast;
            if (ch.mode == ChannelMode::Unused && rxKHz == coast) wantRx = coast;
            break;
        case DesignatorKind::A:
        case DesignatorKind::Ship:
            if (ch.mode == ChannelMode::Duplex)
                return "a single-frequency channel cannot be duplex";
            break;
        case DesignatorKind::Coast:
            if (hasTx) return "a coast-station channel has no ship transmit frequency";
            wantRx = coast;
            break;
    }
    if (rxKHz != wantRx)
        return "receive " + MHzText(rxKHz) + " MHz breaks the channel-numbering rule (" +
               MHzText(wantRx) + " MHz)";
    return "";
}

}  // namespace

bool ReadFileText(const std::string& path, std::string* text) {
    platform::FileReader reader;
    text->clear();
    return reader.Open(path) == platform::FileStatus::Ok &&
           reader.ReadAll(kLargestTable, *text) == platform::FileStatus::Ok;
}

int ShipKHz(int number) {
    if (number >= 1 && number <= 28) return 156000 + 50 * number;
    if (number >= 60 && number <= 88) return 156025 + 50 * (number - 60);
    return 0;
}

int CoastKHz(int number) {
    const int ship = ShipKHz(number);
    return ship ? ship + 4600 : 0;
}

bool ParseDesignator(const std::string& text, DesignatorKind* kind, int* number) {
    auto digits = [&](size_t from, size_t count) {
        int v = 0;
        for (size_t i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9') return -1;
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    int n = -1;
    if (text.size() == 2) {
        *kind = DesignatorKind::Plain;
        n = digits(0, 2);
    } else if (text.size() == 3 && text[2] == 'A') {
        *kind = DesignatorKind::A;
        n = digits(0, 2);
    } else if (text.size() == 4 &&
               (text.compare(0, 2, "10") == 0 || text.compare(0, 2, "20") == 0)) {
        *kind = text[0] == '1' ? DesignatorKind::Ship : DesignatorKind::Coast;
        n = digits(2, 2);
    }
    if (n < 0 || ShipKHz(n) == 0) return false;
    *number = n;
    return true;
}

bool PlanSetting::AppliesTo(int type) const {
    return models.empty() || std::find(models.begin(), models.end(), type) != models.end();
}

const PlanModel* FactoryPlan::Model(int type) const {
    for (const auto& m : models)
        if (m.type == type) return &m;
    return nullptr;
}

bool ReadModels(const std::string& file, const std::string& text, std::vector<PlanModel>* out,
                std::string* error) {
    const Fault fault(file, error);
    std::vector<Line> lines;
    if (!ReadCsv(text, {"type", "file", "name", "group", "primary", "tables", "description"}, fault,
                 &lines))
        return false;
    out->clear();
    for (const auto& [line, f] : lines) {
        PlanModel m;
        long type;
        if (!ParseInt(f[0], 0, 255, &type)) return fault(line, "bad model type '" + f[0] + "'");
        if (type != static_cast<long>(out->size()))
            return fault(line, "model types must count up from 0 without gaps; expected " +
                                   std::to_string(out->size()));
        m.type = static_cast<int>(type);
        m.file = f[1];
        if (m.file.empty() || m.file.find_first_of("/\\") != std::string::npos)
            return fault(line, "the file must be a plain file name");
        for (const auto& other : *out)
            if (other.file == m.file) return fault(line, "file " + m.file + " is used twice");
        m.name = f[2];
        if (m.name.empty()) return fault(line, "the model needs a name");
        if (f[3] != "A" && f[3] != "B") return fault(line, "group must be A or B");
        m.group = f[3][0];
        if ((m.group == 'B') != (m.type >= kFirstGroupBType))
            return fault(line, "model types 0-6 are group A, 7 and above group B");
        m.primary = f[4];
        std::istringstream tables(f[5]);
        std::string t;
        while (tables >> t) {
            if (t == "int")
                m.intCh = true;
            else if (t == "usa")
                m.usaCh = true;
            else if (t == "can")
                m.canCh = true;
            else if (t == "wx")
                m.weather = true;
            else
                return fault(line, "unknown channel mode '" + t + "'");
        }
        if (!m.intCh) return fault(line, "every model has the international channels");
        const bool primaryOffered = (m.primary == "int" && m.intCh) ||
                                    (m.primary == "usa" && m.usaCh) ||
                                    (m.primary == "can" && m.canCh);
        if (!primaryOffered) return fault(line, "the primary table must be one the model offers");
        m.description = f[6];
        out->push_back(std::move(m));
    }
    if (out->empty()) return fault(1, "no model types");
    return true;
}

bool ReadChannelPlan(const std::string& file, const std::string& text, PlanTable* out,
                     std::string* error) {
    const Fault fault(file, error);
    std::vector<Line> lines;
    if (!ReadCsv(text,
                 {"channel", "ship_tx_mhz", "ship_rx_mhz", "mode", "name", "marks", "sources",
                  "decision", "note"},
                 fault, &lines))
        return false;
    out->file = file;
    out->channels.clear();
    std::map<std::string, int> seen;              // designator -> line
    std::map<std::pair<int, int>, size_t> inUse;  // (tx or 0 when receive-only, rx) -> index
    int pLine = 0, cLine = 0;
    for (const auto& [line, f] : lines) {
        PlanChannel ch;
        ch.designator = f[0];
        ch.line = line;
        if (!ParseDesignator(ch.designator, &ch.kind, &ch.number))
            return fault(line, "unknown channel designator '" + ch.designator + "'");
        if (auto it = seen.find(ch.designator); it != seen.end())
            return fault(line, "channel " + ch.designator + " is listed twice (first on line " +
                                   std::to_string(it->second) + ")");
        seen[ch.designator] = line;
        if (!ParseMode(f[3], &ch.mode)) return fault(line, "unknown mode '" + f[3] + "'");
        int tx = 0, rx = 0;
        const bool hasTx = !f[1].empty();
        if (hasTx && !ParseMHz(f[1], &tx))
            return fault(line, "bad transmit frequency '" + f[1] + "'");
        if (!ParseMHz(f[2], &rx)) return fault(line, "bad receive frequency '" + f[2] + "'");
        if (std::string why = CheckFrequencies(ch, hasTx, tx, rx); !why.empty())
            return fault(line, "channel " + ch.designator + ": " + why);
        ch.name = f[4];
        if (ch.name.size() > mm::kNameLength || !IsLcdText(ch.name))
            return fault(line, "the name must be at most 10 upper-case display characters");
        for (char c : f[5]) {
            if (c == 'P')
                ch.markP = true;
            else if (c == 'C')
                ch.markC = true;
            else
                return fault(line, "marks are P and C only");
        }
        if (ch.mode == ChannelMode::Unused && (ch.markP || ch.markC))
            return fault(line, "an unused channel cannot carry the P or C mark");
        if (ch.markP) {
            if (pLine)
                return fault(line,
                             "a second P channel (first on line " + std::to_string(pLine) + ")");
            pLine = line;
        }
        if (ch.markC) {
            if (cLine)
                return fault(line,
                             "a second C channel (first on line " + std::to_string(cLine) + ")");
            cLine = line;
        }
        if (ch.mode != ChannelMode::Unused) {
            // One frequency pair in use under two designators (22A and 1022) would list the
            // channel twice on the radio.
            const std::pair<int, int> key{ch.mode == ChannelMode::RxOnly ? 0 : tx, rx};
            if (auto it = inUse.find(key); it != inUse.end()) {
                const PlanChannel& first = out->channels[it->second];
                return fault(line, "channel " + ch.designator + " is the same channel as " +
                                       first.designator + " (line " + std::to_string(first.line) +
                                       "); use one of them");
            }
            inUse[key] = out->channels.size();
        }
        out->channels.push_back(std::move(ch));
    }
    // Without its own marks a table would leave them on row 0, a channel the radio lacks.
    if (!pLine) return fault(1, "the table has no P channel");
    if (!cLine) return fault(1, "the table has no C channel");
    return true;
}

bool ReadWeather(const std::string& file, const std::string& text, std::vector<PlanWeather>* out,
                 std::string* error) {
    const Fault fault(file, error);
    std::vector<Line> lines;
    if (!ReadCsv(text, {"channel", "rx_mhz", "mode", "name", "sources", "decision", "note"}, fault,
                 &lines))
        return false;
    out->clear();
    std::map<int, int> seen;
    bool anyUsed = false;
    for (const auto& [line, f] : lines) {
        PlanWeather w;
        w.line = line;
        long n;
        if (f[0].size() < 3 || f[0].compare(0, 2, "WX") != 0 ||
            !ParseInt(f[0].substr(2), 1, mm::kWxRows, &n) || f[0][2] == '0')
            return fault(line, "unknown weather channel '" + f[0] + "'");
        w.row = static_cast<int>(n) - 1;
        if (auto it = seen.find(w.row); it != seen.end())
            return fault(line, "weather channel " + f[0] + " is listed twice (first on line " +
                                   std::to_string(it->second) + ")");
        seen[w.row] = line;
        int rx;
        if (!ParseMHz(f[1], &rx) || rx < 156000 || rx > 174000 || rx % 25)
            return fault(line, "bad weather frequency '" + f[1] + "'");
        if (f[2] == "rx-only")
            w.used = true;
        else if (f[2] != "unused")
            return fault(line, "weather mode is rx-only or unused");
        anyUsed = anyUsed || w.used;
        w.name = f[3];
        if (w.name.size() > mm::kNameLength || !IsLcdText(w.name))
            return fault(line, "the name must be at most 10 upper-case display characters");
        out->push_back(std::move(w));
    }
    // The radio treats a weather table without a channel in use as broken.
    if (!anyUsed) return fault(1, "at least one weather channel must be in use");
    return true;
}

bool ReadFree(const std::string& file, const std::string& text, int modelCount,
              std::vector<PlanFree>* out, std::string* error) {
    const Fault fault(file, error);
    std::vector<Line> lines;
    if (!ReadCsv(text,
                 {"models", "row", "rx_mhz", "tx_mhz", "short_name", "mode", "sources", "decision",
                  "note"},
                 fault, &lines))
        return false;
    out->clear();
    for (const auto& [line, f] : lines) {
        PlanFree fr;
        fr.line = line;
        if (!ParseModels(f[0], modelCount, &fr.models))
            return fault(line, "bad model list '" + f[0] + "'");
        long row;
        if (!ParseInt(f[1], 0, mm::kFreeRows - 1, &row))
            return fault(line, "bad free row '" + f[1] + "'");
        fr.row = static_cast<int>(row);
        for (const auto& other : *out) {
            if (other.row != fr.row) continue;
            for (int m : fr.models.empty() ? std::vector<int>{-1} : fr.models)
                if (other.models.empty() || m < 0 ||
                    std::find(other.models.begin(), other.models.end(), m) != other.models.end())
                    return fault(line, "free row " + f[1] + " is listed twice for a model (line " +
                                           std::to_string(other.line) + ")");
        }
        int rx, tx;
        // The radio tunes 6.25 kHz steps between 156 and 163.275 MHz.
        if (!ParseMHz(f[2], &rx) || rx < 156000 || rx > 163275)
            return fault(line, "bad receive frequency '" + f[2] + "'");
        if (!ParseMHz(f[3], &tx) || tx < 156000 || tx > 163275)
            return fault(line, "bad transmit frequency '" + f[3] + "'");
        fr.rxHz = static_cast<uint32_t>(rx) * 1000;
        fr.txHz = static_cast<uint32_t>(tx) * 1000;
        if (fr.rxHz % 6250 || fr.txHz % 6250)
            return fault(line, "free channel frequencies are multiples of 6.25 kHz");
        fr.shortName = f[4];
        if (fr.shortName.size() > mm::kShortNameLength || !IsLcdText(fr.shortName) ||
            (fr.shortName.size() == 3 && !std::strchr("AB ", fr.shortName[2])))
            return fault(line, "the short name is two display characters and A, B or a space");
        if (f[5] == "simplex" || f[5] == "duplex")
            fr.used = true;
        else if (f[5] != "unused")
            return fault(line, "free channel mode is simplex, duplex or unused");
        if ((f[5] == "simplex" && fr.rxHz != fr.txHz) || (f[5] == "duplex" && fr.rxHz == fr.txHz))
            return fault(line, "simplex means equal receive and transmit frequencies, duplex not");
        out->push_back(std::move(fr));
    }
    return true;
}

bool ReadSettings(const std::string& file, const std::string& text, int modelCount,
                  std::vector<PlanSetting>* out, std::string* error) {
    const Fault fault(file, error);
    std::vector<Line> lines;
    if (!ReadCsv(text, {"address", "type", "value", "models", "label", "note"}, fault, &lines))
        return false;
    out->clear();
    for (const auto& [line, f] : lines) {
        PlanSetting s;
        s.line = line;
        if (f[4] != "-") s.label = f[4];
        long address;
        if (f[0].compare(0, 2, "0x") != 0 || !ParseInt(f[0], 0, kDocumentEnd - 1, &address))
            return fault(line, "bad address '" + f[0] + "' (0x0000-0x471F)");
        s.address = static_cast<int>(address);
        if (!ParseModels(f[3], modelCount, &s.models))
            return fault(line, "bad model list '" + f[3] + "'");
        std::string type = f[1];
        long repeat = 1;
        if (size_t star = type.find('*'); star != std::string::npos) {
            if (!ParseInt(type.substr(star + 1), 1, kDocumentEnd, &repeat))
                return fault(line, "bad repeat count in '" + f[1] + "'");
            type.resize(star);
        }
        long count = 0;
        const std::string& value = f[2];
        std::vector<uint8_t> unit;
        if (type == "u8" || type == "u16" || type == "i16") {
            if (value == "@type") {
                if (type != "u8") return fault(line, "@type is a u8 value");
                s.modelTypeByte = true;
                unit = {0};
            } else {
                const long lo = type == "i16" ? -32768 : 0;
                const long hi = type == "u8" ? 0xFF : type == "u16" ? 0xFFFF : 32767;
                long v;
                if (!ParseInt(value, lo, hi, &v))
                    return fault(line, "value '" + value + "' is outside the range of " + type);
                unit.push_back(static_cast<uint8_t>(v & 0xFF));
                if (type != "u8") unit.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
            }
        } else if (type == "hex") {
            if (value.empty() || value.size() % 2)
                return fault(line, "hex values are pairs of hexadecimal digits");
            for (size_t i = 0; i < value.size(); i += 2) {
                long v;
                if (!ParseInt("0x" + value.substr(i, 2), 0, 0xFF, &v))
                    return fault(line, "hex values are pairs of hexadecimal digits");
                unit.push_back(static_cast<uint8_t>(v));
            }
        } else if (type.compare(0, 5, "text:") == 0 && repeat == 1) {
            if (!ParseInt(type.substr(5), 1, 255, &count))
                return fault(line, "bad text length in '" + f[1] + "'");
            if (static_cast<long>(value.size()) > count || !IsPrintable(value))
                return fault(
                    line, "the text must fit " + std::to_string(count) + " printable characters");
            unit.assign(value.begin(), value.end());
            unit.resize(static_cast<size_t>(count), ' ');
        } else if (type.compare(0, 5, "fill:") == 0 && repeat == 1) {
            long v;
            if (!ParseInt(type.substr(5), 1, kDocumentEnd, &count))
                return fault(line, "bad fill length in '" + f[1] + "'");
            if (!ParseInt(value, 0, 0xFF, &v)) return fault(line, "a fill value is one byte");
            unit.assign(static_cast<size_t>(count), static_cast<uint8_t>(v));
        } else {
            return fault(line, "unknown type '" + f[1] + "'");
        }
        for (long i = 0; i < repeat; ++i) s.bytes.insert(s.bytes.end(), unit.begin(), unit.end());
        if (s.address + static_cast<long>(s.bytes.size()) > kDocumentEnd)
            return fault(line, "the value runs past the end of the document range");
        out->push_back(std::move(s));
    }
    return true;
}

bool CheckSharedNames(const FactoryPlan& plan, std::string* error) {
    // The three channel lists share one name per row, so a channel in use in several lists
    // shows the same name in each: it must be true in all of them.
    std::map<std::string, std::pair<const PlanTable*, const PlanChannel*>> first;
    for (const PlanTable* t : {&plan.international, &plan.usa, &plan.canada}) {
        for (const auto& ch : t->channels) {
            if (ch.mode == ChannelMode::Unused) continue;
            auto [it, added] = first.emplace(ch.designator, std::make_pair(t, &ch));
            if (added || it->second.second->name == ch.name) continue;
            if (error)
                *error = t->file + ":" + std::to_string(ch.line) + ": channel " + ch.designator +
                         " is named '" + ch.name + "' but '" + it->second.second->name + "' in " +
                         it->second.first->file + " (line " +
                         std::to_string(it->second.second->line) +
                         "); the lists share one name per channel";
            return false;
        }
    }
    return true;
}

bool LoadFactoryPlan(const std::string& folder, FactoryPlan* plan, std::string* error) {
    auto read = [&](const char* name, std::string* text) {
        const std::string path = folder + "/" + name;
        if (ReadFileText(path, text)) return true;
        // The caller names the folder, as it does for the tables' own faults.
        if (error) *error = std::string(name) + ": cannot be read";
        return false;
    };
    std::string text;
    if (!read("models.csv", &text) || !ReadModels("models.csv", text, &plan->models, error))
        return false;
    const int models = static_cast<int>(plan->models.size());
    return read("international.csv", &text) &&
           ReadChannelPlan("international.csv", text, &plan->international, error) &&
           read("usa.csv", &text) && ReadChannelPlan("usa.csv", text, &plan->usa, error) &&
           read("canada.csv", &text) && ReadChannelPlan("canada.csv", text, &plan->canada, error) &&
           read("weather.csv", &text) && ReadWeather("weather.csv", text, &plan->weather, error) &&
           read("free.csv", &text) && ReadFree("free.csv", text, models, &plan->free, error) &&
           read("settings.csv", &text) &&
           ReadSettings("settings.csv", text, models, &plan->settings, error) &&
           CheckSharedNames(*plan, error);
}
