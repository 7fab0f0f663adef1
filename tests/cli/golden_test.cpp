// What kelda-cli prints of each shipped factory image (the dump, the warning list and every
// table as CSV) is compared with reviewed files under tests/golden/images/, so that any change
// of output shows up as a diff (KELDA_UPDATE_GOLDEN=1 writes them anew).
#include <gtest/gtest.h>

#include <string>

#include "cli/CliFixtures.h"
#include "cli/CliRunner.h"

namespace {

using test::CliResult;
using test::RunCli;
using test::TempFolder;

TEST(CliGolden, EveryFactoryImagePrintsAsReviewed) {
    TempFolder tmp;
    for (int model = 0; model <= 7; ++model) {
        const std::string name = "KELDA0" + std::to_string(model);
        SCOPED_TRACE(name);
        const std::string file = std::string(KELDA_SOURCE_DIR) + "/data/initial/" + name + ".kcf";
        const std::string golden = "images/" + name + "/";

        CliResult dump = RunCli({"dump", file}, tmp);
        EXPECT_EQ(dump.status, 0) << dump.err;
        test::ExpectGolden(golden + "dump.txt", dump.out);

        // Factory images hold no errors; their warnings are part of what is reviewed.
        CliResult warnings = RunCli({"warnings", file}, tmp);
        EXPECT_EQ(warnings.status, 0) << warnings.err;
        test::ExpectGolden(golden + "warnings.txt", warnings.out);

        for (const std::string& table : test::Tables()) {
            CliResult csv = RunCli({"export", file, "--table", table}, tmp);
            EXPECT_EQ(csv.status, 0) << table << ": " << csv.err;
            test::ExpectGolden(golden + table + ".csv", csv.out);
        }
    }
}

}  // namespace
