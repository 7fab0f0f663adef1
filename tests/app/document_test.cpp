#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/cuiMain.h"
#include "app/indEnviron.h"
#include "base/ScopedInstall.h"
#include "base/cmcEvMan.h"
#include "platform/Prompt.h"
#include "radio/cmcClnFile.h"
#include "support/ManualClock.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "text/cmcGTex.h"

namespace {

constexpr int kMapMarker = 0x0F1A;

// The document commands over a model that accepts images carrying the map marker.
class TestMain : public cuiMain {
  public:
    TestMain() : cuiMain("KELDA", cmcEeprom::kImageSize) { InitIdentity(); }
    void InitIdentity() override { SetCodes(0x3715, 1); }
    bool IsOwnImage(const cmcEeprom& image, bool) override {
        return image.GetByte(kMapMarker) == 1;
    }
    void AdoptImage(cmcEeprom& /*image*/, bool /*forSave*/) override { ++adoptions; }
    void OnImageLoaded(cmcEeprom&) override { ++loads; }
    int adoptions = 0, loads = 0;
};

struct Titles : DocumentView {
    std::vector<std::string> titles;
    int closes = 0;
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void CloseSheet() override { ++closes; }
};

class DocumentTest : public testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelda-doc-XXXXXX";
        dir = mkdtemp(tmpl);
        text.BindFile(KELDA_SOURCE_DIR "/data/overlay/KELDA.OVL");
        env.currentDirectory = dir;
        app = std::make_unique<TestMain>();
        app->SetView(&view);
        app->Reference().SetByte(kMapMarker, 1);
        app->Reference().SetByte(0x0100, 0x42);
        app->ResetDocumentToReference();
    }
    void TearDown() override {
        app.reset();
        RemoveTree(dir);
    }
    void Edit(int address, uint8_t value) {
        app->Working().SetByte(address, value);
        app->CheckModified();
    }

    test::ManualClock clock;
    cmcEvMan hub;
    ScopedInstall<InstallEvMan> hubSlot{&hub};
    cmcGTex text;
    ScopedInstall<InstallGTex> textSlot{&text};
    indEnviron env;
    ScopedInstall<InstallEnviron> envSlot{&env};
    test::ScriptedPrompter prompts;
    test::ScriptedFileDialogs dialogs;
    Titles view;
    std::string dir;
    std::unique_ptr<TestMain> app;
};

TEST_F(DocumentTest, SaveAsProposesUntitledThenOpenRestoresTheImage) {
    EXPECT_TRUE(app->Untitled());
    EXPECT_EQ(view.titles.back(), "Untitled - " + text.GetLine("GI_Sys_AppTitle", 0));
    Edit(0x0200, 0x55);
    EXPECT_TRUE(app->Modified());

    std::string path = dir + "/boat.kcf";
    dialogs.Answer(path);
    EXPECT_EQ(app->SaveAs(), 0);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].request.initialName, "Untitled");
    EXPECT_EQ(dialogs.asked()[0].request.initialDirectory, dir);
    EXPECT_EQ(app->adoptions, 1);  // adopted for saving
    EXPECT_FALSE(app->Modified());
    EXPECT_EQ(app->DocumentPath(), path);
    EXPECT_EQ(view.titles.back().rfind("boat.kcf - ", 0), 0u);
    EXPECT_EQ(env.recentFiles.At(0), path);

    app->New();  // not modified: no question
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(app->Working().GetByte(0x0200), 0x00);
    EXPECT_EQ(app->OpenFile(path), 0);
    EXPECT_EQ(app->Working().GetByte(0x0200), 0x55);
    EXPECT_EQ(app->Working().GetByte(0x0100), 0x42);
    EXPECT_EQ(app->loads, 1);
    EXPECT_FALSE(app->Modified());
    EXPECT_TRUE(prompts.shown().empty());
}

