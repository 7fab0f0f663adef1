#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/RadioModel.h"
#include "base/EventCodes.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "radio/cmcEeprom.h"
#include "support/ManualClock.h"
#include "support/ScriptedPrompter.h"
#include "text/cmcGTex.h"

namespace {

constexpr int kSize = 0x8000;

void PutText(cmcEeprom& image, int address, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        image.SetByte(address + static_cast<int>(i), static_cast<uint8_t>(text[i]));
    }
}

void PutBytes(cmcEeprom& image, int address, std::initializer_list<int> bytes) {
    for (int b : bytes) image.SetByte(address++, static_cast<uint8_t>(b));
}

// The map version: digits at 390 and 392-394 (391 is not part of it).
void PutVersion(cmcEeprom& image, const std::string& digits) {
    image.SetByte(390, static_cast<uint8_t>(digits[0]));
    PutText(image, 392, digits.substr(1));
}

std::vector<int> Bytes(const cmcEeprom& image, int address, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) out.push_back(image.GetByte(address + i));
    return out;
}

// A sound factory image: map marker, maker string, blank names, empty address book, version
// "0102", and a recognisable value in every byte that adoption may take over.
void MakeReference(cmcEeprom& ref, int modelType) {
    ref.SetSize(kSize);
    for (int a = 0; a < kSize; ++a) ref.SetByte(a, static_cast<uint8_t>(0x40 + a % 0x30));
    for (int a = 0x0F40; a <= 0x1F93; ++a) ref.SetByte(a, ' ');       // channel names
    for (int a = 0x20C0; a < 0x20C0 + 100; ++a) ref.SetByte(a, ' ');  // weather names
    for (int r = 0; r < 100; ++r) {                                   // DSC IDs: empty
        for (int i = 0; i < 5; ++i) ref.SetByte(0x2430 + 16 * r + i, 0xFF);
        for (int i = 5; i < 15; ++i) ref.SetByte(0x2430 + 16 * r + i, ' ');
        ref.SetByte(0x2430 + 16 * r + 15, 0xFF);
    }
    for (int a = 0x0070; a < 0x0190; ++a) ref.SetByte(a, 0);
    PutVersion(ref, "0102");
    PutText(ref, 0x0F10, "Vexa Inc");
    ref.SetByte(0x0F19, static_cast<uint8_t>(modelType));
    ref.SetByte(0x0F1A, 1);
    PutBytes(ref, 0x2210, {12, 34, 56, 78, 90, 0xF1, 0xAA});  // own ID with its check byte
}

