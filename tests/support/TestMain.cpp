// The main of every test program: the tests, and the programs they start, keep their settings
// in a folder of their own, never in the user's real settings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    // A death test's child runs this main again: it keeps its parent's folder.
    if (std::getenv("KELDA_TEST_CONFIG")) {
        testing::InitGoogleTest(&argc, argv);
        return RUN_ALL_TESTS();
    }
    char folder[] = "/tmp/kelda-test-config-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 2;
    }
    setenv("XDG_CONFIG_HOME", folder, 1);
    setenv("KELDA_TEST_CONFIG", folder, 1);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