// Opening the file that is already open while it has changes: the question is the one about
// saving under another name, and Yes leads to Save As, never to a save over the file.
TEST_F(DocumentTest, ReopeningTheModifiedOpenFileSavesUnderAnotherName) {
    std::string path = dir + "/a.kcf";
    ASSERT_EQ(app->SaveToFile(path), 0);
    std::string before = ReadFile(path);
    Edit(0x0300, 0x77);
    prompts.Answer(platform::kAnswerYes);
    std::string other = dir + "/b.kcf";
    dialogs.Answer(other);
    EXPECT_EQ(app->OpenFile(path), 0);
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].text, text.GetLine("GI_Mess_Confirm_WriteAnother", 0));
    EXPECT_EQ(ReadFile(path), before);  // the open file was not overwritten
    EXPECT_NE(ReadFile(other).find("0300"), std::string::npos);
    EXPECT_EQ(app->Working().GetByte(0x0300), 0x00);  // a.kcf is what is open now
}

TEST_F(DocumentTest, CancelInTheSaveDialogCancelsTheWholeCommand) {
    Edit(0x0300, 0x77);
    prompts.Answer(platform::kAnswerYes);
    dialogs.Answer(std::nullopt);
    app->New();
    EXPECT_EQ(app->Working().GetByte(0x0300), 0x77);
    EXPECT_TRUE(app->Modified());
    prompts.Answer(platform::kAnswerNo);  // discard
    app->New();
    EXPECT_EQ(app->Working().GetByte(0x0300), 0x00);
    EXPECT_FALSE(app->Modified());
}

// A file of another model, a damaged file and an incomplete file are each reported once and
// leave the document exactly as it was.
TEST_F(DocumentTest, AFailedOpenChangesNothing) {
    Edit(0x0400, 0x11);
    app->MarkSaved();
    cmcEeprom other;
    other.SetSize(cmcEeprom::kImageSize);  // map marker 0: not this model
    cmcClnFile writer;
    writer.Attach(&other);
    writer.SetCodes(0x3715, 1);
    writer.SetMapRevision(1);
    std::string foreign = dir + "/foreign.kcf";
    ASSERT_EQ(writer.Write(foreign, kDocumentRanges), FileError::kNone);
    std::string damaged = dir + "/damaged.kcf";
    std::ofstream(damaged) << "37150001\r\n#MapRev=1\r\n0000XYZ\r\n";
    std::string partial = dir + "/partial.kcf";
    other.SetByte(kMapMarker, 1);
    AddressRange part[] = {{0x0000, 0x0FFF}, kEndOfRanges};
    ASSERT_EQ(writer.Write(partial, part), FileError::kNone);

    struct Case {
        std::string path;
        std::string key;
    } cases[] = {{foreign, "GI_Mess_FileErr_Data"},
                 {damaged, "GI_Mess_FileErr_Format"},
                 {partial, "GI_Mess_FileErr_Coverage"},
                 {dir + "/missing.kcf", "GI_Mess_FileErr_FileOpen"}};
    for (const auto& c : cases) {
        prompts.Clear();
        EXPECT_EQ(app->OpenFile(c.path), 1) << c.path;
        ASSERT_EQ(prompts.shown().size(), 1u) << c.path;
        EXPECT_NE(prompts.shown()[0].text.find(text.GetText(c.key)), std::string::npos) << c.key;
        EXPECT_EQ(app->Working().GetByte(0x0400), 0x11);
        EXPECT_TRUE(app->Untitled());
        EXPECT_FALSE(app->Modified());
    }
}

TEST_F(DocumentTest, RecentNamesShortenOnlyInTheirOwnFolder) {
    app->RecentAdd("/home/skipper/boats/one.kcf");
    app->RecentAdd("/home/skipper/TWO.kcf");
    app->RecentAdd("/home/skipper/boats/ONE.kcf");  // same file, other letter case: moves up
    EXPECT_EQ(env.recentFiles.Size(), 2u);
    EXPECT_EQ(app->RecentDisplayName(0, "/home/skipper/Boats/"), "ONE.kcf");
    EXPECT_EQ(app->RecentDisplayName(1, "/home/skipper/boats"), "/home/skipper/TWO.kcf");
    EXPECT_EQ(app->RecentDisplayName(5, "/"), "");
}

}  // namespace
