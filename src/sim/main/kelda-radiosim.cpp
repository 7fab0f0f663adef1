// kelda-radiosim: a simulated radio on a pseudo-terminal, for trying Read and Write without a
// radio and for running the programs' serial code for real.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "platform/PortDiscovery.h"
#include "platform/PseudoTerminal.h"
#include "platform/StandardOutput.h"
#include "sim/SimImageFiles.h"
#include "sim/SimLink.h"
#include "sim/SimRadio.h"

namespace {

volatile sig_atomic_t gStop = 0;
void OnSignal(int) {
    gStop = 1;
}

const char kUsage[] =
    "usage: kelda-radiosim [OPTIONS]\n"
    "A simulated radio on a pseudo-terminal. Prints the device path, then answers information,\n"
    "read and write runs until interrupted.\n"
    "\n"
    "  --image FILE        start from this clone file (default: the factory image of model\n"
    "                      type 2)\n"
    "  --save FILE         save what each accepted write run sent, as a clone file\n"
    "  --baud N            pace the line like a real one at N baud, 10 bits a byte\n"
    "  --block N           data bytes per frame of a read (1..254, default 16)\n"
    "  --name NAME         name of the link in the ports folder (default radiosim)\n"
    "  --no-publish        do not publish a link in the ports folder\n"
    "faults:\n"
    "  --no-echo           the link does not echo\n"
    "  --garble-echo       the link echoes wrong bytes\n"
    "  --drop-frame K      leave out the K-th data frame of a read\n"
    "  --bad-checksum K    spoil the checksum of the K-th data frame of a read\n"
    "  --wrong-count       count one frame too many in the end frame of a read\n"
    "  --refuse-write      refuse every write run\n"
    "  --refuse-read       mark the radio as refusing reads, and leave reads unanswered\n"
    "  --model-group 0|1   the identity's model-group bit\n"
    "  --version DDDD      the identity's four revision digits\n"
    "  --silent            answer nothing (the link still echoes)\n"
    "  --corrupt-store A   store the byte at address A (decimal or 0x hex) of each accepted\n"
    "                      write with its bits inverted\n"
    "  --stall-write N     the line stops taking bytes once N bytes of a write run have\n"
    "                      arrived, as a transmitter that stops sending: the program's writes\n"
    "                      time out (result 17); its next open of the port lets the line go\n"
    "  --stop-write N      go dead (no echo, no answer) once N bytes of a write run have\n"
    "                      arrived, as a radio switched off part way\n"
    "  --chatter           be no radio at all but a device that sends text all the time\n";

int Fail(const std::string& text) {
    std::fprintf(stderr, "kelda-radiosim: %s\n", text.c_str());
    return 2;
}

uint64_t NowUs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// Ends the program's output; what was printed and lost is told, exit 12.
int FinishOutput(int status) {
    std::string why;
    if (platform::FinishStandardOutput(why)) return status;
    std::fprintf(stderr, "kelda-radiosim: writing to standard output failed: %s\n", why.c_str());
    return 12;
}

bool ParseInt(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

// What the command line asks for.
struct Options {
    SimFaults faults;
    std::string imagePath, savePath, name = "radiosim";
    int baud = 0, block = 16;
    bool publish = true;
};

// Sets an option without a value; false when `a` is none.
bool SetSwitch(const std::string& a, Options& o) {
    static const std::pair<const char*, bool SimFaults::*> kFaults[] = {
        {"--no-echo", &SimFaults::noEcho},         {"--garble-echo", &SimFaults::garbleEcho},
        {"--wrong-count", &SimFaults::wrongCount}, {"--refuse-write", &SimFaults::refuseWrite},
        {"--refuse-read", &SimFaults::refuseRead}, {"--silent", &SimFaults::silent},
        {"--chatter", &SimFaults::chatter},
    };
    for (const auto& [option, fault] : kFaults) {
        if (a == option) {
            o.faults.*fault = true;
            return true;
        }
    }
    if (a != "--no-publish") return false;
    o.publish = false;
    return true;
}

bool TakesValue(const std::string& a) {
    for (const char* option :
         {"--stop-write", "--stall-write", "--drop-frame", "--bad-checksum", "--corrupt-store",
          "--model-group", "--version", "--baud", "--block", "--image", "--save", "--name"})
        if (a == option) return true;
    return false;
}

// Sets option `a` from its value `v` (nullptr when the command line ended); what is wrong with
// the value, or "".
std::string SetValue(const std::string& a, const char* v, Options& o) {
    auto number = [v](int low, int high, int& out, const std::string& error) {
        return v && ParseInt(v, low, high, out) ? std::string() : error;
    };
    if (a == "--stop-write")
        return number(1, 1 << 20, o.faults.stopWrite, a + " needs a byte count from 1");
    if (a == "--stall-write")
        return number(1, 1 << 20, o.faults.stallWrite, a + " needs a byte count from 1");
    if (a == "--drop-frame" || a == "--bad-checksum")
        return number(1, 1 << 20, a == "--drop-frame" ? o.faults.dropFrame : o.faults.badChecksum,
                      a + " needs a frame number from 1");
    if (a == "--corrupt-store") {
        char* end = nullptr;
        const long address = v ? std::strtol(v, &end, 0) : -1;
        if (!v || *v == '\0' || *end != '\0' || address < 0 || address >= SimRadio::kImageSize)
            return "--corrupt-store needs an address from 0 to 0x7FFF";
        o.faults.corruptStore = static_cast<int>(address);
        return {};
    }
    if (a == "--model-group")
        return number(0, 1, o.faults.modelGroup, "--model-group needs 0 or 1");
    if (a == "--version") {
        if (!v || std::strlen(v) != 4 || std::strspn(v, "0123456789") != 4)
            return "--version needs four digits";
        o.faults.version = v;
        return {};
    }
    if (a == "--baud") return number(1, 10000000, o.baud, "--baud needs a positive number");
    if (a == "--block") return number(1, 254, o.block, "--block needs a number from 1 to 254");
    if (!v) return a + " needs a value";
    (a == "--image" ? o.imagePath : a == "--save" ? o.savePath : o.name) = v;
    return {};
}

// The options, or the exit status when the program ends here (help, a bad option).
std::optional<int> ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            platform::WriteStandardOutput(kUsage);
            return FinishOutput(0);
        }
        if (SetSwitch(a, o)) continue;
        if (!TakesValue(a)) {
            std::fputs(kUsage, stderr);
            return Fail("unknown option " + a);
        }
        const char* v = i + 1 < argc ? argv[++i] : nullptr;
        if (const std::string error = SetValue(a, v, o); !error.empty()) return Fail(error);
    }
    return std::nullopt;
}

