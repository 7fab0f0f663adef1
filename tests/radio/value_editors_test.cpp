#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "radio/CellDispatcher.h"
#include "radio/MemoryMap.h"
#include "radio/ValueEditors.h"
#include "radio/cmcCellCapsule.h"
#include "radio/datCh.h"
#include "sheet/cmcCellObj.h"
#include "support/CellDoubles.h"

namespace {

class EditorTest : public testing::Test {
  protected:
    test::InstalledOverlay overlay{{
        "#GI_Sheet_Sel_Misc_OnOff_Cells",
        "{(%Flex0[0])}OFF|{(%Flex0[1])}ON",
        "#GI_Sheet_Sel_UserSetLcdInt_E_Cells",
        "{(%Flex0[0])}---",
        "{(%Flex0[2])}INT",
        "{(%Flex0[4])}DSC",
        "#GI_Sheet_Sel_UserSetLcdUsa_Cells",
        "#GI_Sheet_Sel_KeyAs_SkeyMU_Cells",
        "{(%CL_FlexMarking[0])}SCAN|{(%Flex0[3])}WX",
        "{(%CL_FlexMarking[1])}DW/TW",
        "{(%CL_FlexMarking[5])}WX",
        "#GI_Botttom_EnterNumber",
        "Number %s-%s",
        "Seconds %s-%s",
        "Milliseconds %s-%s",
        "#GI_Botttom_Frequency",
        "Band %s-%s MHz by %s kHz",
        "#End_Of_Ovl",
    }};

    // A request with a grid for the key, or a commit of text.
    cmcCellCapsule& Key(int key) {
        req.Reset();
        req.cell = &cell;
        req.grid = &grid;
        req.key = key;
        return req;
    }
    cmcCellCapsule& Commit(const std::string& text) {
        Key(0);
        req.commitMode = CommitMode::kText;
        req.inputText = text;
        return req;
    }

