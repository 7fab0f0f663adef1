#include <gtest/gtest.h>

#include <string>

#include "mkinitial/FactoryPlan.h"

namespace {

const char kChannelHeader[] =
    "channel,ship_tx_mhz,ship_rx_mhz,mode,name,marks,sources,decision,note\n";

std::string Channels(const std::string& rows) {
    return kChannelHeader + std::string("16,156.800,156.800,simplex,DISTRESS,PC,9,,\n") + rows;
}

TEST(FactoryPlan, ChannelTableRowsCarryTheirPlan) {
    PlanTable t;
    std::string error;
    ASSERT_TRUE(ReadChannelPlan("t.csv",
                                Channels("22A,157.100,157.100,simplex,CG LIAISON,,16,,\n"
                                         "24,157.200,161.800,duplex,PUB CORR,,17,,\n"
                                         "70,156.525,156.525,rx-only,DSC,,9,I6,\n"
                                         "2021,,161.650,rx-only,CMB 21B,,22,C3,\"21B, CMB\"\n"
                                         "1022,157.100,157.100,unused,,,,U1,\n"),
                                &t, &error))
        << error;
    ASSERT_EQ(t.channels.size(), 6u);
    const PlanChannel& a = t.channels[1];
    EXPECT_EQ(a.kind, DesignatorKind::A);
    EXPECT_EQ(a.number, 22);
    EXPECT_EQ(a.mode, ChannelMode::Simplex);
    EXPECT_TRUE(t.channels[0].markP && t.channels[0].markC);
    EXPECT_FALSE(a.markP || a.markC);
    EXPECT_EQ(a.line, 3);
    EXPECT_EQ(t.channels[2].mode, ChannelMode::Duplex);
    EXPECT_EQ(t.channels[3].mode, ChannelMode::RxOnly);
    EXPECT_EQ(t.channels[4].kind, DesignatorKind::Coast);
    EXPECT_EQ(t.channels[4].number, 21);
    EXPECT_EQ(t.channels[5].kind, DesignatorKind::Ship);
}

TEST(FactoryPlan, ChannelTableFaultsNameFileAndLine) {
    struct Case {
        const char* rows;
        const char* expected;  // part of the message after "t.csv:3: "
    } cases[] = {
        {"21B,,161.650,rx-only,,,,,\n", "unknown channel designator '21B'"},
        {"29,157.450,157.450,simplex,,,,,\n", "unknown channel designator '29'"},
        {"1029,157.450,157.450,simplex,,,,,\n", "unknown channel designator '1029'"},
        {"6,156.300,156.300,simplex,,,,,\n", "unknown channel designator '6'"},
        {"16,156.800,156.800,simplex,,,,,\n", "channel 16 is listed twice (first on line 2)"},
        {"06,156.350,156.350,simplex,,,,,\n", "transmit 156.350 MHz breaks"},
        {"24,157.200,157.200,duplex,,,,,\n", "receive 157.200 MHz breaks"},
        {"60,156.025,160.675,duplex,,,,,\n", "receive 160.675 MHz breaks"},
        {"22A,157.100,161.700,simplex,,,,,\n", "receive 161.700 MHz breaks"},
        {"22A,157.100,157.100,duplex,,,,,\n", "cannot be duplex"},
        {"2021,157.050,161.650,rx-only,,,,,\n", "no ship transmit frequency"},
        {"2021,,161.650,simplex,,,,,\n", "receive-only for a ship"},
        {"06,,156.300,simplex,,,,,\n", "needs a transmit frequency"},
        {"06,156.30,156.300,simplex,,,,,\n", "bad transmit frequency"},
        {"06,156.300,156.300,open,,,,,\n", "unknown mode 'open'"},
        {"06,156.300,156.300,simplex,safety,,,,\n", "upper-case display characters"},
        {"06,156.300,156.300,simplex,VERY LONG NAME,,,,\n", "upper-case display characters"},
        {"09,156.450,156.450,simplex,,P,,,\n", "a second P channel (first on line 2)"},
        {"09,156.450,156.450,unused,,C,,,\n", "unused channel cannot carry"},
        {"09,156.450,156.450,simplex,,C,,,\n", "a second C channel (first on line 2)"},
        {"06,156.300,156.300,simplex,,X,,,\n", "marks are P and C only"},
        {"16A,156.800,156.800,simplex,,,,,\n", "same channel as 16 (line 2)"},
        {"06,156.300,156.300,simplex,,,\n", "expected 9 fields, found 7"},
        {"06,\"156.300,156.300,simplex,,,,,\n", "badly quoted field"},
    };
    for (const auto& c : cases) {
        PlanTable t;
        std::string error;
        EXPECT_FALSE(ReadChannelPlan("t.csv", Channels(c.rows), &t, &error)) << c.rows;
        EXPECT_EQ(error.rfind("t.csv:3: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.rows << " gave: " << error;
    }
}

TEST(FactoryPlan, ChannelTableNeedsHeaderAndPChannel) {
    PlanTable t;
    std::string error;
    EXPECT_FALSE(ReadChannelPlan("t.csv", "channel,tx\n", &t, &error));
    EXPECT_NE(error.find("t.csv:1: the header must be"), std::string::npos) << error;
    EXPECT_FALSE(ReadChannelPlan(
        "t.csv", std::string(kChannelHeader) + "06,156.300,156.300,simplex,,,,,\n", &t, &error));
    EXPECT_NE(error.find("no P channel"), std::string::npos) << error;
    EXPECT_FALSE(ReadChannelPlan(
        "t.csv", std::string(kChannelHeader) + "06,156.300,156.300,simplex,,P,,,\n", &t, &error));
    EXPECT_NE(error.find("no C channel"), std::string::npos) << error;
}

TEST(FactoryPlan, ModelRosterFollowsTheGroupSplit) {
    const std::string header = "type,file,name,group,primary,tables,description\n";
    std::vector<PlanModel> models;
    std::string error;
    std::string good = header;
    for (int t = 0; t < 8; ++t)
        good += std::to_string(t) + ",M" + std::to_string(t) + ".CLN,M" + std::to_string(t) +
                (t < 7 ? ",A" : ",B") + ",int,int usa wx,\n";
    ASSERT_TRUE(ReadModels("m.csv", good, &models, &error)) << error;
    ASSERT_EQ(models.size(), 8u);
    EXPECT_TRUE(models[0].usaCh && models[0].weather && !models[0].canCh);
    EXPECT_EQ(models[7].group, 'B');

    struct Case {
        const char* rows;
        const char* expected;
    } cases[] = {
        {"1,A.CLN,A,A,int,int,\n", "m.csv:2: model types must count up from 0"},
        {"0,A.CLN,A,B,int,int,\n", "m.csv:2: model types 0-6 are group A"},
        {"0,A.CLN,A,A,int,int,\n1,A.CLN,B,A,int,int,\n", "m.csv:3: file A.CLN is used twice"},
        {"0,../A.CLN,A,A,int,int,\n", "plain file name"},
        {"0,A.CLN,A,A,usa,int,\n", "primary table must be one the model offers"},
        {"0,A.CLN,A,A,int,int ais,\n", "unknown channel mode 'ais'"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ReadModels("m.csv", header + c.rows, &models, &error)) << c.rows;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(FactoryPlan, SettingsEncodeLittleEndianAndRepeat) {
    const std::string header = "address,type,value,models,label,note\n";
    std::vector<PlanSetting> s;
    std::string error;
    ASSERT_TRUE(ReadSettings("s.csv",
                             header + "0x0BBE,u16,300,*,-,\n"
                                      "0x0AFE,i16,-330,1 2,-,\n"
                                      "0x0A80,u16*3,32,*,-,\n"
                                      "0x0BA0,text:5,USA,*,-,\n"
                                      "0x2227,hex*2,0102,*,-,\n"
                                      "0x0F19,u8,@type,*,-,\n"
                                      "0x2210,fill:3,0xFF,*,-,\"a, b\"\n",
                             3, &s, &error))
        << error;
    ASSERT_EQ(s.size(), 7u);
    EXPECT_EQ(s[0].bytes, (std::vector<uint8_t>{0x2C, 0x01}));
    EXPECT_EQ(s[1].bytes, (std::vector<uint8_t>{0xB6, 0xFE}));
    EXPECT_TRUE(s[1].AppliesTo(2));
    EXPECT_FALSE(s[1].AppliesTo(0));
    EXPECT_EQ(s[2].bytes, (std::vector<uint8_t>{32, 0, 32, 0, 32, 0}));
    EXPECT_EQ(std::string(s[3].bytes.begin(), s[3].bytes.end()), "USA  ");
    EXPECT_EQ(s[4].bytes, (std::vector<uint8_t>{1, 2, 1, 2}));
    EXPECT_TRUE(s[5].modelTypeByte);
    EXPECT_EQ(s[6].bytes, (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));

    struct Case {
        const char* row;
        const char* expected;
    } cases[] = {
        {"0x4720,u8,0,*,-,\n", "bad address"},
        {"0x471F,u16,0,*,-,\n", "runs past the end"},
        {"0x0000,u8,256,*,-,\n", "outside the range of u8"},
        {"0x0000,u16,-1,*,-,\n", "outside the range of u16"},
        {"0x0000,u8,1,3,-,\n", "bad model list '3'"},
        {"0x0000,text:3,USAX,*,-,\n", "must fit 3"},
        {"0x0000,text:3,\tX,*,-,\n", "must fit 3"},
        {"0x0000,hex,0G,*,-,\n", "pairs of hexadecimal digits"},
        {"0x0000,u32,1,*,-,\n", "unknown type 'u32'"},
        {"0x0000,u16,@type,*,-,\n", "@type is a u8 value"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ReadSettings("s.csv", header + c.row, 3, &s, &error)) << c.row;
        EXPECT_EQ(error.rfind("s.csv:2: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST(FactoryPlan, WeatherAndFreeRowsAreChecked) {
    const std::string wx = "channel,rx_mhz,mode,name,sources,decision,note\n";
    std::vector<PlanWeather> w;
    std::string error;
    ASSERT_TRUE(ReadWeather("w.csv", wx + "WX2,162.400,rx-only,NOAA,,,\nWX10,163.275,unused,,,,\n",
                            &w, &error))
        << error;
    EXPECT_EQ(w[0].row, 1);
    EXPECT_EQ(w[1].row, 9);
    EXPECT_FALSE(ReadWeather("w.csv", wx + "WX11,162.400,rx-only,,,,\n", &w, &error));
    EXPECT_NE(error.find("w.csv:2: unknown weather channel 'WX11'"), std::string::npos);
    EXPECT_FALSE(ReadWeather("w.csv", wx + "WX1,162.550,rx-only,,,,\nWX1,162.550,rx-only,,,,\n", &w,
                             &error));
    EXPECT_NE(error.find("w.csv:3: weather channel WX1 is listed twice"), std::string::npos);
    EXPECT_FALSE(ReadWeather("w.csv", wx + "WX1,162.550,unused,,,,\n", &w, &error));
    EXPECT_NE(error.find("at least one weather channel"), std::string::npos);

    const std::string fr = "models,row,rx_mhz,tx_mhz,short_name,mode,sources,decision,note\n";
    std::vector<PlanFree> f;
    ASSERT_TRUE(ReadFree("f.csv", fr + "3,0,157.850,157.850,M1,simplex,,,\n", 4, &f, &error))
        << error;
    EXPECT_EQ(f[0].rxHz, 157850000u);
    EXPECT_TRUE(f[0].used);
    EXPECT_FALSE(ReadFree("f.csv", fr + "3,0,157.850,157.850,M1X,unused,,,\n", 4, &f, &error));
    EXPECT_NE(error.find("short name"), std::string::npos);
    EXPECT_FALSE(ReadFree(
        "f.csv", fr + "*,0,157.850,157.850,M1,unused,,,\n3,0,161.425,161.425,M2,unused,,,\n", 4, &f,
        &error));
    EXPECT_NE(error.find("f.csv:3: free row 0 is listed twice"), std::string::npos) << error;
    EXPECT_FALSE(ReadFree("f.csv", fr + "3,0,157.850,161.425,M1,simplex,,,\n", 4, &f, &error));
    EXPECT_NE(error.find("simplex means equal"), std::string::npos);
}

// The lists share one name per row: a channel in use in two tables under two names is refused,
// while a name on an unused row of one table does not count.
TEST(FactoryPlan, ChannelsInUseInSeveralListsShareOneName) {
    FactoryPlan plan;
    std::string error;
    ASSERT_TRUE(ReadChannelPlan("int.csv", Channels("09,156.450,156.450,simplex,SHIP-SHIP,,,,\n"),
                                &plan.international, &error));
    ASSERT_TRUE(ReadChannelPlan("usa.csv", Channels("09,156.450,156.450,unused,CALLING,,,,\n"),
                                &plan.usa, &error));
    ASSERT_TRUE(ReadChannelPlan("can.csv", Channels(""), &plan.canada, &error));
    EXPECT_TRUE(CheckSharedNames(plan, &error)) << error;
    ASSERT_TRUE(ReadChannelPlan("usa.csv", Channels("09,156.450,156.450,simplex,CALLING,,,,\n"),
                                &plan.usa, &error));
    EXPECT_FALSE(CheckSharedNames(plan, &error));
    EXPECT_NE(error.find("usa.csv:3: channel 09 is named 'CALLING' but 'SHIP-SHIP' in int.csv"),
              std::string::npos)
        << error;
}

}  // namespace