class ModelTest : public testing::Test {
  protected:
    ModelTest() : model(working, reference, &host) {
        text.BindLines({"#GI_Sys_AppTitle",
                        "KELDA",
                        "#GI_App_InitialFile",
                        "T0.DAT",
                        "T1.DAT",
                        "T2.DAT",
                        "T3.DAT",
                        "T4.DAT",
                        "#GI_AppMess_ChangeModel",
                        "Change the model?",
                        "Line two",
                        "#GI_Mess_Maker_Caution",
                        "Careful.",
                        "#GI_Mess_FileErr_Headline",
                        "File error",
                        "#GI_Mess_FileErr_FileOpen",
                        "Cannot open",
                        "#GI_Mess_FileErr_Data",
                        "Bad data",
                        "#End_Of_Ovl"});
        MakeReference(reference, 2);
        working.Assign(reference);
        hub.Subscribe(&ModelTest::OnEvent, this);
        folder = std::filesystem::temp_directory_path() /
                 ("kelda_model_" + std::to_string(::getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        model.SetInitialFolder(folder.string());
    }
    ~ModelTest() override {
        hub.Unsubscribe(&ModelTest::OnEvent, this);
        std::filesystem::remove_all(folder);
    }

    static void OnEvent(void* self, HubEvent& e) {
        static_cast<ModelTest*>(self)->events.push_back(e.code);
    }

    // Writes an initial file by hand in the clone file form.
    void WriteInitialFile(const std::string& name, const cmcEeprom& image) {
        std::ofstream out(folder / name, std::ios::binary);
        out << "37150001\r\n#Comment=\r\n#MapRev=1\r\n";
        char buf[8];
        for (int a = 0; a <= 0x471F; a += 16) {
            std::snprintf(buf, sizeof buf, "%04X10", a);
            out << buf;
            for (int i = 0; i < 16; ++i) {
                std::snprintf(buf, sizeof buf, "%02X", image.GetByte(a + i));
                out << buf;
            }
            out << "\r\n";
        }
    }

    struct Host : RadioModelHost {
        std::vector<std::string> calls;
        void ModelTypeChanged(int type) override { calls.push_back("type" + std::to_string(type)); }
        void DocumentReset() override { calls.push_back("reset"); }
        void BuildTree() override { calls.push_back("tree"); }
    };

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    cmcGTex text;
    ScopedInstall<InstallGTex> textSlot{&text};
    test::ScriptedPrompter prompts;
    cmcEeprom working, reference;
    Host host;
    RadioModel model;
    std::vector<int> events;
    std::filesystem::path folder;
};

TEST(ModelVersion, DigitsMakeTheNumberAndAnythingElseCountsAsZero) {
    const struct {
        const char* digits;
        int version;
    } cases[] = {{"0102", 102}, {"9999", 9999}, {"0000", 0}, {"01:2", 0}, {"01/2", 0}};
    for (const auto& c : cases) {
        const auto* d = reinterpret_cast<const uint8_t*>(c.digits);
        EXPECT_EQ(RadioModel::VersionNumber(d[0], d[1], d[2], d[3]), c.version) << c.digits;
    }
}

TEST_F(ModelTest, OwnImageNeedsTheMarkerAndInStrictModeTheMaker) {
    EXPECT_TRUE(model.IsOwnImage(working, false));
    EXPECT_TRUE(model.IsOwnImage(working, true));
    working.SetByte(0x0F16, 'c');  // "Vexa Inc" -> "Vexa Icc"
    EXPECT_TRUE(model.IsOwnImage(working, false));
    EXPECT_FALSE(model.IsOwnImage(working, true));
    working.SetByte(0x0F1A, 2);
    EXPECT_FALSE(model.IsOwnImage(working, false));
    cmcEeprom empty;
    EXPECT_FALSE(model.IsOwnImage(empty, false));
    EXPECT_FALSE(model.CheckImageExtra(working));
}

TEST_F(ModelTest, OlderVersionTakesTheReferenceBlockAndTheMirrorGetsItsCheckByte) {
    // Version block of the image: all 0x11 with version "0101"; the reference's is all zero
    // but its version "0102".
    for (int a = 0x0070; a < 0x0190; ++a) working.SetByte(a, 0x11);
    PutVersion(working, "0101");
    model.AdoptImage(working, false);
    // Only the reference's version digits are not zero: 0x30 + 0x31 + 0x30 + 0x32 = 0xC3, plus
    // 0x80 for the flag at 0x02DE: 0x143, whose complement's low byte is 0xBC.
    EXPECT_EQ(Bytes(working, 0x0070, 288), Bytes(reference, 0x0070, 288));
    for (int i = 0; i < 286; ++i) ASSERT_EQ(working.GetByte(0x01C0 + i), working.GetByte(0x70 + i));
    EXPECT_EQ(working.GetByte(0x02DE), 0x80);
    EXPECT_EQ(working.GetByte(0x02DF), 0xBC);
}

TEST_F(ModelTest, VersionBlockIsKeptUnlessOlderOrUnreadable) {
    const struct {
        const char* digits;
        bool replaced;
    } cases[] = {{"0102", false}, {"0200", false}, {"0101", true}, {"01A2", true}};
    for (const auto& c : cases) {
        working.Assign(reference);
        for (int a = 0x0070; a < 0x0190; ++a) working.SetByte(a, 0x11);
        PutVersion(working, c.digits);
        model.AdoptImage(working, false);
        EXPECT_EQ(working.GetByte(0x0070) == 0x00, c.replaced) << c.digits;
        EXPECT_EQ(working.GetByte(0x01C0), working.GetByte(0x0070)) << c.digits;
        EXPECT_EQ(working.GetByte(0x02DE) & 0x80, 0x80);
    }
}

TEST_F(ModelTest, SoftKeysFollowScanAndWatchSwitches) {
    const std::vector<int> nine(9, 0x09);
    auto keys = [&](std::vector<int> head, int fill) {
        while (head.size() < 20) head.push_back(fill);
        return head;
    };
    const struct {
        int scan, watch;  // 0x0BB8 bit 4; 0x0BB9 bits 6 and 7
        std::vector<int> expected;
    } cases[] = {
        {0x10, 0x40, Bytes(reference, 0x0B80, 20)},
        {0x10, 0x80, Bytes(reference, 0x0B80, 20)},
        {0x10, 0x00, keys({0x21, 0x22, 0x23, 0x24, 0x00, 0x03, 0x02, 0x05, 0x06, 0x07, 0x08}, 9)},
        {0x00, 0xC0, keys({0x21, 0x22, 0x23, 0x24, 0x01, 0x03, 0x02, 0x05, 0x06, 0x07, 0x08}, 9)},
        {0x00, 0x00, keys({0x21, 0x22, 0x23, 0x24, 0x03, 0x02, 0x05, 0x06, 0x07, 0x08}, 9)},
    };
    for (const auto& c : cases) {
        working.Assign(reference);
        for (int i = 0; i < 20; ++i) working.SetByte(0x0B80 + i, 0x77);
        working.SetByte(0x0BB8, static_cast<uint8_t>((working.GetByte(0x0BB8) & ~0x10) | c.scan));
        working.SetByte(0x0BB9, static_cast<uint8_t>((working.GetByte(0x0BB9) & ~0xC0) | c.watch));
        model.AdoptImage(working, false);
        EXPECT_EQ(Bytes(working, 0x0B80, 20), c.expected) << c.scan << "/" << c.watch;
    }
}

TEST_F(ModelTest, OwnIdIsKeptWhenSoundElseTakenFromTheReference) {
    const struct {
        std::vector<int> block;  // 0x2210-0x2216
        bool sound;
    } cases[] = {
        {{23, 45, 67, 89, 0, 0x1F, 0x55}, true},     // 224 = 0xE0, complement 0x1F
        {{23, 45, 67, 89, 0, 0x20, 0x55}, false},    // wrong check byte
        {{23, 45, 67, 89, 100, 0x1B, 0x55}, false},  // a byte above 99
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x55}, false},
    };
    for (const auto& c : cases) {
        working.Assign(reference);
        for (int i = 0; i < 7; ++i) working.SetByte(0x2210 + i, static_cast<uint8_t>(c.block[i]));
        for (int i = 7; i < 16; ++i) working.SetByte(0x2210 + i, 0x33);
        model.AdoptImage(working, false);
        if (c.sound) {
            std::vector<int> expected = c.block;
            expected[6] = 0;
            EXPECT_EQ(Bytes(working, 0x2210, 7), expected);
            EXPECT_EQ(working.GetByte(0x2217), 0x33);
        } else {
            EXPECT_EQ(Bytes(working, 0x2210, 16), Bytes(reference, 0x2210, 16));
        }
    }
}

