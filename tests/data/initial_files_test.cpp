#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ShippedOverlay.h"
#include "app/RadioModel.h"
#include "base/ScopedInstall.h"
#include "mkinitial/FactoryImage.h"
#include "mkinitial/FactoryPlan.h"
#include "radio/AddressRange.h"
#include "radio/MemoryMap.h"
#include "radio/cmcClnFile.h"
#include "radio/cmcEeprom.h"
#include "radio/datCh.h"
#include "support/TestFiles.h"
#include "text/cmcGTex.h"

namespace {

const std::string kPlans = std::string(KELDA_SOURCE_DIR) + "/data/plans";
const std::string kInitial = std::string(KELDA_SOURCE_DIR) + "/data/initial";

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

// Reads a committed initial file the way start-up does: the document range, revision 1.
bool LoadShipped(int type, cmcEeprom* image) {
    const PlanModel* m = Plan().Model(type);
    if (!m) return false;
    image->SetSize(cmcEeprom::kImageSize);
    cmcClnFile file;
    file.Attach(image);
    file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
    file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
    return file.ReadText(ReadFile(kInitial + "/" + m->file), kDocumentRanges) == FileError::kNone;
}

TEST(InitialFiles, AreTheGeneratorsOutput) {
    for (const PlanModel& m : Plan().models) {
        cmcEeprom image;
        std::string error;
        ASSERT_TRUE(BuildFactoryImage(Plan(), m.type, &image, &error)) << error;
        EXPECT_TRUE(FactoryFileText(&image) == ReadFile(kInitial + "/" + m.file))
            << m.file << " is stale: run mkinitial data/plans data/initial";
    }
}

TEST(InitialFiles, PassTheStartUpChecksAndSaveBackUnchanged) {
    for (const PlanModel& m : Plan().models) {
        cmcEeprom image;
        ASSERT_TRUE(LoadShipped(m.type, &image)) << m.file;
        EXPECT_EQ(image.GetByte(0x0F1A), 1) << m.file;  // map marker
        EXPECT_EQ(image.GetByte(0x0F19), m.type) << m.file;
        std::string maker(8, ' ');
        image.ReadBlock(0x0F10, maker.data(), 8);
        EXPECT_EQ(maker, "Vexa Inc") << m.file;
        EXPECT_EQ(FactoryFileText(&image), ReadFile(kInitial + "/" + m.file)) << m.file;
    }
}

// Start-up's own path: LoadInitialFile through the shipped overlay's file list, which reads the
// file, checks its identity and adopts it against itself. Then Open and Save of the factory
// image as a document: the adoption of Open, the adoption of Save, the same bytes again.
TEST(InitialFiles, SurviveStartUpAdoptionAndOpenThenSave) {
    cmcGTex text;
    ASSERT_TRUE(text.BindFile(shipped::OverlayPath()));
    ScopedInstall<InstallGTex> textSlot(&text);
    for (const PlanModel& m : Plan().models) {
        SCOPED_TRACE(m.file);
        cmcEeprom shipped, working, reference;
        ASSERT_TRUE(LoadShipped(m.type, &shipped));
        working.SetSize(cmcEeprom::kImageSize);
        reference.SetSize(cmcEeprom::kImageSize);
        RadioModel model(working, reference);
        model.SetInitialFolder(kInitial);
        model.SetModelType(m.type);
        model.LoadInitialFile(m.type);
        EXPECT_TRUE(reference.Equals(shipped));
        EXPECT_TRUE(model.IsOwnImage(reference, false));
        EXPECT_TRUE(model.IsOwnImage(reference, true));

        // Open: a scratch image cleared to 0x00 takes the file; the image's model type is
        // switched to (from the start model) and the image adopted.
        model.SetModelType(m.type == 2 ? 0 : 2);
        cmcEeprom scratch;
        scratch.SetSize(cmcEeprom::kImageSize);
        cmcClnFile file;
        file.Attach(&scratch);
        file.SetCodes(cmcClnFile::kModelCode, cmcClnFile::kSubCode);
        file.SetRevisionCheck(cmcClnFile::AcceptCurrentRevision, nullptr);
        ASSERT_EQ(file.ReadText(ReadFile(kInitial + "/" + m.file), nullptr), FileError::kNone);
        EXPECT_TRUE(model.IsOwnImage(scratch, false));
        EXPECT_EQ(file.CheckCoverage(kDocumentRanges), FileError::kNone);
        working.Assign(scratch);
        model.OnImageLoaded(working);
        EXPECT_EQ(model.ModelType(), m.type);
        EXPECT_TRUE(working.Equals(shipped));
        // Save adopts with the for-save flag and writes the document range.
        model.AdoptImage(working, true);
        EXPECT_EQ(FactoryFileText(&working), ReadFile(kInitial + "/" + m.file));
    }
}

struct Sample {
    int model;
    int table;
    const char* designator;
    bool used;
    bool simplex;
    bool txInhibit;
    const char* source;  // the plan row the expectation comes from
};

uint8_t Flags(const cmcEeprom& image, int table, const char* designator) {
    PlanChannel ch;
    EXPECT_TRUE(ParseDesignator(designator, &ch.kind, &ch.number)) << designator;
    datCh c(const_cast<cmcEeprom*>(&image));
    c.Load(table, ChannelRowOf(ch));
    return c.flags;
}

TEST(InitialFiles, ChannelTablesFollowThePlans) {
    using mm::kCanCh, mm::kIntCh, mm::kUsaCh;
    const Sample samples[] = {
        {0, kUsaCh, "16", true, true, false, "usa.csv 16 simplex"},
        {0, kUsaCh, "70", true, true, true, "usa.csv 70 rx-only (U3)"},
        {0, kUsaCh, "15", true, true, true, "usa.csv 15 rx-only (U3)"},
        {0, kUsaCh, "22A", true, true, false, "usa.csv 22A simplex"},
        {0, kUsaCh, "1022", false, true, false, "usa.csv 1022 unused (U1)"},
        {0, kUsaCh, "24", true, false, false, "usa.csv 24 duplex"},
        {0, kUsaCh, "88", true, true, false, "usa.csv 88 simplex (U2)"},
        {0, kUsaCh, "88A", false, true, false, "usa.csv 88A unused (U2)"},
        {0, kUsaCh, "75", false, false, false, "not in usa.csv"},
        {0, kUsaCh, "2087", false, true, false, "usa.csv 2087 unused (U4)"},
        {0, kUsaCh, "21A", true, true, false, "usa.csv 21A simplex (U5)"},
        {2, kIntCh, "16", true, true, false, "international.csv 16 simplex"},
        {2, kIntCh, "70", true, true, true, "international.csv 70 rx-only (I6)"},
        {2, kIntCh, "22A", false, true, false, "not in international.csv"},
        {2, kIntCh, "05A", false, true, false, "not in international.csv"},
        {2, kIntCh, "22", true, false, false, "international.csv 22 duplex"},
        {2, kIntCh, "75", true, true, true, "international.csv 75 rx-only (L1)"},
        {2, kIntCh, "1019", false, true, false, "international.csv 1019 unused (I1)"},
        {2, kIntCh, "2088", false, true, false, "international.csv 2088 unused (I3)"},
        {2, kIntCh, "87", true, true, false, "international.csv 87 simplex (I7)"},
        {1, kIntCh, "15", true, true, true, "international.csv 15 rx-only (L1)"},
        {4, kCanCh, "2021", true, true, true, "canada.csv 2021 rx-only (C3)"},
        {4, kCanCh, "08", true, true, false, "canada.csv 08 simplex (C1)"},
        {4, kCanCh, "21A", true, true, false, "canada.csv 21A simplex (C1)"},
        {4, kCanCh, "20", true, false, false, "canada.csv 20 duplex (C1)"},
        {4, kCanCh, "22A", true, true, false, "canada.csv 22A simplex"},
        {4, kCanCh, "25", true, false, false, "canada.csv 25 duplex"},
        {7, kUsaCh, "22A", true, true, false, "usa.csv 22A: every image holds all tables"},
    };
    for (const Sample& s : samples) {
        cmcEeprom image;
        ASSERT_TRUE(LoadShipped(s.model, &image));
        const uint8_t f = Flags(image, s.table, s.designator);
        SCOPED_TRACE(std::string("model ") + std::to_string(s.model) + " " + s.source);
        EXPECT_EQ(!(f & datCh::kUnused), s.used);
        if (s.used) {
            EXPECT_EQ(!!(f & datCh::kSimplex), s.simplex);
            EXPECT_EQ(!!(f & datCh::kTxInh), s.txInhibit);
        }
    }
}

TEST(InitialFiles, NamesMarksWeatherAndDscChannels) {
    cmcEeprom usa, intl, eur, uk;
    ASSERT_TRUE(LoadShipped(0, &usa));
    ASSERT_TRUE(LoadShipped(2, &intl));
    ASSERT_TRUE(LoadShipped(1, &eur));
    ASSERT_TRUE(LoadShipped(3, &uk));
    datCh c(&usa);

    // The lists share one name per row: 09 is named for what it is in every plan.
    c.Load(mm::kUsaCh, 18);
    EXPECT_EQ(std::string(c.name.data(), 10), "SHIP-SHIP ");
    EXPECT_TRUE(c.marks & datCh::kMarkC);  // usa.csv: 09 is the C channel
    c.image = &intl;
    c.Load(mm::kIntCh, 18);
    EXPECT_EQ(std::string(c.name.data(), 10), "SHIP-SHIP ");
    c.Load(mm::kIntCh, 32);
    EXPECT_EQ(std::string(c.name.data(), 10), "DISTRESS  ");
    EXPECT_EQ(c.marks, datCh::kMarkP | datCh::kMarkC);

    // weather.csv: WX1-WX7 in use everywhere (W1, W4), WX8-WX10 unused (W2, W3).
    for (cmcEeprom* image : {&usa, &eur}) {
        c.image = image;
        for (int r = 0; r < 10; ++r) {
            c.Load(mm::kWxCh, r);
            EXPECT_EQ(c.Unused(), r >= 7) << "WX" << r + 1;
        }
    }
    // Function switches: weather, USA and Canadian channels only where the roster says so.
    EXPECT_EQ(usa.GetByte(mm::kFunctionSwitches) & 0x07, 0x07);
    EXPECT_EQ(eur.GetByte(mm::kFunctionSwitches) & 0x07, 0x00);
    EXPECT_EQ(intl.GetByte(mm::kFunctionSwitches) & 0x07, 0x05);

    // DSC channels: the A channels of the USA plan appear as 10nn only where USA is offered;
    // 15 is receive-only in the USA list, so no model that offers it proposes 15 for a call.
    struct Dsc {
        cmcEeprom* image;
        int number;
        bool used;
    } dsc[] = {{&usa, 16, true},    {&usa, 1022, true},  {&usa, 70, false}, {&usa, 15, false},
               {&eur, 16, true},    {&eur, 1022, false}, {&eur, 24, true},  {&eur, 75, false},
               {&intl, 1022, true}, {&intl, 2021, false}};
    for (const Dsc& d : dsc) {
        c.image = d.image;
        c.Load(mm::kDscCh, d.number);
        EXPECT_EQ(!c.Unused(), d.used) << "DSC channel " << d.number;
    }

    // free.csv: the UK marina channels are stored and in use (F1).
    c.image = &uk;
    c.Load(mm::kFreeCh, 0);
    EXPECT_EQ(c.rxHz, 157850000u);
    EXPECT_EQ(std::string(c.shortName.data(), 3), "M1 ");
    c.Load(mm::kIntCh, mm::kFirstFreeRow);
    EXPECT_FALSE(c.Unused());
    EXPECT_TRUE(c.flags & datCh::kSimplex);
    c.Load(mm::kIntCh, mm::kFirstFreeRow + 1);
    EXPECT_FALSE(c.Unused());
    c.image = &eur;
    c.Load(mm::kFreeCh, 0);
    EXPECT_TRUE(c.state & datCh::kRxBlank);
}

}  // namespace