// A link in the ports folder under the first free name; "" when none could be made.
std::string PublishLink(const std::string& name, const std::string& device) {
    std::string link;
    for (int n = 1; n < 100 && link.empty(); ++n)
        link = platform::PublishPort(n == 1 ? name : name + "-" + std::to_string(n), device,
                                     "KELDA simulated radio");
    if (link.empty()) std::fprintf(stderr, "kelda-radiosim: could not publish a port link\n");
    return link;
}

void CatchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// Serves the line until a signal or the other end's going away.
void Serve(SimRadio& radio, int fd, int baud) {
    SimLink line(radio, fd, static_cast<unsigned>(baud));
    while (!gStop && !line.Broken()) {
        int64_t due = line.Service(NowUs());
        int timeout = due < 0 ? 100 : static_cast<int>((due + 999) / 1000);
        if (due >= 0 && due < 1000) timeout = 0;
        pollfd p{fd, POLLIN, 0};
        if (timeout > 0 || due < 0)
            poll(&p, 1, timeout);
        else if (due > 0)
            usleep(static_cast<useconds_t>(due));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (std::optional<int> status = ParseOptions(argc, argv, o)) return *status;

    SimRadio radio(o.faults);
    radio.SetBlockSize(o.block);
    std::string error;
    if (!LoadSimImage(o.imagePath, radio.Image(), error)) return Fail(error);
    radio.SetUpIdentity();
    if (!o.savePath.empty()) {
        radio.OnWritten([savePath = o.savePath](const cmcEeprom& image) {
            std::string why;
            if (SaveSimImage(savePath, image, why))
                std::fprintf(stderr, "kelda-radiosim: write run saved to %s\n", savePath.c_str());
            else
                std::fprintf(stderr, "kelda-radiosim: %s\n", why.c_str());
        });
    }

    platform::PseudoTerminal pty;
    if (!pty.Open(&error)) return Fail(error);
    const std::string link = o.publish ? PublishLink(o.name, pty.SlavePath()) : std::string();
    CatchStopSignals();

    // A caller that cannot learn the port's name cannot use the radio: end at once.
    platform::WriteStandardOutput(pty.SlavePath() + "\n" + (link.empty() ? "" : link + "\n"));
    if (std::string why; !platform::FinishStandardOutput(why)) {
        std::fprintf(stderr, "kelda-radiosim: writing to standard output failed: %s\n",
                     why.c_str());
        platform::UnpublishPort(link);
        return 12;
    }
    Serve(radio, pty.MasterFd(), o.baud);
    platform::UnpublishPort(link);
    return 0;
}