TEST_F(ModelTest, FixedValuesDependOnTheSaveFlagAndTheModelType) {
    for (int a : {0x0A87, 0x0A88, 0x0AF1, 0x0BB0, 0x0BB1}) working.SetByte(a, 0xEE);
    PutBytes(working, 0x0BB2, {0x12, 0x01, 0x34, 0x00, 0x56, 0x00});  // P channel rows
    model.AdoptImage(working, false);
    EXPECT_EQ(working.GetByte(0x0A87), 0xEE);  // only when saving
    EXPECT_EQ(working.GetByte(0x0A88), reference.GetByte(0x0A88));
    EXPECT_EQ(working.GetByte(0x0AF1), reference.GetByte(0x0AF1));
    EXPECT_EQ(Bytes(working, 0x0BB0, 2), Bytes(reference, 0x0BB0, 2));
    EXPECT_NE(Bytes(working, 0x0A80, 6), (std::vector<int>{0x12, 0x01, 0x34, 0x00, 0x56, 0x00}));

    // Saving: the current P channels are recorded and the first weather channel in use.
    working.SetByte(0x0BB0, 0x07);  // weather rows 0-2 unused
    working.SetByte(0x0BB1, 0x00);
    model.SetModelType(6);  // regional type: the weather switches stay the image's
    model.AdoptImage(working, true);
    EXPECT_EQ(working.GetByte(0x0A87), reference.GetByte(0x0A87));
    EXPECT_EQ(Bytes(working, 0x0A80, 6), (std::vector<int>{0x12, 0x01, 0x34, 0x00, 0x56, 0x00}));
    EXPECT_EQ(working.GetByte(0x0A86), 3);
    EXPECT_EQ(working.GetByte(0x0BB0), 0x07);

    // No weather channel in use: the reference's start stays.
    working.SetByte(0x0BB0, 0xFF);
    working.SetByte(0x0BB1, 0x03);
    model.AdoptImage(working, true);
    EXPECT_EQ(working.GetByte(0x0A86), reference.GetByte(0x0A86));
}

