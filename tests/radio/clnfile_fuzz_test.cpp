// Runs the fuzz harness of the clone file reader without libFuzzer: over the committed corpus,
// over mutations of a whole document and over random bytes, with a fixed seed.
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../../fuzz/ClnFileHarness.h"
#include "support/TestFiles.h"

namespace {

const std::string kCorpus = std::string(KELDA_SOURCE_DIR) + "/fuzz/corpus/clnfile";

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    DIR* d = opendir(kCorpus.c_str());
    if (!d) return files;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") files.push_back(kCorpus + "/" + name);
    }
    closedir(d);
    return files;
}

std::string Check(const std::string& bytes) {
    return fuzz::CheckCloneFileRead(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(ClnFileFuzz, CorpusHoldsItsChecks) {
    auto files = CorpusFiles();
    ASSERT_GE(files.size(), 5u);
    for (const auto& f : files) EXPECT_EQ(Check(ReadFile(f)), "") << f;
}

TEST(ClnFileFuzz, MutatedDocumentsHoldTheirChecks) {
    const std::string document = ReadFile(kCorpus + "/document.cln");
    ASSERT_GT(document.size(), 40000u);
    std::mt19937 rng(20261210);
    const char alphabet[] = "0123456789ABCDEFabcdefG#\r\n\0 -+MapRev=";
    for (int run = 0; run < 300; ++run) {
        std::string s = document;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % s.size();
            switch (rng() % 4) {
                case 0:
                    s[at] = alphabet[rng() % (sizeof alphabet - 1)];
                    break;
                case 1:
                    s.erase(at, 1 + rng() % 40);
                    break;
                case 2:
                    s.insert(at, s.substr(rng() % s.size(), rng() % 80));
                    break;
                case 3:
                    s.resize(at);
                    break;
            }
            if (s.empty()) s = "3";
        }
        ASSERT_EQ(Check(s), "") << "run " << run;
    }
    for (int run = 0; run < 300; ++run) {
        std::string s(rng() % 600, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        if (run % 2) s = "37150001\n#MapRev=1\n" + s;
        ASSERT_EQ(Check(s), "") << "random run " << run;
    }
}

}  // namespace
