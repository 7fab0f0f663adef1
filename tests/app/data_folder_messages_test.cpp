#include <gtest/gtest.h>

#include "app/DataFolderMessages.h"

namespace {

using platform::DataFolderFault;

TEST(DataFolderMessages, NameEachPlaceAndWhatIsWrongThere) {
    struct Case {
        DataFolderFault fault;
        const char* reason;
        const char* text;
    };
    for (const Case& c : {
             Case{DataFolderFault::None, "", ""},
             Case{DataFolderFault::NoSuchFolder, "", "no such folder"},
             Case{DataFolderFault::FolderUnreadable, "Permission denied",
                  "cannot be read (Permission denied)"},
             Case{DataFolderFault::NotAFolder, "", "not a folder"},
             Case{DataFolderFault::MarkerNotAFile, "", "KELDA.OVL is not a file"},
             Case{DataFolderFault::NoMarker, "", "no KELDA.OVL"},
             Case{DataFolderFault::MarkerUnreadable, "Permission denied",
                  "KELDA.OVL cannot be read (Permission denied)"},
             Case{DataFolderFault::MarkerEmpty, "", "KELDA.OVL is empty or cannot be read"},
         })
        EXPECT_EQ(DataFolderProblemText({c.fault, c.reason}), c.text);

    const std::vector<platform::DataFolderLook> looked = {
        {"/opt/k/bin", {DataFolderFault::NoMarker, ""}},
        {"/opt/k/share/kelda", {DataFolderFault::NoSuchFolder, ""}}};
    EXPECT_EQ(DataFolderMessage(looked, false),
              "KELDA cannot find its data files (KELDA.OVL, the initial files and the help "
              "pages). It looked in:\n"
              "  /opt/k/bin: no KELDA.OVL\n"
              "  /opt/k/share/kelda: no such folder\n"
              "Install KELDA again, or name the data folder with --data DIR.");
    EXPECT_EQ(DataFolderMessage({looked[0]}, true),
              "The data folder given with --data cannot be used:\n"
              "  /opt/k/bin: no KELDA.OVL\n"
              "Name the folder that holds KELDA.OVL.");
}

}  // namespace