TEST_F(ModelTest, AlarmGroupsTakeKindAndFixedFlagsFromTheReference) {
    for (int g = 0; g < 11; ++g) {
        PutBytes(reference, 0x23EE + 4 * g, {3, 1, 1, 0x11});
        PutBytes(working, 0x23EE + 4 * g, {10, 7 + g, 99, 0xEE});
    }
    model.AdoptImage(working, false);
    EXPECT_EQ(Bytes(working, 0x23EE, 4), (std::vector<int>{3, 7, 7, 0xFF}));
    // The position alarms keep their shutdown bit: only the visual bit is fixed.
    EXPECT_EQ(Bytes(working, 0x23F2, 4), (std::vector<int>{3, 8, 8, 0xFE}));
    EXPECT_EQ(Bytes(working, 0x240E, 4), (std::vector<int>{3, 15, 15, 0xFE}));
    EXPECT_EQ(Bytes(working, 0x2412, 4), (std::vector<int>{3, 16, 16, 0xFE}));
    // The group at 0x2406 sounds at the distress volume (0x23F7).
    EXPECT_EQ(Bytes(working, 0x2406, 4), (std::vector<int>{3, 9, 9, 0xFF}));
}

// DSC ID records: ID of ten digits as five bytes, a name, the kind.
void PutId(cmcEeprom& image, int table, int row, std::initializer_list<int> id,
           const std::string& name, int kind) {
    const int base = 0x2430 + 16 * (row + (table == 8 ? 75 : 0));
    int i = 0;
    for (int b : id) image.SetByte(base + i++, static_cast<uint8_t>(b));
    PutText(image, base + 5, name);
    image.SetByte(base + 15, static_cast<uint8_t>(kind));
}

std::vector<int> IdOf(const cmcEeprom& image, int table, int row) {
    return Bytes(image, 0x2430 + 16 * (row + (table == 8 ? 75 : 0)), 5);
}

TEST_F(ModelTest, AdjustMovesEachIdToItsTableAndCompacts) {
    PutId(working, 7, 1, {12, 34, 56, 78, 90}, "ALPHA     ", 0);
    PutId(working, 7, 2, {1, 23, 45, 67, 80}, "GROUPIND  ", 0);  // first digit 0: a group
    PutId(working, 7, 4, {98, 76, 54, 32, 10}, "BRAVO     ", 0);
    PutId(working, 8, 3, {55, 55, 55, 55, 50}, "SHIPINGRP ", 1);  // an individual ID
    PutId(working, 8, 5, {2, 22, 22, 22, 20}, "GROUP     ", 1);
    model.AdjustImage(working);

    EXPECT_EQ(IdOf(working, 7, 0), (std::vector<int>{12, 34, 56, 78, 90}));
    EXPECT_EQ(IdOf(working, 7, 1), (std::vector<int>{98, 76, 54, 32, 10}));
    EXPECT_EQ(IdOf(working, 7, 2), (std::vector<int>{55, 55, 55, 55, 50}));
    EXPECT_EQ(working.GetByte(0x2430 + 16 * 2 + 5), 'S');  // the name moves with the ID
    EXPECT_EQ(IdOf(working, 8, 0), (std::vector<int>{1, 23, 45, 67, 80}));
    EXPECT_EQ(IdOf(working, 8, 1), (std::vector<int>{2, 22, 22, 22, 20}));
    EXPECT_EQ(working.GetByte(0x2430 + 16 * 75 + 15), 1);
    for (int row = 3; row < 75; ++row) {
        ASSERT_EQ(IdOf(working, 7, row), std::vector<int>(5, 0xFF)) << row;
        ASSERT_EQ(working.GetByte(0x2430 + 16 * row + 15), 0xFF) << row;
    }
    for (int row = 2; row < 25; ++row) ASSERT_EQ(IdOf(working, 8, row), std::vector<int>(5, 0xFF));
}

