#include "cli/CliArgs.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "radio/cmcClnFile.h"

namespace cli {

std::optional<long> ParseNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const char* s = text.c_str();
    int base = 10;
    if (text.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s += 2;
    }
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s, &end, base);
    if (errno != 0 || end == s || *end != '\0' || v < 0) return std::nullopt;
    return v;
}

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            out += c;
            continue;
        }
        switch (c) {
            case '\0':
                out += "\\0";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default: {
                static const char kHex[] = "0123456789ABCDEF";
                out += "\\x";
                out += kHex[u >> 4];
                out += kHex[u & 15];
            }
        }
    }
    return out;
}

void RefuseReplacing(const std::string& output, const std::string& what,
                     const std::vector<std::string>& inputs, bool outputIsCloneFile) {
    if (output.empty() || output == "-") return;
    // Through symbolic and hard links alike: both names reach one file.
    auto same = [](const std::string& a, const std::string& b) {
        std::error_code error;
        return std::filesystem::equivalent(a, b, error) && !error;
    };
    const bool cloneFile = cmcClnFile::IsCloneFileAt(output);
    if (outputIsCloneFile && cloneFile) return;
    for (const auto& input : inputs) {
        if (!same(output, input)) continue;
        throw UsageError{what + " would replace " +
                         (cloneFile ? "the clone file " : "the input file ") + output +
                         "; name another output file"};
    }
    if (cloneFile)
        throw UsageError{what + " would replace the clone file " + output +
                         "; name another output file"};
}

CliArgs::CliArgs(int argc, char** argv, int first, const std::set<std::string>& valued,
                 const std::set<std::string>& flags) {
    bool onlyPositional = false;
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            positional_.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a, value;
        bool inlineValue = false;
        if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        if (valued.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) throw UsageError{"option " + name + " needs a value"};
                value = argv[++i];
            }
            values_[name] = value;
        } else if (flags.count(name) && !inlineValue) {
            flags_.insert(name);
        } else {
            throw UsageError{"unknown option " + a};
        }
    }
}

bool CliArgs::Has(const std::string& option) const {
    return flags_.count(option) || values_.count(option);
}

std::optional<std::string> CliArgs::Value(const std::string& option) const {
    auto it = values_.find(option);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string CliArgs::ValueOr(const std::string& option, const std::string& fallback) const {
    auto v = Value(option);
    return v ? *v : fallback;
}

std::optional<long> CliArgs::Number(const std::string& option) const {
    auto v = Value(option);
    if (!v) return std::nullopt;
    auto n = ParseNumber(*v);
    if (!n) throw UsageError{"option " + option + " needs a number, not '" + *v + "'"};
    return n;
}

}  // namespace cli
