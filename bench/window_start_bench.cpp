// Cold start of the window program to its first painted sheet, against a bare Qt main window
// with a tree to its first paint and against a window of stock Qt widgets showing the same first
// screen (menus, ten toolbar icons, the tree, the first sheet's table) to its table's first
// paint, all run as processes side by side in one run (offscreen, so no display is needed).
// Counters give each time (wall and CPU), the peak resident memory of each and the ratios of
// KELDA's to each.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

struct Outcome {
    double ms = 0;
    double cpuMs = 0;  // the child's CPU time up to the same moment
    long maxRssKb = 0;
    bool ok = false;
};

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Time from the fork to the child's report of its first painted sheet (the child reads the same
// monotonic clock), so that shutdown work is not counted.
Outcome Launch(const std::string& program, const std::string& home) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const long long start = MonotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("KELDA_QUIT_AFTER_FIRST_SHEET", "1", 1);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    Outcome out;
    long long painted = 0, cpuNs = 0;
    if (FILE* f = fdopen(fds[0], "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, f))
            std::sscanf(line, "first-sheet-painted %lld %lld", &painted, &cpuNs);
        std::fclose(f);
    } else {
        close(fds[0]);
    }
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        out.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && painted > start;
        out.maxRssKb = usage.ru_maxrss;
    }
    out.ms = static_cast<double>(painted - start) / 1e6;
    out.cpuMs = static_cast<double>(cpuNs) / 1e6;
    return out;
}

void BM_WindowColdStartAgainstBareQtWindow(benchmark::State& state) {
    const std::string kelda = std::string(KELDA_BIN_DIR) + "/kelda";
    const std::string bare = std::string(KELDA_BIN_DIR) + "/kelda-bare-window";
    const std::string stock = std::string(KELDA_BIN_DIR) + "/kelda-stock-window";
    if (access(kelda.c_str(), X_OK) != 0 || access(bare.c_str(), X_OK) != 0 ||
        access(stock.c_str(), X_OK) != 0) {
        state.SkipWithError("kelda, kelda-bare-window or kelda-stock-window is not built");
        return;
    }
    char tmpl[] = "/tmp/kelda-start-bench-XXXXXX";
    const std::string home = mkdtemp(tmpl);
    chmod(home.c_str(), 0700);
    double keldaMs = 0, bareMs = 0, stockMs = 0, keldaCpuMs = 0, bareCpuMs = 0, stockCpuMs = 0;
    long keldaRss = 0, bareRss = 0, stockRss = 0;
    int runs = 0;
    // A first run of each warms the file cache, as a user's second start would find it.
    Launch(kelda, home);
    Launch(bare, home);
    Launch(stock, home);
    for (auto _ : state) {
        const Outcome k = Launch(kelda, home);
        const Outcome b = Launch(bare, home);
        const Outcome s = Launch(stock, home);
        if (!k.ok || !b.ok || !s.ok) {
            state.SkipWithError("a program did not end normally");
            break;
        }
        keldaMs += k.ms;
        bareMs += b.ms;
        keldaCpuMs += k.cpuMs;
        bareCpuMs += b.cpuMs;
        keldaRss = std::max(keldaRss, k.maxRssKb);
        bareRss = std::max(bareRss, b.maxRssKb);
        stockMs += s.ms;
        stockCpuMs += s.cpuMs;
        stockRss = std::max(stockRss, s.maxRssKb);
        ++runs;
    }
    std::system(("rm -rf '" + home + "'").c_str());
    if (runs == 0) return;
    state.counters["kelda_ms"] = keldaMs / runs;
    state.counters["bare_ms"] = bareMs / runs;
    state.counters["start_ratio"] = keldaMs / bareMs;
    // CPU time to the first frame: on a loaded machine the wall times wander, this much less.
    state.counters["kelda_cpu_ms"] = keldaCpuMs / runs;
    state.counters["bare_cpu_ms"] = bareCpuMs / runs;
    state.counters["cpu_ratio"] = bareCpuMs > 0 ? keldaCpuMs / bareCpuMs : 0;
    state.counters["kelda_rss_MiB"] = keldaRss / 1024.0;
    state.counters["bare_rss_MiB"] = bareRss / 1024.0;
    state.counters["rss_ratio"] = static_cast<double>(keldaRss) / static_cast<double>(bareRss);
    // Against the same first screen made of stock widgets.
    state.counters["stock_ms"] = stockMs / runs;
    state.counters["stock_start_ratio"] = keldaMs / stockMs;
    state.counters["stock_cpu_ms"] = stockCpuMs / runs;
    state.counters["stock_cpu_ratio"] = stockCpuMs > 0 ? keldaCpuMs / stockCpuMs : 0;
    state.counters["stock_rss_MiB"] = stockRss / 1024.0;
}
BENCHMARK(BM_WindowColdStartAgainstBareQtWindow)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
