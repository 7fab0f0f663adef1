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
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    SimFaults faults;
    std::string imagePath, savePath, name = "radiosim";
    int baud = 0, block = 16;
    bool publish = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)what;
            return argv[++i];
        };
        const char* v = nullptr;
        if (a == "--help" || a == "-h") {
            platform::WriteStandardOutput(kUsage);
            return FinishOutput(0);
        } else if (a == "--no-echo") {
            faults.noEcho = true;
        } else if (a == "--garble-echo") {
            faults.garbleEcho = true;
        } else if (a == "--wrong-count") {
            faults.wrongCount = true;
        } else if (a == "--refuse-write") {
            faults.refuseWrite = true;
        } else if (a == "--refuse-read") {
            faults.refuseRead = true;
        } else if (a == "--silent") {
            faults.silent = true;
        } else if (a == "--no-publish") {
            publish = false;
        } else if (a == "--chatter") {
            faults.chatter = true;
        } else if (a == "--stop-write") {
            if (!(v = value(a.c_str())) || !ParseInt(v, 1, 1 << 20, faults.stopWrite))
                return Fail("--stop-write needs a byte count from 1");
        } else if (a == "--stall-write") {
            if (!(v = value(a.c_str())) || !ParseInt(v, 1, 1 << 20, faults.stallWrite))
                return Fail("--stall-write needs a byte count from 1");
        } else if (a == "--drop-frame" || a == "--bad-checksum") {
            int k = 0;
            if (!(v = value(a.c_str())) || !ParseInt(v, 1, 1 << 20, k))
                return Fail(a + " needs a frame number from 1");
            (a == "--drop-frame" ? faults.dropFrame : faults.badChecksum) = k;
        } else if (a == "--corrupt-store") {
            v = value(a.c_str());
            char* end = nullptr;
            const long address = v ? std::strtol(v, &end, 0) : -1;
            if (!v || *v == '\0' || *end != '\0' || address < 0 || address >= SimRadio::kImageSize)
                return Fail("--corrupt-store needs an address from 0 to 0x7FFF");
            faults.corruptStore = static_cast<int>(address);
        } else if (a == "--model-group") {
            if (!(v = value(a.c_str())) || !ParseInt(v, 0, 1, faults.modelGroup))
                return Fail("--model-group needs 0 or 1");
        } else if (a == "--version") {
            v = value(a.c_str());
            if (!v || std::strlen(v) != 4 || std::strspn(v, "0123456789") != 4)
                return Fail("--version needs four digits");
            faults.version = v;
        } else if (a == "--baud") {
            if (!(v = value(a.c_str())) || !ParseInt(v, 1, 10000000, baud))
                return Fail("--baud needs a positive number");
        } else if (a == "--block") {
            if (!(v = value(a.c_str())) || !ParseInt(v, 1, 254, block))
                return Fail("--block needs a number from 1 to 254");
        } else if (a == "--image" || a == "--save" || a == "--name") {
            if (!(v = value(a.c_str()))) return Fail(a + " needs a value");
            (a == "--image" ? imagePath : a == "--save" ? savePath : name) = v;
        } else {
            std::fputs(kUsage, stderr);
            return Fail("unknown option " + a);
        }
    }

    SimRadio radio(faults);
    radio.SetBlockSize(block);
    std::string error;
    if (!LoadSimImage(imagePath, radio.Image(), error)) return Fail(error);
    radio.SetUpIdentity();
    if (!savePath.empty()) {
        radio.OnWritten([savePath](const cmcEeprom& image) {
            std::string why;
            if (SaveSimImage(savePath, image, why))
                std::fprintf(stderr, "kelda-radiosim: write run saved to %s\n", savePath.c_str());
            else
                std::fprintf(stderr, "kelda-radiosim: %s\n", why.c_str());
        });
    }

    platform::PseudoTerminal pty;
    if (!pty.Open(&error)) return Fail(error);
    std::string link;
    if (publish) {
        for (int n = 1; n < 100 && link.empty(); ++n)
            link = platform::PublishPort(n == 1 ? name : name + "-" + std::to_string(n),
                                         pty.SlavePath(), "KELDA simulated radio");
        if (link.empty()) std::fprintf(stderr, "kelda-radiosim: could not publish a port link\n");
    }

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    // A caller that cannot learn the port's name cannot use the radio: end at once.
    platform::WriteStandardOutput(pty.SlavePath() + "\n" + (link.empty() ? "" : link + "\n"));
    if (std::string why; !platform::FinishStandardOutput(why)) {
        std::fprintf(stderr, "kelda-radiosim: writing to standard output failed: %s\n",
                     why.c_str());
        platform::UnpublishPort(link);
        return 12;
    }

    SimLink line(radio, pty.MasterFd(), static_cast<unsigned>(baud));
    while (!gStop && !line.Broken()) {
        int64_t due = line.Service(NowUs());
        int timeout = due < 0 ? 100 : static_cast<int>((due + 999) / 1000);
        if (due >= 0 && due < 1000) timeout = 0;
        pollfd p{pty.MasterFd(), POLLIN, 0};
        if (timeout > 0 || due < 0)
            poll(&p, 1, timeout);
        else if (due > 0)
            usleep(static_cast<useconds_t>(due));
    }
    platform::UnpublishPort(link);
    return 0;
}
