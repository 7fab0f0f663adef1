// The shipped factory images against the reference compilation of marine VHF channel plans
// (data/plans/reference/): every channel row of every image either holds what the compilation
// gives for its plan or is listed, with its decision, in data/plans/deviations.csv.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "app/Csv.h"
#include "mkinitial/FactoryImage.h"
#include "mkinitial/FactoryPlan.h"
#include "radio/AddressRange.h"
#include "radio/MemoryMap.h"
#include "radio/SettingsMap.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "support/TestFiles.h"

namespace {

const std::string kPlans = std::string(KELDA_SOURCE_DIR) + "/data/plans";
const std::string kInitial = std::string(KELDA_SOURCE_DIR) + "/data/initial";

// Rows of a CSV file as header name -> field.
std::vector<std::map<std::string, std::string>> ReadTable(const std::string& path) {
    std::vector<csv::Row> rows;
    csv::ParseError error;
    EXPECT_TRUE(csv::Parse(ReadFile(path), &rows, &error)) << path << ":" << error.line;
    std::vector<std::map<std::string, std::string>> out;
    for (size_t i = 1; i < rows.size(); ++i) {
        std::map<std::string, std::string> row;
        for (size_t c = 0; c < rows[0].size() && c < rows[i].size(); ++c)
            row[rows[0][c]] = rows[i][c];
        out.push_back(std::move(row));
    }
    EXPECT_FALSE(out.empty()) << path;
    return out;
}

const FactoryPlan& Plan() {
    static FactoryPlan plan;
    static bool loaded = [] {
        std::string error;
        EXPECT_TRUE(LoadFactoryPlan(kPlans, &plan, &error)) << error;
        return true;
    }();
    (void)loaded;
    return plan;
}

bool LoadShipped(const PlanModel& m, cmcEeprom* image) {
    image->SetSize(cmcEeprom::kImageSize);
    cmcClnFile file;
    file.Attach(image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
    return file.ReadText(ReadFile(kInitial + "/" + m.file), kDocumentRanges) == FileError::kNone;
}

// The radio's form of a reference designator: Canadian nnB is the coast side 20nn.
std::string RadioDesignator(const std::string& reference) {
    if (reference.size() == 3 && reference[2] == 'B') return "20" + reference.substr(0, 2);
    return reference;
}

int RowOf(const std::string& designator) {
    PlanChannel ch;
    if (!ParseDesignator(designator, &ch.kind, &ch.number)) return -1;
    return ChannelRowOf(ch);
}

std::string ModeInImage(cmcEeprom& image, int table, int row) {
    datCh c(&image);
    c.Load(table, row);
    if (c.flags & datCh::kUnused) return "unused";
    if (c.flags & datCh::kTxInh) return "rx-only";
    return (c.flags & datCh::kSimplex) ? "simplex" : "duplex";
}

struct ListColumns {
    const char* key;  // as deviations.csv names the list
    int table;
    const char* plan;  // the reference's Y/N column and its mode column
    const char* mode;
};
constexpr ListColumns kLists[] = {
    {"int", mm::kIntCh, "itu", "itu_mode"},
    {"usa", mm::kUsaCh, "usa", "usa_mode"},
    {"can", mm::kCanCh, "canada", "canada_mode"},
};

TEST(PlanReference, EveryImageFollowsTheCompilationOrAListedDecision) {
    const auto reference = ReadTable(kPlans + "/reference/marine_vhf_channels.csv");
    const auto weatherReference = ReadTable(kPlans + "/reference/weather_channels.csv");
    // (list, designator) -> (mode in the image, decision)
    std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> listed;
    for (const auto& d : ReadTable(kPlans + "/deviations.csv")) {
        EXPECT_FALSE(d.at("decision").empty()) << d.at("list") << " " << d.at("channel");
        EXPECT_TRUE(listed
                        .emplace(std::make_pair(d.at("list"), d.at("channel")),
                                 std::make_pair(d.at("image"), d.at("decision")))
                        .second)
            << "listed twice: " << d.at("list") << " " << d.at("channel");
    }
    std::set<std::pair<std::string, std::string>> seen;
    auto compare = [&](const std::string& file, const std::string& list, const std::string& channel,
                       const std::string& want, const std::string& got) {
        const auto key = std::make_pair(list, channel);
        auto it = listed.find(key);
        if (want == got) {
            EXPECT_TRUE(it == listed.end())
                << file << ": " << list << " " << channel << " holds " << got
                << " as the compilation says, yet deviations.csv lists it";
            return;
        }
        seen.insert(key);
        if (it == listed.end()) {
            ADD_FAILURE() << file << ": " << list << " " << channel << " is " << got
                          << " where the compilation says " << want
                          << "; no decision in deviations.csv";
        } else {
            EXPECT_EQ(it->second.first, got) << file << ": " << list << " " << channel;
        }
    };

    for (const PlanModel& m : Plan().models) {
        cmcEeprom image;
        ASSERT_TRUE(LoadShipped(m, &image)) << m.file;
        for (const ListColumns& l : kLists) {
            std::set<int> covered;
            for (const auto& r : reference) {
                const std::string& channel = r.at("channel");
                const int row = RowOf(RadioDesignator(channel));
                ASSERT_GE(row, 0) << channel << " has no row on the radio";
                covered.insert(row);
                const std::string want = r.at(l.plan) == "Y" ? r.at(l.mode) : "unused";
                compare(m.file, l.key, channel, want, ModeInImage(image, l.table, row));
            }
            // A row the compilation does not list is not in any plan.
            datCh c(&image);
            for (int row = 0; row < mm::kFirstFreeRow; ++row) {
                if (covered.count(row)) continue;
                c.row = row;
                std::string channel = c.ChannelNumberText();
                while (!channel.empty() && channel.back() == ' ') channel.pop_back();
                compare(m.file, l.key, channel, "unused", ModeInImage(image, l.table, row));
            }
        }
        datCh c(&image);
        for (const auto& w : weatherReference) {
            const int row = std::stoi(w.at("channel").substr(2)) - 1;
            c.Load(mm::kWxCh, row);
            const bool inPlan = w.at("usa") == "Y" || w.at("canada") == "Y";
            compare(m.file, "wx", w.at("channel"), inPlan ? "rx-only" : "unused",
                    c.Unused() ? "unused" : "rx-only");
        }
    }
    for (const auto& [key, value] : listed)
        EXPECT_TRUE(seen.count(key)) << "deviations.csv lists " << key.first << " " << key.second
                                     << ", which no image deviates on";
}

// The plan tables carry the compilation's frequencies for every designator they list.
TEST(PlanReference, PlanTablesKeepTheCompilationsFrequencies) {
    std::map<std::string, std::pair<std::string, std::string>> byDesignator;
    for (const auto& r : ReadTable(kPlans + "/reference/marine_vhf_channels.csv"))
        byDesignator[RadioDesignator(r.at("channel"))] = {r.at("ship_tx_mhz"), r.at("ship_rx_mhz")};
    for (const char* file : {"international.csv", "usa.csv", "canada.csv"}) {
        for (const auto& row : ReadTable(kPlans + "/" + file)) {
            auto it = byDesignator.find(row.at("channel"));
            ASSERT_TRUE(it != byDesignator.end()) << file << " " << row.at("channel");
            EXPECT_EQ(row.at("ship_tx_mhz"), it->second.first) << file << " " << row.at("channel");
            EXPECT_EQ(row.at("ship_rx_mhz"), it->second.second) << file << " " << row.at("channel");
        }
    }
    std::map<std::string, std::string> weather;
    for (const auto& w : ReadTable(kPlans + "/reference/weather_channels.csv"))
        weather[w.at("channel")] = w.at("rx_mhz");
    for (const auto& w : ReadTable(kPlans + "/weather.csv"))
        EXPECT_EQ(w.at("rx_mhz"), weather[w.at("channel")]) << w.at("channel");
}

// The three lists share one name per row: in every image, a row in use in a list carries the
// name that list's plan gives it, and every DSC channel in use has a name.
TEST(PlanReference, NamesAreTrueInEveryListThatShowsTheRow) {
    const PlanTable* tables[] = {&Plan().international, &Plan().usa, &Plan().canada};
    for (const PlanModel& m : Plan().models) {
        cmcEeprom image;
        ASSERT_TRUE(LoadShipped(m, &image)) << m.file;
        datCh c(&image);
        for (int i = 0; i < 3; ++i) {
            std::map<int, const PlanChannel*> byRow;
            for (const auto& ch : tables[i]->channels) byRow[ChannelRowOf(ch)] = &ch;
            for (int row = 0; row < mm::kFirstFreeRow; ++row) {
                c.Load(kLists[i].table, row);
                if (c.Unused()) continue;
                ASSERT_TRUE(byRow.count(row)) << m.file << " " << kLists[i].key << " row " << row;
                std::string name = byRow[row]->name;
                name.resize(10, ' ');
                EXPECT_EQ(std::string(c.name.data(), 10), name)
                    << m.file << " " << kLists[i].key << " " << byRow[row]->designator;
            }
        }
        for (int n = 1; n <= 2088; ++n) {
            if (!RecordExists(mm::kDscCh, n)) continue;
            c.Load(mm::kDscCh, n);
            if (c.Unused() || n == 16) continue;
            EXPECT_NE(std::string(c.name.data(), 10), std::string(10, ' '))
                << m.file << " DSC channel " << n;
        }
    }
}

// A DSC call moves the voice radio onto its channel: no image offers a DSC channel that a list
// of the model keeps receive-only, and the inland model has DSC switched off.
TEST(PlanReference, DscChannelsOnlyWhereEveryOfferedListTransmits) {
    for (const PlanModel& m : Plan().models) {
        cmcEeprom image;
        ASSERT_TRUE(LoadShipped(m, &image)) << m.file;
        std::vector<int> offered = {mm::kIntCh};
        if (m.usaCh) offered.push_back(mm::kUsaCh);
        if (m.canCh) offered.push_back(mm::kCanCh);
        datCh c(&image), list(&image);
        int inUse = 0;
        for (int n = 1; n <= 2088; ++n) {
            if (!RecordExists(mm::kDscCh, n)) continue;
            c.Load(mm::kDscCh, n);
            if (c.Unused() || n == 16) continue;
            ++inUse;
            // DSC calls name the A channels 10nn.
            char designator[16];
            if (n < 1000)
                std::snprintf(designator, sizeof designator, "%02d", n);
            else if (n < 2000)
                std::snprintf(designator, sizeof designator, "%02dA", n - 1000);
            else
                std::snprintf(designator, sizeof designator, "%d", n);
            const int row = RowOf(designator);
            ASSERT_GE(row, 0) << designator;
            for (int table : offered) {
                list.Load(table, row);
                EXPECT_FALSE(!list.Unused() && (list.flags & datCh::kTxInh))
                    << m.file << " DSC channel " << n << " is receive-only in list " << table;
            }
        }
        if (m.group == 'B') {
            EXPECT_EQ(image.GetByte(smap::kDscChannelSwitches), 0) << m.file;
            EXPECT_EQ(inUse, 0) << m.file;
        } else {
            EXPECT_GT(inUse, 40) << m.file;
        }
    }
}

}  // namespace
