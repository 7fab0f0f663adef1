#pragma once
// Command-line words of kelda-cli: the command, its positional words, options with values and
// flags. Unknown options are usage errors, named in the message.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "radio/FileError.h"

namespace cli {

// Exit statuses: scripts rely on these numbers.
constexpr int kExitOk = 0;
constexpr int kExitWarningsError = 1;
constexpr int kExitDifferent = 1;  // diff: the files differ
constexpr int kExitUsage = 2;
constexpr int kExitFatal = 3;
constexpr int kExitNotVerified = 4;      // write --verify: written, but reading it back failed
constexpr int kExitMismatch = 5;         // write --verify: the radio holds other bytes than sent
constexpr int kExitFleetPartial = 6;     // fleet: some rows written, others failed or left
constexpr int kExitFleetNothing = 7;     // fleet: no row written
constexpr int kExitFileErrorBase = 10;   // + file error code
constexpr int kExitCloneErrorBase = 20;  // + clone result code
constexpr int ExitStatusOf(FileError code) {
    return kExitFileErrorBase + FileErrorNumber(code);
}
constexpr int kExitOutputLost = 12;  // file error 2: what was printed did not arrive

struct UsageError {
    std::string message;
};

class CliArgs {
  public:
    // Parses argv[first..]; throws UsageError.
    CliArgs(int argc, char** argv, int first, const std::set<std::string>& valued,
            const std::set<std::string>& flags);

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const;
    std::optional<std::string> Value(const std::string& option) const;
    std::string ValueOr(const std::string& option, const std::string& fallback) const;
    // A number in decimal or 0x hexadecimal; throws UsageError naming the option.
    std::optional<long> Number(const std::string& option) const;

  private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};

// Refuses (UsageError) an output file that would replace one of the command's inputs or, for an
// output that is no clone file ("the CSV", "the log"), any clone file: both would be lost with
// no way back. A clone file output may replace a clone file (that is saving it), but no other
// input. "" and "-" (standard output) replace nothing.
void RefuseReplacing(const std::string& output, const std::string& what,
                     const std::vector<std::string>& inputs, bool outputIsCloneFile);

// Text for a message on one line: control bytes (a NUL, a line break in a quoted CSV value)
// stand as \0, \n, \r, \t or \xHH instead of cutting or breaking the line.
std::string Printable(std::string_view text);

// Parses "123", "0x1F" or "1Fh"-free hexadecimal with 0x; nullopt when not a number.
std::optional<long> ParseNumber(const std::string& text);

}  // namespace cli
