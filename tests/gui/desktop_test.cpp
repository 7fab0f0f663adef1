// The real window on a real X display (Xvfb), driven from outside with xdotool as a user's
// keyboard and a second start of the program drive it: what needs the display's own focus and
// input, or a second process, and so cannot be reached from inside with QTest.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

bool OnPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class Desktop : public testing::Test {
  protected:
    void SetUp() override {
        if (!OnPath("Xvfb") || !OnPath("xdotool"))
            GTEST_SKIP() << "Xvfb and xdotool are needed (scripts/deps.sh installs them)";
        char tmpl[] = "/tmp/kelda-desktop-XXXXXX";
        dir_ = mkdtemp(tmpl);
        for (const char* sub : {"home", "run", "config"}) fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        StartDisplay();
    }
    void TearDown() override {
        for (pid_t pid : programs_) Stop(pid);
        if (xvfb_ > 0) Stop(xvfb_);
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // The environment of every program the test starts: the test's display, and home, runtime
    // and settings folders of its own.
    std::vector<std::string> Environment() const {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string v = *e;
            if (v.rfind("QT_QPA_PLATFORM=", 0) == 0 || v.rfind("DISPLAY=", 0) == 0 ||
                v.rfind("WAYLAND_DISPLAY=", 0) == 0 || v.rfind("HOME=", 0) == 0 ||
                v.rfind("XDG_", 0) == 0)
                continue;
            env.push_back(v);
        }
        env.push_back("DISPLAY=" + display_);
        env.push_back("QT_QPA_PLATFORM=xcb");
        env.push_back("HOME=" + (dir_ / "home").string());
        env.push_back("XDG_RUNTIME_DIR=" + (dir_ / "run").string());
        env.push_back("XDG_CONFIG_HOME=" + (dir_ / "config").string());
        return env;
    }
    std::string EnvPrefix() const {
        std::string prefix = "env -i";
        for (const std::string& v : Environment()) prefix += " " + Quote(v);
        return prefix + " ";
    }

    // Starts a program in the background; the test ends it.
    pid_t Launch(const std::vector<std::string>& argv) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const std::vector<std::string> env = Environment();
        std::vector<char*> envp;
        for (const std::string& v : env) envp.push_back(const_cast<char*>(v.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string log = (dir_ / "programs.log").string();
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            ADD_FAILURE() << "cannot start " << argv[0];
        else
            programs_.push_back(pid);
        return rc == 0 ? pid : -1;
    }
    // Runs a command to its end in the test's environment, with its output.
    Result Run(const std::string& command) {
        Result r;
        FILE* p = popen((EnvPrefix() + command + " 2>&1").c_str(), "r");
        if (!p) return r;
        char buf[4096];
        while (size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    Result Xdotool(const std::string& arguments) { return Run("timeout 20 xdotool " + arguments); }

    // The main window of a running kelda, once it is on the screen: its X window id.
    std::string MainWindow(pid_t pid) {
        const Result r = Xdotool("search --sync --onlyvisible --pid " + std::to_string(pid) +
                                 " --name 'KELDA$'");
        const std::string id = r.out.substr(0, r.out.find('\n'));
        EXPECT_EQ(r.status, 0) << r.out;
        return id;
    }
    // The program's windows on the screen now.
    int VisibleWindows(pid_t pid) {
        const Result r = Xdotool("search --onlyvisible --pid " + std::to_string(pid));
        int n = 0;
        for (char c : r.out) n += c == '\n';
        return r.status == 0 ? n : 0;
    }
    std::string WindowName(const std::string& window) {
        Result r = Xdotool("getwindowname " + window);
        while (!r.out.empty() && r.out.back() == '\n') r.out.pop_back();
        return r.out;
    }
    // Gives the window the keyboard as a click of the user would.
    void Focus(const std::string& window) {
        const Result r = Xdotool("windowfocus --sync " + window);
        EXPECT_EQ(r.status, 0) << r.out;
    }
    void Keys(const std::string& keys) {
        const Result r = Xdotool("key --delay 60 " + keys);
        EXPECT_EQ(r.status, 0) << r.out;
    }
    void Type(const std::string& text) {
        const Result r = Xdotool("type --delay 60 " + Quote(text));
        EXPECT_EQ(r.status, 0) << r.out;
    }
    static void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // Waits for a command's output to hold the text.
    bool WaitForOutput(const std::string& command, const std::string& text, int limitMs = 15000) {
        for (int waited = 0; waited <= limitMs; waited += 200) {
            if (Run(command).out.find(text) != std::string::npos) return true;
            Pause(200);
        }
        return false;
    }

    // A copy of a factory clone file in the test's folder.
    std::string CloneFile(const std::string& name) {
        const fs::path path = dir_ / name;
        fs::copy_file(fs::path(KELDA_BIN_DIR) / "KELDA02.kcf", path);
        return path.string();
    }
    std::string Cli() const { return std::string(KELDA_BIN_DIR) + "/kelda-cli"; }
    std::string Kelda() const { return std::string(KELDA_BIN_DIR) + "/kelda"; }

    fs::path dir_;

  private:
    void StartDisplay() {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> argv = {"/usr/bin/Xvfb", "-displayfd", fd,   "-screen", "0",
                                         "1280x800x24",   "-nolisten",  "tcp"};
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        std::string xvfb = "/usr/bin/Xvfb";
        if (!fs::exists(xvfb)) xvfb = "Xvfb";
        ASSERT_EQ(posix_spawnp(&xvfb_, xvfb.c_str(), &actions, nullptr, args.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        display_ = ":" + number;
    }
    static void Stop(pid_t pid) {
        kill(pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) return;
            Pause(20);
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

    pid_t xvfb_ = -1;
    std::string display_;
    std::vector<pid_t> programs_;
};

// F1 shows the topic of the cell; Escape closes it and what the user types next goes into the
// cell and is saved.
TEST_F(Desktop, AfterF1AndEscapeTypingGoesIntoTheCellAndIsSaved) {
    const std::string file = CloneFile("boat.kcf");
    const pid_t kelda = Launch({Kelda(), file});
    const std::string window = MainWindow(kelda);
    ASSERT_FALSE(window.empty());
    Focus(window);
    // From the tree into the first sheet, whose first cell is the clone comment.
    Keys("Tab F1");
    Pause(500);
    EXPECT_EQ(VisibleWindows(kelda), 2) << "the help pop-up beside the main window";
    Keys("Escape");
    Pause(300);
    EXPECT_EQ(VisibleWindows(kelda), 1) << "Escape closed the pop-up";
    Type("HELLO");
    Keys("Return ctrl+s");
    EXPECT_TRUE(WaitForOutput(Cli() + " get " + Quote(file) + " CL_ComCom_CloneComment", "HELLO"))
        << Run(Cli() + " get " + Quote(file) + " CL_ComCom_CloneComment").out;
}

}  // namespace

namespace {

// A second start (a double click on a clone file while KELDA runs) hands its file to the running
// window, which opens it; a Latin-1 name from an older system opens too and is shown readably.
TEST_F(Desktop, ASecondStartHandsItsFileToTheRunningWindow) {
    const pid_t kelda = Launch({Kelda()});
    const std::string window = MainWindow(kelda);
    ASSERT_FALSE(window.empty());
    const std::string file = CloneFile("hand.kcf");
    Result second = Run("timeout 30 " + Quote(Kelda()) + " " + Quote(file));
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(WindowName(window), "hand.kcf - KELDA");
    const std::string latin1 = CloneFile("caf\xE9.kcf");
    second = Run("timeout 30 " + Quote(Kelda()) + " " + Quote(latin1));
    EXPECT_EQ(second.status, 0) << second.out;
    EXPECT_EQ(WindowName(window), "caf\xC3\xA9.kcf - KELDA");
}

}  // namespace

namespace {

// Typing and the clipboard with the rest of the desktop: the real X clipboard, read and filled
// from outside with xclip as a spreadsheet or a text editor would.
class DesktopClipboard : public Desktop {
  protected:
    void SetUp() override {
        if (!OnPath("xclip")) GTEST_SKIP() << "xclip is needed (scripts/deps.sh installs it)";
        Desktop::SetUp();
    }
    // Starts KELDA on the file with the cursor in the first cell of User Channels.
    void OpenUserChannels(const std::string& file) {
        const pid_t kelda = Launch({Kelda(), file});
        const std::string window = MainWindow(kelda);
        ASSERT_FALSE(window.empty());
        Focus(window);
        // The tree from its top: the radio, three channel tables, then User Channels.
        Keys("Home Down Down Down Down");
        Pause(1500);  // the tree opens the sheet a moment after the selection
        Keys("Tab");
        Pause(300);
    }
    std::string Clipboard() { return Run("timeout 10 xclip -o -selection clipboard").out; }
    void SetClipboard(const std::string& text) {
        const fs::path path = dir_ / "clipboard.txt";
        std::ofstream(path, std::ios::binary) << text;
        // xclip stays in the background as the clipboard's owner until the display goes.
        const Result r =
            Run("xclip -selection clipboard -i " + Quote(path.string()) + " >/dev/null");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    std::string Get(const std::string& file, const std::string& cell) {
        return Run(Cli() + " get " + Quote(file) + " " + Quote(cell)).out;
    }
    static std::string Bytes(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

// A decimal comma is a decimal separator; a frequency outside the band is refused, the editor
// keeps the text to correct it, and Escape leaves the cell and the file as they were.
TEST_F(DesktopClipboard, TypedFrequencyWithACommaIsStoredAndOneOutsideTheBandIsRefused) {
    const std::string file = CloneFile("typed.kcf");
    OpenUserChannels(file);
    Type("156,8");
    Keys("Return ctrl+s");
    ASSERT_TRUE(
        WaitForOutput(Cli() + " get " + Quote(file) + " 'CT_FreeCh.CL_Fch_FreqR[0]'", "156.80000"))
        << Get(file, "CT_FreeCh.CL_Fch_FreqR[0]");
    const std::string saved = Bytes(file);

    Type("1568");
    Keys("Return");
    Pause(300);
    Keys("ctrl+a ctrl+c");  // inside the editor that stayed open
    EXPECT_TRUE(WaitForOutput("timeout 10 xclip -o -selection clipboard", "1568")) << Clipboard();
    Keys("Escape ctrl+c");  // the cell itself
    EXPECT_TRUE(WaitForOutput("timeout 10 xclip -o -selection clipboard", "156.80000"))
        << Clipboard();
    Keys("ctrl+s");
    Pause(500);
    EXPECT_TRUE(Bytes(file) == saved) << "the refused value changed the file";
}

// Rows copied with Ctrl+C come out of the clipboard as tab-separated text, one line a row; a
// block from a spreadsheet (Windows line ends, a decimal comma) pasted with Ctrl+V fills the
// cells from the cursor.
TEST_F(DesktopClipboard, ABlockFromASpreadsheetIsPastedAndRowsAreCopiedAsTabSeparatedText) {
    const std::string file = CloneFile("pasted.kcf");
    OpenUserChannels(file);
    SetClipboard("157.1\t157.2\tM2\r\n160,6\t<-\tM3\r\n");
    Keys("ctrl+v ctrl+s");
    ASSERT_TRUE(
        WaitForOutput(Cli() + " get " + Quote(file) + " 'CT_FreeCh.CL_Fch_ChName[1]'", "M3"))
        << Run(Cli() + " export " + Quote(file) + " --table free").out;
    EXPECT_EQ(Run(Cli() + " get " + Quote(file) +
                  " 'CT_FreeCh.CL_Fch_FreqR[0]' 'CT_FreeCh.CL_Fch_FreqT[0]'"
                  " 'CT_FreeCh.CL_Fch_ChName[0]' 'CT_FreeCh.CL_Fch_FreqR[1]'"
                  " 'CT_FreeCh.CL_Fch_FreqT[1]'")
                  .out,
              "157.10000\n157.20000\nM2\n160.60000\n<-\n");

    Keys("shift+Down shift+Right shift+Right ctrl+c");
    EXPECT_TRUE(WaitForOutput("timeout 10 xclip -o -selection clipboard", "M3"));
    EXPECT_EQ(Clipboard(), "157.10000\t157.20000\tM2\n160.60000\t<-\tM3\n");
}

}  // namespace
