#include "platform/win32/RegistrySettingsStore.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "platform/SettingsTree.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

const char kHive[] = "HKEY_CURRENT_USER\\";

std::string Folded(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool Same(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Folded(a) == Folded(b);
}

// key is inner itself or lies below it.
bool Within(const std::string& key, const std::string& inner) {
    if (key.size() < inner.size()) return false;
    if (!Same(key.substr(0, inner.size()), inner)) return false;
    return key.size() == inner.size() || key[inner.size()] == '\\';
}

bool PlainName(const std::string& name) {
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_QWORD:
            return "REG_QWORD";
        default:
            return "an unknown type";
    }
}

// An open key, closed at the end of the scope.
class OpenKey {
  public:
    OpenKey(const std::string& path, REGSAM access) {
        status_ = RegOpenKeyExW(HKEY_CURRENT_USER, win32::Widen(path).c_str(), 0, access, &key_);
        if (status_ != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }
    LONG status() const { return status_; }
    bool Missing() const { return status_ == ERROR_FILE_NOT_FOUND; }

  private:
    HKEY key_ = nullptr;
    LONG status_ = ERROR_SUCCESS;
};

}  // namespace

void RegistrySettingsStore::NoteProblem(const std::string& text) const {
    if (problem_.empty()) problem_ = text;
}

bool RegistrySettingsStore::KeyExists(const std::string& key) const {
    const std::string k = SettingsTree::NormalKey(key);
    if (k.empty()) return false;
    for (auto c = pending_.rbegin(); c != pending_.rend(); ++c) {
        if (c->kind == Change::Kind::Write && Within(c->key, k)) return true;
        if (c->kind == Change::Kind::DeleteKey && Within(k, c->key)) return false;
    }
    OpenKey open(k, KEY_READ);
    return open.get() != nullptr;
}

std::optional<SettingsValue> RegistrySettingsStore::Read(const std::string& key,
                                                         const std::string& name) const {
    const std::string k = SettingsTree::NormalKey(key);
    if (k.empty()) return std::nullopt;
    for (auto c = pending_.rbegin(); c != pending_.rend(); ++c) {
        const bool here = Same(c->key, k) && Same(c->name, name);
        if (c->kind == Change::Kind::Write && here) return c->value;
        if (c->kind == Change::Kind::DeleteValue && here) return std::nullopt;
        if (c->kind == Change::Kind::DeleteKey && Within(k, c->key)) return std::nullopt;
    }
    OpenKey open(k, KEY_QUERY_VALUE);
    if (!open.get()) {
        if (!open.Missing())
            NoteProblem("the registry key " + std::string(kHive) + k + " cannot be read (" +
                        win32::SystemMessage(static_cast<DWORD>(open.status())) +
                        "); its settings take their defaults");
        return std::nullopt;
    }
    const std::wstring wname = win32::Widen(name);
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExW(open.get(), wname.c_str(), nullptr, &type, nullptr, &size);
    std::string data;
    while (r == ERROR_SUCCESS || r == ERROR_MORE_DATA) {
        data.assign(size, '\0');
        r = RegQueryValueExW(open.get(), wname.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size);
        if (r == ERROR_SUCCESS) {
            data.resize(size);
            break;
        }
    }
    if (r == ERROR_FILE_NOT_FOUND) return std::nullopt;
    const std::string where = "the registry value \"" + name + "\" of " + kHive + k;
    if (r != ERROR_SUCCESS) {
        NoteProblem(where + " cannot be read (" + win32::SystemMessage(static_cast<DWORD>(r)) +
                    "); its default is used");
        return std::nullopt;
    }
    switch (type) {
        case REG_DWORD:
            if (data.size() == 4) {
                uint32_t n = 0;
                std::copy(data.begin(), data.end(), reinterpret_cast<char*>(&n));
                return SettingsValue::Int(static_cast<int32_t>(n));
            }
            break;
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::wstring text(data.size() / sizeof(wchar_t), L'\0');
            std::copy(data.begin(), data.begin() + text.size() * sizeof(wchar_t),
                      reinterpret_cast<char*>(text.data()));
            while (!text.empty() && text.back() == L'\0') text.pop_back();
            return SettingsValue::String(win32::Narrow(text));
        }
        case REG_BINARY:
            return SettingsValue::Binary(data);
        default:
            break;
    }
    NoteProblem(where + " holds " +
                (type == REG_DWORD ? "a REG_DWORD of " + std::to_string(data.size()) + " bytes"
                                   : std::string(TypeName(type))) +
                ", which the program does not keep there; its default is used");
    return std::nullopt;
}

