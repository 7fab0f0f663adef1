// Published ports (the simulated radio's link) in the system's port discovery.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/PortDiscovery.h"
#include "platform/PseudoTerminal.h"
#include "support/TestFiles.h"

namespace {

class PublishedPorts : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/kelda-ports-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        folder = dir;
        const char* old = getenv("XDG_RUNTIME_DIR");
        saved = old ? old : "";
        hadOld = old != nullptr;
        setenv("XDG_RUNTIME_DIR", dir, 1);
        ASSERT_TRUE(pty.Open());
    }
    void TearDown() override {
        if (hadOld)
            setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        RemoveTree(folder);
    }
    const platform::SerialDeviceInfo* Find(const std::vector<platform::SerialDeviceInfo>& all,
                                           const std::string& path) {
        auto it = std::find_if(all.begin(), all.end(),
                               [&](const platform::SerialDeviceInfo& d) { return d.path == path; });
        return it == all.end() ? nullptr : &*it;
    }

    std::string folder, saved;
    bool hadOld = false;
    platform::PseudoTerminal pty;
};

TEST_F(PublishedPorts, LinkIsListedWithItsFriendlyNameUntilUnpublished) {
    std::string link = platform::PublishPort("radiosim", pty.SlavePath(), "KELDA simulated radio");
    ASSERT_EQ(link, folder + "/ports/radiosim");
    auto all = platform::GetPortDiscovery().Discover();
    const auto* d = Find(all, link);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->device, pty.SlavePath());
    EXPECT_EQ(d->friendly, "KELDA simulated radio (" + pty.SlavePath().substr(5) + ")");
    // A second publisher of the same name is refused while the first lives.
    EXPECT_EQ(platform::PublishPort("radiosim", pty.SlavePath(), "x"), "");
    platform::UnpublishPort(link);
    EXPECT_EQ(Find(platform::GetPortDiscovery().Discover(), link), nullptr);
}

TEST_F(PublishedPorts, LinkOfAProcessThatIsGoneIsIgnoredAndReplaced) {
    pid_t child = fork();
    if (child == 0) {
        platform::PublishPort("radiosim", pty.SlavePath(), "KELDA simulated radio");
        _exit(0);  // killed without cleaning up
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::string link = folder + "/ports/radiosim";
    EXPECT_EQ(Find(platform::GetPortDiscovery().Discover(), link), nullptr);
    EXPECT_EQ(platform::PublishPort("radiosim", pty.SlavePath(), "KELDA simulated radio"), link);
    EXPECT_NE(Find(platform::GetPortDiscovery().Discover(), link), nullptr);
}

}  // namespace