    test::RecordingGrid grid;
    cmcCellObj cell;
    cmcCellCapsule req;
};

// Text that must never crash an editor nor carry its value out of range.
const char* const kBadInputs[] = {
    "",
    "abc",
    "-",
    "+",
    ".",
    "...",
    "--5",
    "1e9",
    "9999999999999999999",
    "-999999999999",
    "\xC3\xA9\xE2\x82\xAC",
    " 12 ",
    "1.2.3",
    "::",
    "\t\n",
    "0x1F",
};

TEST(CharacterHelpers, ParseAndFilters) {
    const struct {
        const char* in;
        int out;
    } numbers[] = {{"42", 42},
                   {" 4 2 ", 42},
                   {"2.5", 3},
                   {"-2.5", -3},
                   {"-2.4", -2},
                   {"1-2", 1},
                   {"abc", 0},
                   {"", 0},
                   {"--5", 0},
                   {"1.2.3", 1},
                   {"1234567890123", 123456789}};
    for (const auto& c : numbers) EXPECT_EQ(ParseNumber(c.in), c.out) << c.in;

    EXPECT_EQ(KeepChars("a1b2.c-3", ".-"), "12.-3");

    char name[10];
    std::memcpy(name, "abc{|}~\x01\xC3z", 10);
    LcdFilter(name, 10);
    EXPECT_EQ(std::string(name, 10), std::string("ABC    ") + "  Z");

    const struct {
        const char* in;
        const char* out;
    } shorts[] = {{"f1a", "F1A"}, {"F1C", "F1 "}, {"~~b", "  B"}, {"ab\x01", "AB "}};
    for (const auto& c : shorts) {
        char s[3];
        std::memcpy(s, c.in, 3);
        ShortNameFilter(s);
        EXPECT_EQ(std::string(s, 3), c.out) << c.in;
    }
}

TEST(CharacterHelpers, FrequencySnapAndFormat) {
    const struct {
        uint32_t in;
        bool ok;
        uint32_t out;
    } snaps[] = {{156'800'000, true, 156'800'000}, {156'810'000, true, 156'812'500},
                 {156'806'250, true, 156'806'250}, {100'000'000, true, 100'000'000},
                 {156'800'001, false, 0},          {156'801'000, false, 0}};
    for (const auto& c : snaps) {
        uint32_t out = 0;
        EXPECT_EQ(SnapFrequency(c.in, out), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(out, c.out) << c.in;
        }
    }
    EXPECT_EQ(FormatFrequency(156'812'500), "156.81250");
    EXPECT_EQ(FormatFrequency(100'000'000), "100.00000");
}

// What a typed number reads as: the decimal comma is a decimal point, the cell's own unit may
// follow, and everything else that is not plainly a number is unreadable, never guessed at.
TEST(CharacterHelpers, TypedNumbers) {
    using R = TypedNumber;
    const struct {
        const char* in;
        int decimals;
        const char* unit;
        R read;
        long long value;
    } cases[] = {
        {"156,8", 6, "MHz", R::kRead, 156'800'000},
        {"156.8", 6, "MHz", R::kRead, 156'800'000},
        {" 156,8 mhz ", 6, "MHz", R::kRead, 156'800'000},
        {",5", 2, "", R::kRead, 50},
        {"1,35", 2, " sec", R::kRead, 135},
        {"1.350", 2, " sec", R::kRead, 135},  // zeros beyond the cell's digits say nothing
        {"600 sec", 0, " sec", R::kRead, 600},
        {"600sec", 0, " sec", R::kRead, 600},
        {"-3", 0, "", R::kRead, -3},
        {"+3", 0, "", R::kRead, 3},
        {"10,0", 0, " sec", R::kRead, 10},
        {"99999999999999999999", 0, "", R::kRead, 1'000'000'000'000'000},
        {"", 0, "", R::kEmpty, 0},
        {" \t", 0, "", R::kEmpty, 0},
        {"10,5", 0, " sec", R::kUnreadable, 0},  // a whole-number cell: not 105, not 11
        {"1.355", 2, " sec", R::kUnreadable, 0},
        {"5 min", 0, " sec", R::kUnreadable, 0},
        {"156.8 kHz", 6, "MHz", R::kUnreadable, 0},
        {"1.000,5", 3, "", R::kUnreadable, 0},
        {"1,2,3", 3, "", R::kUnreadable, 0},
        {"1 2", 0, "", R::kUnreadable, 0},
        {"abc", 0, "", R::kUnreadable, 0},
        {".", 2, "", R::kUnreadable, 0},
        {"-", 0, "", R::kUnreadable, 0},
        {"--5", 0, "", R::kUnreadable, 0},
        {"0x1F", 0, "", R::kUnreadable, 0},
        {"1e9", 0, "", R::kUnreadable, 0},
        {"5 sec", 0, "", R::kUnreadable, 0},  // a unit where the cell has none
    };
    for (const auto& c : cases) {
        long long v = -1;
        EXPECT_EQ(ReadTypedNumber(c.in, c.decimals, c.unit, v), c.read) << c.in;
        if (c.read == R::kRead) {
            EXPECT_EQ(v, c.value) << c.in;
        }
    }
}

TEST(CharacterHelpers, TimeOffsetAndDecimalText) {
    const struct {
        const char* in;
        bool ok;
        int minutes;
    } offsets[] = {{"-5:30", true, -330}, {"+5:30", true, 330}, {"14:00", true, 840},
                   {"14:01", false, 0},   {"5:60", false, 0},   {"3", true, 180},
                   {":45", true, 45},     {"1:2:3", false, 0},  {"123:45", false, 0},
                   {"", true, 0}};
    for (const auto& c : offsets) {
        int m = 999;
        EXPECT_EQ(ParseTimeOffset(c.in, m), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(m, c.minutes) << c.in;
        }
    }
    EXPECT_EQ(FormatTimeOffset(-330), "-5:30");
    EXPECT_EQ(FormatTimeOffset(65), "+1:05");
    EXPECT_EQ(FormatTimeOffset(0), "0:00");

    EXPECT_EQ(FormatDecimal(120, 100, 1), "1.20");
    EXPECT_EQ(FormatDecimal(150, 100, 3), "1.5");
    EXPECT_EQ(FormatDecimal(100, 1, 4), "100");
    EXPECT_EQ(FormatDecimal(100, 1, 0), "100.000");
}

TEST_F(EditorTest, CommonKeyRules) {
    char buf[10];
    std::memcpy(buf, "  NAME    ", 10);
    EXPECT_FALSE(EditText(Key(cellkey::kEnter), buf, 10));
    EXPECT_EQ(req.signal, EditorSignal::kEditor);
    EXPECT_EQ(req.displayText, "NAME");
    EXPECT_EQ(req.selStart, 0);
    EXPECT_EQ(req.selLength, 4);

    for (int key : {int(cellkey::kF2), int(cellkey::kSpace), int(cellkey::kBackspace)}) {
        EditText(Key(key), buf, 10);
        EXPECT_EQ(req.signal, EditorSignal::kEditor) << key;
        EXPECT_EQ(req.displayText, "NAME") << key;
    }

    EditText(Key('x'), buf, 10);
    EXPECT_EQ(req.displayText, "x");
    EXPECT_EQ(req.selStart, 1);
    EXPECT_EQ(req.selLength, 0);

    // A render selects the whole text; without a grid keys do nothing.
    Key(cellkey::kEnter).grid = nullptr;
    EditText(req, buf, 10);
    EXPECT_EQ(req.signal, EditorSignal::kNone);
    EXPECT_EQ(req.displayText, "  NAME");
    EXPECT_EQ(req.selLength, 6);
}

TEST_F(EditorTest, TextCommitPadsAndCleans) {
    char buf[10];
    std::memset(buf, 'Q', 10);
    EXPECT_TRUE(EditText(Commit("AB\x01"
                                "CDEFGHIJKLMNOP"),
                         buf, 10));
    EXPECT_EQ(std::string(buf, 10), "AB CDEFGHI");
    EXPECT_TRUE(EditText(Commit("x"), buf, 10));
    EXPECT_EQ(std::string(buf, 10), "x         ");
    EXPECT_EQ(req.displayText, "x");
}

TEST_F(EditorTest, IntegerCommitStepAndWrap) {
    IntegerRange r{1, 69};
    int v = 5;
    EXPECT_TRUE(EditInteger(Commit("42"), v, r));
    EXPECT_EQ(v, 42);
    EXPECT_EQ(req.refusal, nullptr);
    // Out of range or unreadable: refused with the range, the value kept.
    for (const char* wrong : {"1000", "0", "abc", "2.5", "42 sec", "4,2"}) {
        EXPECT_FALSE(EditInteger(Commit(wrong), v, r)) << wrong;
        EXPECT_EQ(v, 42) << wrong;
        EXPECT_EQ(RefusalText(req), "Number 1-69") << wrong;
    }
    EXPECT_FALSE(EditInteger(Commit("  "), v, r));  // nothing typed: nothing to say
    EXPECT_EQ(req.refusal, nullptr);
    v = 69;
    EXPECT_TRUE(EditInteger(Key(cellkey::kSpace), v, r));  // at the maximum: the minimum
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(EditInteger(Key(cellkey::kBackspace), v, r));
    EXPECT_EQ(v, 69);
    EXPECT_EQ(req.displayText, "69");

    // Offsets, steps, units, fixed text and clamping.
    IntegerRange stepped{0, 600, 0, 10};
    v = 0;
    EXPECT_FALSE(EditInteger(Commit("45"), v, stepped));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(EditInteger(Commit("40"), v, stepped));
    EXPECT_EQ(v, 40);
    IntegerRange offset{0, 20, 1};
    EditInteger(Commit("5"), v, offset);
    EXPECT_EQ(v, 4);
    EXPECT_EQ(req.displayText, "5");
    EXPECT_FALSE(EditInteger(Commit("0"), v, offset));
    EXPECT_EQ(RefusalText(req), "Number 1-21");
    IntegerRange seconds{0, 600};
    seconds.unit = " sec";
    for (const char* wrong : {"700", "5 min", "10,5"}) {
        EXPECT_FALSE(EditInteger(Commit(wrong), v, seconds)) << wrong;
        EXPECT_EQ(RefusalText(req), "Seconds 0-600") << wrong;
    }
    EXPECT_TRUE(EditInteger(Commit("600 sec"), v, seconds));
    EXPECT_EQ(v, 600);
    IntegerRange clamp{0, 20, 0, 1, nullptr, true};
    v = 200;
    EXPECT_TRUE(EditInteger(Key(0), v, clamp));
    EXPECT_EQ(v, 20);
    IntegerRange fixed{0, 20, 0, 1, "Auto"};
    EditInteger(Key(0), v, fixed);
    EXPECT_EQ(req.displayText, "Auto");

    // "-" opens the editor only where negative values exist.
    EditInteger(Key('-'), v, r);
    EXPECT_EQ(req.signal, EditorSignal::kNone);
    IntegerRange neg{-5, 5};
    EditInteger(Key('-'), v, neg);
    EXPECT_EQ(req.signal, EditorSignal::kEditor);
}

TEST_F(EditorTest, DecimalTimer) {
    int v = 120;
    EditDecimal(Key(0), v, 100, 80, 150, 1, " sec");
    EXPECT_EQ(req.displayText, "1.20 sec");
    EditDecimal(Key(cellkey::kEnter), v, 100, 80, 150, 1, " sec");
    EXPECT_EQ(req.displayText, "1.20");
    EXPECT_EQ(req.signal, EditorSignal::kEditor);
    EditDecimal(Key(','), v, 100, 80, 150, 1, " sec");
    EXPECT_EQ(req.displayText, ",");
    for (const char* typed : {"1.35", "1,35", "1,35 sec", " 1.350 "}) {
        v = 120;
        EXPECT_TRUE(EditDecimal(Commit(typed), v, 100, 80, 150, 1, " sec")) << typed;
        EXPECT_EQ(v, 135) << typed;
    }
    for (const char* wrong : {"9", "-1.2", "0.5", "1.355", "1,3,5", "xyz", "1.3 min", "off"}) {
        EXPECT_FALSE(EditDecimal(Commit(wrong), v, 100, 80, 150, 1, " sec")) << wrong;
        EXPECT_EQ(v, 135) << wrong;
        EXPECT_EQ(RefusalText(req), "Seconds 0.80-1.50") << wrong;
    }
    EXPECT_TRUE(EditDecimal(Key(cellkey::kSpace), v, 100, 80, 150, 1, " sec"));
    EXPECT_EQ(v, 136);
    v = 150;
    EXPECT_TRUE(EditDecimal(Key(cellkey::kSpace), v, 100, 80, 150, 1, " sec"));
    EXPECT_EQ(v, 80);
    // Whole milliseconds: a minus sign is not dropped (refused, not read as 5).
    int ms = 50;
    EXPECT_FALSE(EditDecimal(Commit("-5"), ms, 1, 0, 255, 4, " msec"));
    EXPECT_EQ(ms, 50);
    EXPECT_EQ(RefusalText(req), "Milliseconds 0-255");
    EXPECT_TRUE(EditDecimal(Commit("120 msec"), ms, 1, 0, 255, 4, " msec"));
    EXPECT_EQ(ms, 120);
}

// "off" stores 0 only where 0 is in the cell's range; elsewhere it is refused.
TEST_F(EditorTest, DecimalOffOnlyWhereZeroIsAValue) {
    const struct {
        const char* typed;
        int minimum, maximum, before;
        bool changed;
        int after;
    } cases[] = {
        {"Off", 0, 255, 40, true, 0},      {"of", 0, 255, 40, true, 0},
        {"120 of", 0, 255, 40, false, 40}, {"off", 50, 200, 100, false, 100},
        {"OFF", 80, 150, 120, false, 120}, {"120 of", 50, 200, 100, false, 100},
    };
    for (const auto& c : cases) {
        int v = c.before;
        EXPECT_EQ(EditDecimal(Commit(c.typed), v, 1, c.minimum, c.maximum, 4, nullptr), c.changed)
            << c.typed << " in " << c.minimum << "-" << c.maximum;
        EXPECT_EQ(v, c.after) << c.typed << " in " << c.minimum << "-" << c.maximum;
        EXPECT_EQ(req.refusal == nullptr, c.changed) << c.typed;
    }
}

TEST_F(EditorTest, TimeOffsetEditor) {
    int m = 0;
    EXPECT_TRUE(EditTimeOffset(Commit("-05:30"), m));
    EXPECT_EQ(m, -330);
    EXPECT_EQ(req.displayText, "-5:30");
    EXPECT_EQ(req.refusal, nullptr);
    // A refused offset says why in the bottom bar instead of leaving the cell as it was unsaid.
    for (const char* wrong : {"14:01", "2:60", "5.30", "1:2:3"}) {
        EXPECT_FALSE(EditTimeOffset(Commit(wrong), m)) << wrong;
        EXPECT_STREQ(req.refusal, "GI_Botttom_TimeOffset") << wrong;
    }
    EXPECT_EQ(m, -330);
    EditTimeOffset(Key('+'), m);
    EXPECT_EQ(req.displayText, "+");
}

TEST_F(EditorTest, IdEditor) {
    uint8_t id[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(EditId(Key(0), id));
    EXPECT_EQ(req.displayText, "");
    EXPECT_TRUE(EditId(Commit("366 123 456"), id));
    EXPECT_EQ(req.displayText, "366123456");
    EXPECT_EQ(id[0], 36);
    EXPECT_EQ(id[4], 60);
    // Any other count is refused and changes nothing; only an empty entry clears the ID.
    for (const char* wrong : {"12345678", "1234567890", "3661234", "x", "."}) {
        EXPECT_FALSE(EditId(Commit(wrong), id)) << wrong;
        EXPECT_STREQ(req.refusal, "GI_Botttom_IdNineDigits") << wrong;
        EXPECT_EQ(id[0], 36) << wrong;
        EXPECT_EQ(id[4], 60) << wrong;
    }
    EXPECT_TRUE(EditId(Commit("  "), id));
    EXPECT_EQ(req.refusal, nullptr);
    for (uint8_t b : id) EXPECT_EQ(b, 0xFF);
    EXPECT_FALSE(EditId(Key('7'), id));
    EXPECT_EQ(req.displayText, "7");
}

TEST_F(EditorTest, FrequencyEditor) {
    cmcEeprom image;
    image.SetSize(cmcEeprom::kImageSize);
    datCh rec(&image);
    rec.Blank(mm::kFreeCh, 0);

    const struct {
        const char* text;
        uint32_t hz;
    } cases[] = {{"156.8", 156'800'000},     {"156,8", 156'800'000},   {"156.81", 156'812'500},
                 {"156.80625", 156'806'250}, {"163.275", 163'275'000}, {"157,425 MHz", 157'425'000},
                 {"156", 156'000'000}};
    for (const auto& c : cases) {
        rec.Blank(mm::kFreeCh, 0);
        EXPECT_TRUE(EditFrequency(Commit(c.text), rec, false)) << c.text;
        EXPECT_EQ(rec.rxHz, c.hz) << c.text;
        EXPECT_EQ(rec.txHz, c.hz) << c.text;  // a blank record's transmit follows
    }
    // Outside the band, off the raster or unreadable: refused with the band, nothing changed.
    for (const char* wrong : {"99", "1568", "250", "155.9999", "163.28", "156.8001", "-156.8",
                              "156.8.1", "156,8 kHz", "1.000,5", "abc"}) {
        EXPECT_FALSE(EditFrequency(Commit(wrong), rec, false)) << wrong;
        EXPECT_EQ(rec.rxHz, 156'000'000u) << wrong;
        EXPECT_EQ(RefusalText(req), "Band 156.000-163.275 MHz by 6.25 kHz") << wrong;
    }
    EXPECT_FALSE(EditFrequency(Commit(""), rec, false));
    EXPECT_EQ(req.refusal, nullptr);
    rec.Blank(mm::kFreeCh, 0);
    EditFrequency(Commit("156.8"), rec, false);

    // The transmit cell shows "<-" centred while it equals receive.
    EditFrequency(Key(0), rec, true);
    EXPECT_EQ(req.displayText, "<-");
    EXPECT_EQ(cell.HAlign, 1);
    EditFrequency(Commit("156.3"), rec, true);
    EXPECT_EQ(rec.txHz, 156'300'000u);
    EXPECT_EQ(req.displayText, "156.30000");
    EXPECT_EQ(cell.HAlign, 2);
    EXPECT_TRUE(EditFrequency(Commit("<-"), rec, true));  // as shown: the same as receive
    EXPECT_EQ(rec.txHz, rec.rxHz);
    EditFrequency(Commit("156.3"), rec, true);
    // With transmit apart, a receive change leaves it.
    EditFrequency(Commit("156.8"), rec, false);
    EXPECT_EQ(rec.txHz, 156'300'000u);
    // "=" starts the transmit editor from the receive text; empty text changes nothing.
    EditFrequency(Key('='), rec, true);
    EXPECT_EQ(req.displayText, "156.80000");
    EXPECT_FALSE(EditFrequency(Commit("abc"), rec, false));
    rec.Blank(mm::kFreeCh, 0);
    EditFrequency(Key(cellkey::kEnter), rec, false);
    EXPECT_EQ(req.displayText, "");
    EXPECT_EQ(req.signal, EditorSignal::kEditor);
}

TEST_F(EditorTest, ChoiceStepsOpensAndTakesChooserCommit) {
    int v = 0;
    EditChoice(Key(0), "GI_Sheet_Sel_Misc_OnOff", 1, v);
    EXPECT_EQ(req.displayText, "OFF");
    EXPECT_TRUE(EditChoice(Key(cellkey::kSpace), "GI_Sheet_Sel_Misc_OnOff", 1, v));
    EXPECT_EQ(v, 1);
    EXPECT_EQ(req.displayText, "ON");
    EXPECT_TRUE(EditChoice(Key(cellkey::kSpace), "GI_Sheet_Sel_Misc_OnOff", 1, v));
    EXPECT_EQ(v, 0);  // wraps
    EXPECT_FALSE(EditChoice(Key(cellkey::kEnter), "GI_Sheet_Sel_Misc_OnOff", 1, v));
    EXPECT_EQ(req.signal, EditorSignal::kChooser);
    ASSERT_EQ(grid.opened.size(), 1u);
    EXPECT_EQ(grid.opened[0].sheet, "GI_Sheet_Sel_Misc_OnOff");

    cmcCellObj chosen;
    chosen.Label = 1;
    chosen.Index = 1;
    cmcCellCapsule parent;
    parent.cell = &chosen;
    Key(0).parent = &parent;
    req.commitMode = CommitMode::kChoice;
    EXPECT_TRUE(EditChoice(req, "GI_Sheet_Sel_Misc_OnOff", 1, v));
    EXPECT_EQ(v, 1);
    chosen.Label = 2;  // an item of another kind of list is not taken
    EXPECT_FALSE(EditChoice(req, "GI_Sheet_Sel_Misc_OnOff", 1, v));
}

TEST_F(EditorTest, LcdSymbolAndSoftKey) {
    char sym[5];
    std::memcpy(sym, "INT  ", 5);
    EXPECT_TRUE(EditLcdSymbol(Key(cellkey::kSpace), sym, 1, 2));
    EXPECT_EQ(std::string(sym, 5), "DSC  ");
    EXPECT_TRUE(EditLcdSymbol(Key(cellkey::kSpace), sym, 1, 2));
    EXPECT_EQ(std::string(sym, 5), "---  ");
    EditLcdSymbol(Key(0), sym, 0, 0);
    EXPECT_EQ(req.displayText, "error");  // the USA list of model 0 has no "_E" and is empty here

    int v = 0;
    EXPECT_TRUE(EditSoftKey(Commit("  WX "), "GI_Sheet_Sel_KeyAs_SkeyMU", v));
    EXPECT_EQ(v, 5);
    EXPECT_FALSE(EditSoftKey(Commit("nothing"), "GI_Sheet_Sel_KeyAs_SkeyMU", v));
    EXPECT_EQ(v, 5);
    EXPECT_EQ(req.displayText, "WX");
}

// Arbitrary committed text leaves every editor's value unchanged or inside its bounds.
TEST_F(EditorTest, BadInputStaysInBounds) {
    std::string huge(1000, '9');
    std::vector<std::string> inputs(std::begin(kBadInputs), std::end(kBadInputs));
    inputs.push_back(huge);
    inputs.push_back(std::string(1000, '\xC3'));
    cmcEeprom image;
    image.SetSize(cmcEeprom::kImageSize);
    for (const std::string& in : inputs) {
        int i = 7;
        EditInteger(Commit(in), i, IntegerRange{1, 69});
        EXPECT_TRUE(i >= 1 && i <= 69) << in;
        uint8_t b = 7;
        EditIntegerByte(Commit(in), b, IntegerRange{0, 20});
        EXPECT_LE(b, 20) << in;
        int d = 100;
        EditDecimal(Commit(in), d, 100, 80, 150, 1, nullptr);
        EXPECT_TRUE(d >= 80 && d <= 150) << in;
        int m = 60;
        EditTimeOffset(Commit(in), m);
        EXPECT_TRUE(m >= -840 && m <= 840) << in;
        uint8_t id[5] = {1, 2, 3, 4, 5};
        const uint8_t idBefore[5] = {1, 2, 3, 4, 5};
        const bool idChanged = EditId(Commit(in), id);
        EXPECT_EQ(idChanged, std::memcmp(id, idBefore, 5) != 0) << in;
        char text[10];
        std::memset(text, ' ', 10);
        EditText(Commit(in), text, 10);
        LcdFilter(text, 10);
        for (char c : text) EXPECT_TRUE(c >= 0x20 && c <= 0x5F) << in;
        datCh rec(&image);
        rec.Load(mm::kFreeCh, 0);
        EditFrequency(Commit(in), rec, false);
        EXPECT_TRUE(rec.rxHz == 30'150'000 || FrequencyInBand(rec.rxHz)) << in;
        int s = 5;
        EditSoftKey(Commit(in), "GI_Sheet_Sel_KeyAs_SkeyMU", s);
        EXPECT_EQ(s, 5);
    }
}

}  // namespace