std::vector<std::string> RegistrySettingsStore::ValueNames(const std::string& key) const {
    const std::string k = SettingsTree::NormalKey(key);
    std::vector<std::string> names;
    if (k.empty()) return names;
    OpenKey open(k, KEY_QUERY_VALUE);
    if (open.get()) {
        wchar_t buf[16384];
        for (DWORD i = 0;; ++i) {
            DWORD len = static_cast<DWORD>(std::size(buf));
            if (RegEnumValueW(open.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.push_back(win32::Narrow(std::wstring(buf, len)));
        }
    }
    auto drop = [&](const std::string& name) {
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&](const std::string& n) { return Same(n, name); }),
                    names.end());
    };
    for (const Change& c : pending_) {
        if (c.kind == Change::Kind::DeleteKey && Within(k, c.key)) names.clear();
        if (!Same(c.key, k)) continue;
        if (c.kind == Change::Kind::DeleteValue) drop(c.name);
        if (c.kind == Change::Kind::Write) {
            drop(c.name);
            names.push_back(c.name);
        }
    }
    return names;
}

bool RegistrySettingsStore::Write(const std::string& key, const std::string& name,
                                  SettingsValue value) {
    const std::string k = SettingsTree::NormalKey(key);
    if (k.empty() || !PlainName(name)) return false;
    pending_.push_back({Change::Kind::Write, k, name, std::move(value)});
    return true;
}

void RegistrySettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    const std::string k = SettingsTree::NormalKey(key);
    if (!k.empty()) pending_.push_back({Change::Kind::DeleteValue, k, name, {}});
}

void RegistrySettingsStore::DeleteKey(const std::string& key) {
    const std::string k = SettingsTree::NormalKey(key);
    if (!k.empty()) pending_.push_back({Change::Kind::DeleteKey, k, {}, {}});
}

bool RegistrySettingsStore::Commit() {
    size_t done = 0;
    for (; done < pending_.size(); ++done) {
        const Change& c = pending_[done];
        const std::wstring key = win32::Widen(c.key);
        LONG r = ERROR_SUCCESS;
        if (c.kind == Change::Kind::Write) {
            HKEY h = nullptr;
            r = RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &h, nullptr);
            if (r == ERROR_SUCCESS) {
                const std::wstring name = win32::Widen(c.name);
                if (c.value.type == SettingsValue::Type::Int) {
                    DWORD n = static_cast<DWORD>(c.value.number);
                    r = RegSetValueExW(h, name.c_str(), 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&n), sizeof n);
                } else if (c.value.type == SettingsValue::Type::String) {
                    std::wstring text = win32::Widen(c.value.bytes);
                    r = RegSetValueExW(h, name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
                } else {
                    r = RegSetValueExW(h, name.c_str(), 0, REG_BINARY,
                                       reinterpret_cast<const BYTE*>(c.value.bytes.data()),
                                       static_cast<DWORD>(c.value.bytes.size()));
                }
                RegCloseKey(h);
            }
        } else if (c.kind == Change::Kind::DeleteValue) {
            OpenKey open(c.key, KEY_SET_VALUE);
            r = open.get() ? RegDeleteValueW(open.get(), win32::Widen(c.name).c_str())
                           : open.status();
        } else {
            r = RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
        }
        // Removing what is not there leaves the registry as asked.
        if (r != ERROR_SUCCESS && !(c.kind != Change::Kind::Write && r == ERROR_FILE_NOT_FOUND))
            break;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(done));
    return pending_.empty();
}

std::unique_ptr<SettingsStore> CreateSystemSettingsStore() {
    return std::make_unique<RegistrySettingsStore>();
}

}  // namespace platform
