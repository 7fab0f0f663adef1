// Every command and option a program's --help lists is in its manual page, and kelda-cli's are
// in its bash completion: a new option must not be left out of them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <regex>
#include <set>
#include <string>

#include "cli/CliRunner.h"

namespace {

// Options (--name, -o, /switch) anywhere in the text, and commands: words that begin an indented
// line of the list.
std::set<std::string> HelpWords(const std::string& help) {
    std::set<std::string> words;
    const std::regex option(R"((^|[ \[])((--?|/)[a-z][a-z-]*))"), command(R"((^|\n)  ([a-z]+) )");
    for (std::sregex_iterator i(help.begin(), help.end(), option), end; i != end; ++i)
        words.insert((*i)[2]);
    for (std::sregex_iterator i(help.begin(), help.end(), command), end; i != end; ++i)
        words.insert((*i)[2]);
    return words;
}

// The text as read, with roff's escaped hyphens as plain ones.
std::string Unescaped(const std::string& path) {
    std::string text = ReadFile(path);
    for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
    return text;
}

bool Mentions(const std::string& text, const std::string& word) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t after = at + word.size();
        if (after == text.size() ||
            !(std::islower(static_cast<unsigned char>(text[after])) || text[after] == '-'))
            return true;
    }
    return false;
}

TEST(Manual, EveryWordOfTheHelpIsDocumented) {
    test::TempFolder tmp;
    const std::string data = std::string(KELDA_SOURCE_DIR) + "/data/";
    struct Case {
        const char* program;
        std::string document;
    };
    for (const Case& c :
         {Case{"kelda", data + "man/kelda.1"}, Case{"kelda-cli", data + "man/kelda-cli.1"},
          Case{"kelda-cli", data + "completion/kelda-cli"},
          Case{"kelda-radiosim", data + "man/kelda-radiosim.1"}}) {
        if (access((std::string(KELDA_BIN_DIR) + "/" + c.program).c_str(), X_OK) != 0)
            continue;  // a build without the window program
        test::CliResult help = test::RunProgram(c.program, {"--help"}, tmp);
        ASSERT_EQ(help.status, 0) << c.program;
        const std::set<std::string> words = HelpWords(help.out);
        EXPECT_GE(words.size(), 3u) << c.program;  // the help was understood at all
        const std::string text = Unescaped(c.document);
        ASSERT_FALSE(text.empty()) << c.document;
        for (const std::string& word : words)
            EXPECT_TRUE(Mentions(text, word)) << c.document << " lacks " << word;
    }
}

}  // namespace
