#pragma once
// File dialogs that answer from a script and record what they were asked.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/ScopedInstall.h"
#include "platform/FileDialogs.h"

namespace test {

class ScriptedFileDialogs : public platform::FileDialogs {
  public:
    // Installs itself for its lifetime (the one before comes back).
    ScriptedFileDialogs() = default;

    // An empty optional answers "cancelled".
    void Answer(std::optional<std::string> path) { script_.push_back(std::move(path)); }

    std::optional<std::string> AskOpen(const platform::FileDialogRequest& r) override {
        return Next(r, false);
    }
    std::optional<std::string> AskSave(const platform::FileDialogRequest& r) override {
        return Next(r, true);
    }

    struct Asked {
        platform::FileDialogRequest request;
        bool save;
    };
    const std::vector<Asked>& asked() const { return asked_; }

  private:
    std::optional<std::string> Next(const platform::FileDialogRequest& r, bool save) {
        asked_.push_back({r, save});
        if (script_.empty()) return std::nullopt;
        auto a = script_.front();
        script_.pop_front();
        return a;
    }
    std::deque<std::optional<std::string>> script_;
    std::vector<Asked> asked_;
    ScopedInstall<platform::InstallFileDialogs> installed_{this};
};

}  // namespace test