TEST_F(ModelTest, AdjustDropsWhatAFullTableCannotTake) {
    for (int row = 0; row < 75; ++row) PutId(working, 7, row, {11, 11, 11, 11, row}, "FULL", 0);
    PutId(working, 8, 0, {22, 22, 22, 22, 20}, "EXTRA", 1);  // individual: no room left
    model.AdjustImage(working);
    EXPECT_EQ(IdOf(working, 7, 74), (std::vector<int>{11, 11, 11, 11, 70}));  // tenth digit 0
    EXPECT_EQ(IdOf(working, 8, 0), std::vector<int>(5, 0xFF));
}

// Addresses that adoption and compaction may change.
std::set<int> AdoptableAddresses() {
    std::set<int> s;
    auto span = [&](int first, int count) {
        for (int i = 0; i < count; ++i) s.insert(first + i);
    };
    for (int base : {0x0310, 0x04D0, 0x0690}) span(base, 418);  // channel flags
    span(0x0F40, 4180);                                         // channel names
    span(0x0850, 560);                                          // free channels
    span(0x0A80, 0x0B01 - 0x0A80);                              // 0x0A80-0x0B00 settings
    span(0x0B80, 20);                                           // soft keys
    span(0x0BB0, 0x0BD0 - 0x0BB0);                              // switches, P rows, timers
    span(0x0BE6, 648);
    span(0x0E6E, 0x0ED2 - 0x0E6E);
    span(0x0F10, 11);
    span(0x20C0, 100);              // weather names
    span(0x2160 + 57, 114);         // DSC channel flags
    span(0x2210, 0x241A - 0x2210);  // own ID, call table, alarms
    span(0x2430, 1600);             // DSC IDs
    for (int a : {0x2A70, 0x2AB0, 0x2AF0}) span(a, 50);
    for (int a : {0x2B30, 0x3300, 0x3AD0}) span(a, 2000);
    span(0x0070, 288);
    span(0x01C0, 288);
    return s;
}

TEST_F(ModelTest, BrokenImagesChangeOnlyAdoptableAddresses) {
    const std::set<int> allowed = AdoptableAddresses();
    std::mt19937 random(7);
    for (int pattern : {0xFF, 0x00, -1}) {
        for (bool forSave : {false, true}) {
            for (int a = 0; a < kSize; ++a) {
                working.SetByte(a, static_cast<uint8_t>(pattern >= 0 ? pattern : random()));
            }
            cmcEeprom before;
            before.Assign(working);
            model.AdoptImage(working, forSave);
            model.AdjustImage(working);
            for (int a = 0; a < kSize; ++a) {
                if (working.GetByte(a) != before.GetByte(a)) {
                    ASSERT_TRUE(allowed.count(a)) << std::hex << a << " pattern " << pattern;
                }
            }
            // Whatever came in, the mirror is consistent afterwards.
            EXPECT_EQ(working.GetByte(0x02DF), RadioModel::ComplementSum(working, 0x01C0, 287));
        }
    }
}

TEST_F(ModelTest, ChangeModelWithoutQuestionReloadsTheReferenceAndRebuildsTheTree) {
    cmcEeprom four;
    MakeReference(four, 4);
    four.SetByte(0x0A88, 0x5A);
    WriteInitialFile("T4.DAT", four);
    working.SetByte(0x0A88, 0x01);

    EXPECT_TRUE(model.ChangeModel(4, false));
    EXPECT_EQ(model.ModelType(), 4);
    EXPECT_EQ(reference.GetByte(0x0A88), 0x5A);
    EXPECT_EQ(working.GetByte(0x0A88), 0x01);  // the document stays as it was
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"type4", "tree"}));

    EXPECT_FALSE(model.ChangeModel(4, true));  // same type: nothing, not even a question
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(ModelTest, ChangeModelWithQuestionReplacesTheDocumentOnlyOnOk) {
    cmcEeprom four;
    MakeReference(four, 4);
    four.SetByte(0x0A88, 0x5A);
    WriteInitialFile("T4.DAT", four);
    cmcEeprom before;
    before.Assign(reference);

    prompts.Answer(platform::kAnswerCancel);
    EXPECT_FALSE(model.ChangeModel(4, true));
    EXPECT_EQ(model.ModelType(), 2);
    EXPECT_TRUE(reference.Equals(before));
    EXPECT_TRUE(host.calls.empty());
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].text, "Change the model?\nLine two");
    EXPECT_EQ(prompts.shown()[0].caption, "KELDA");
    EXPECT_EQ(prompts.shown()[0].icon, platform::PromptIcon::Warning);
    EXPECT_EQ(prompts.shown()[0].buttons, platform::PromptButtons::OkCancel);

    prompts.Answer(platform::kAnswerOk);
    EXPECT_TRUE(model.ChangeModel(4, true));
    EXPECT_EQ(model.ModelType(), 4);
    EXPECT_TRUE(working.Equals(reference));
    EXPECT_EQ(working.GetByte(0x0A88), 0x5A);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"type4", "reset", "tree"}));
}

