#include "platform/SettingsTree.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace platform {
namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = Fold(c);
    return out;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

// True when key equals base or lies below it.
bool Within(const std::string& key, const std::string& base) {
    if (key.size() < base.size()) return false;
    if (!SameText(key.substr(0, base.size()), base)) return false;
    return key.size() == base.size() || key[base.size()] == '\\';
}

const char kHex[] = "0123456789abcdef";

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
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
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at s[pos]; pos ends just after the closing quote.
bool Unquote(const std::string& s, size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= s.size()) return false;
        switch (s[pos]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (pos + 2 >= s.size()) return false;
                int hi = HexDigit(s[pos + 1]), lo = HexDigit(s[pos + 2]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                return false;
        }
    }
    return false;  // no closing quote: a cut-off line
}

std::optional<SettingsValue> ParseValue(const std::string& s) {
    if (s.rfind("int:", 0) == 0) {
        std::string digits = s.substr(4);
        if (digits.empty()) return std::nullopt;
        errno = 0;
        char* end = nullptr;
        long long v = std::strtoll(digits.c_str(), &end, 10);
        if (errno || *end || digits[0] == ' ' || v < std::numeric_limits<int32_t>::min() ||
            v > std::numeric_limits<int32_t>::max())
            return std::nullopt;
        return SettingsValue::Int(static_cast<int32_t>(v));
    }
    if (s.rfind("str:", 0) == 0) {
        size_t pos = 4;
        std::string text;
        if (!Unquote(s, pos, text) || pos != s.size()) return std::nullopt;
        return SettingsValue::String(text);
    }
    if (s.rfind("hex:", 0) == 0) {
        if (s.size() % 2) return std::nullopt;
        std::string bytes;
        for (size_t i = 4; i < s.size(); i += 2) {
            int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes += static_cast<char>(hi * 16 + lo);
        }
        return SettingsValue::Binary(bytes);
    }
    return std::nullopt;
}

}  // namespace

std::string SettingsTree::NormalKey(const std::string& key) {
    std::string out;
    for (char c : key) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return "";
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

SettingsTree::Key* SettingsTree::Find(const std::string& normalKey) {
    auto it = byPath_.find(Folded(normalKey));
    return it == byPath_.end() ? nullptr : &keys_[it->second];
}

const SettingsTree::Key* SettingsTree::Find(const std::string& normalKey) const {
    return const_cast<SettingsTree*>(this)->Find(normalKey);
}

SettingsTree::Key& SettingsTree::Make(const std::string& normalKey) {
    if (Key* k = Find(normalKey)) return *k;
    byPath_.emplace(Folded(normalKey), keys_.size());
    keys_.push_back({normalKey, {}, {}});
    return keys_.back();
}

void SettingsTree::Reindex() {
    byPath_.clear();
    for (size_t i = 0; i < keys_.size(); ++i) {
        byPath_.emplace(Folded(keys_[i].path), i);
        Key& k = keys_[i];
        k.byName.clear();
        for (size_t j = 0; j < k.values.size(); ++j) k.byName.emplace(Folded(k.values[j].first), j);
    }
}

bool SettingsTree::KeyExists(const std::string& key) const {
    std::string k = NormalKey(key);
    if (k.empty()) return false;
    for (const auto& have : keys_)
        if (Within(have.path, k)) return true;
    return false;
}

std::optional<SettingsValue> SettingsTree::Read(const std::string& key,
                                                const std::string& name) const {
    const Key* k = Find(NormalKey(key));
    if (!k) return std::nullopt;
    auto it = k->byName.find(Folded(name));
    if (it == k->byName.end()) return std::nullopt;
    return k->values[it->second].second;
}

std::vector<std::string> SettingsTree::ValueNames(const std::string& key) const {
    std::vector<std::string> names;
    if (const Key* k = Find(NormalKey(key)))
        for (const auto& [n, v] : k->values) names.push_back(n);
    return names;
}

bool SettingsTree::Write(const std::string& key, const std::string& name, SettingsValue value) {
    std::string path = NormalKey(key);
    if (path.empty()) return false;
    Key* k = &Make(path);
    auto [it, added] = k->byName.emplace(Folded(name), k->values.size());
    if (added) {
        k->values.emplace_back(name, std::move(value));
    } else {
        k->values[it->second].second = std::move(value);
    }
    return true;
}

void SettingsTree::DeleteValue(const std::string& key, const std::string& name) {
    Key* k = Find(NormalKey(key));
    if (!k) return;
    std::erase_if(k->values, [&](const auto& nv) { return SameText(nv.first, name); });
    Reindex();
}

void SettingsTree::DeleteKey(const std::string& key) {
    std::string k = NormalKey(key);
    if (k.empty()) return;
    std::erase_if(keys_, [&](const Key& have) { return Within(have.path, k); });
    Reindex();
}

std::string SettingsTree::Serialize() const {
    std::string out = "; KELDA settings\n";
    for (const auto& k : keys_) {
        out += "\n[" + k.path + "]\n";
        for (const auto& [name, v] : k.values) {
            out += Quote(name) + "=";
            switch (v.type) {
                case SettingsValue::Type::Int:
                    out += "int:" + std::to_string(v.number);
                    break;
                case SettingsValue::Type::String:
                    out += "str:" + Quote(v.bytes);
                    break;
                case SettingsValue::Type::Binary:
                    out += "hex:";
                    for (unsigned char c : v.bytes) {
                        out += kHex[c >> 4];
                        out += kHex[c & 15];
                    }
                    break;
            }
            out += '\n';
        }
    }
    return out;
}

SettingsTree SettingsTree::Parse(const std::string& text, size_t* skipped) {
    SettingsTree tree;
    size_t lost = 0;
    std::string key;  // values before the first valid key line are dropped
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a last line without its end may be cut short
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            // A damaged key line drops the values under it rather than filing them elsewhere.
            key = line.back() == ']' ? NormalKey(line.substr(1, line.size() - 2)) : "";
            if (!key.empty()) tree.Make(key);
            lost += key.empty() ? 1 : 0;
            continue;
        }
        size_t pos = 0;
        std::string name;
        // A value line whose value is damaged costs that value; a line that is no value line
        // at all is garbage, and counted.
        if (!Unquote(line, pos, name) || pos >= line.size() || line[pos] != '=') {
            ++lost;
            continue;
        }
        if (key.empty()) continue;
        if (auto v = ParseValue(line.substr(pos + 1))) tree.Write(key, name, std::move(*v));
    }
    if (skipped) *skipped = lost;
    return tree;
}

}  // namespace platform