TEST_F(ModelTest, LoadedImageSwitchesToItsModelAndAsksForATreeRebuild) {
    cmcEeprom four;
    MakeReference(four, 4);
    WriteInitialFile("T4.DAT", four);
    working.SetByte(0x0F19, 4);
    for (int i = 0; i < 20; ++i) working.SetByte(0x0B80 + i, 0x77);
    working.SetByte(0x0BB8, 0);
    working.SetByte(0x0BB9, 0);
    model.OnImageLoaded(working);
    EXPECT_EQ(model.ModelType(), 4);
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(working.GetByte(0x0B80 + 4), 0x03);  // adopted
    EXPECT_EQ(events, std::vector<int>{ev::kRebuildTree});
}

TEST_F(ModelTest, LoadedImageOfAnUnknownModelKeepsTheCurrentOne) {
    EXPECT_EQ(model.ModelTypeCount(), 5);
    for (int type : {5, 0xFF}) {
        working.SetByte(0x0F19, static_cast<uint8_t>(type));
        model.OnImageLoaded(working);
        EXPECT_EQ(model.ModelType(), 2);
        EXPECT_EQ(working.GetByte(0x0F19), type);  // the file's own byte is kept
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(ModelTest, InitialFileLoadsAndIsAdopted) {
    cmcEeprom two;
    MakeReference(two, 2);
    two.SetByte(0x01C0, 0x99);  // a stale mirror is refreshed by the adoption
    WriteInitialFile("T2.DAT", two);
    reference.Fill(0);
    model.LoadInitialFile(2);
    EXPECT_EQ(reference.GetByte(0x0F1A), 1);
    EXPECT_EQ(reference.GetByte(0x01C0), reference.GetByte(0x0070));
    EXPECT_EQ(model.InitialFilePath(2), (folder / "T2.DAT").string());
}

using ModelDeathTest = ModelTest;

TEST_F(ModelDeathTest, MissingOrForeignInitialFileIsFatalWithItsFullPath) {
    const std::string path = (folder / "T3.DAT").string();
    EXPECT_EXIT(model.LoadInitialFile(3), testing::ExitedWithCode(3),
                "Cannot open '" + path + "'\\.");
    cmcEeprom foreign;
    MakeReference(foreign, 3);
    foreign.SetByte(0x0F1A, 0);
    WriteInitialFile("T3.DAT", foreign);
    EXPECT_EXIT(model.LoadInitialFile(3), testing::ExitedWithCode(3), "Cannot open '");
}

TEST_F(ModelTest, MakerWriteIsConfirmedEachTimeOnlyInManufacturerMode) {
    EXPECT_TRUE(model.ConfirmMakerWrite());
    EXPECT_TRUE(prompts.shown().empty());

    prompts.Answer(platform::kAnswerCancel);
    EXPECT_FALSE(model.EnterManufacturerMode());
    EXPECT_FALSE(model.MakerMode());
    prompts.Answer(platform::kAnswerOk);
    EXPECT_TRUE(model.EnterManufacturerMode());
    EXPECT_FALSE(model.EnterManufacturerMode());  // already on: no question
    EXPECT_EQ(prompts.shown().size(), 2u);
    EXPECT_EQ(host.calls, std::vector<std::string>{"tree"});

    prompts.Answer(platform::kAnswerOk);
    prompts.Answer(platform::kAnswerCancel);
    EXPECT_TRUE(model.ConfirmMakerWrite());
    EXPECT_FALSE(model.ConfirmMakerWrite());
    EXPECT_EQ(prompts.shown().size(), 4u);
    EXPECT_EQ(prompts.shown()[3].text, "Careful.");
}

}  // namespace
