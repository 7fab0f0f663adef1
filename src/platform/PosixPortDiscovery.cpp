// Serial devices from /dev/serial/by-id, /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS* with a driver,
// and the links of the per-user ports folder; friendly names from sysfs.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <utility>

#include "platform/Folders.h"
#include "platform/PortDiscovery.h"

namespace platform {
namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string RealPath(const std::string& p) {
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : std::string();
}

std::string ReadLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool Exists(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0;
}

// "FT232R USB UART (ttyUSB0)": the USB product or interface name, else the driver's name.
std::string FriendlyName(const std::string& tty) {
    std::string dev = RealPath("/sys/class/tty/" + tty + "/device");
    std::string name;
    // Walk up from the tty's device to the USB interface and device that describe it.
    for (std::string p = dev; !p.empty() && p != "/sys" && name.empty();
         p = p.substr(0, p.find_last_of('/'))) {
        name = ReadLine(p + "/interface");
        if (name.empty()) name = ReadLine(p + "/product");
    }
    if (name.empty()) {
        std::string driver = RealPath("/sys/class/tty/" + tty + "/device/driver");
        name = driver.empty() ? std::string("Serial port") : driver.substr(driver.rfind('/') + 1);
    }
    return name + " (" + tty + ")";
}

bool HasDriver(const std::string& tty) {
    if (!Exists("/sys/class/tty/" + tty + "/device/driver")) return false;
    // Legacy 8250 ports exist for every possible UART; only those with a real I/O port count.
    std::string type = ReadLine("/sys/class/tty/" + tty + "/type");
    return type.empty() || type != "0";
}

bool OwnerAlive(const std::string& infoFile) {
    std::ifstream in(infoFile);
    long pid = 0;
    if (!(in >> pid) || pid <= 0) return true;  // no owner recorded: trust the link
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

class SystemPortDiscovery : public PortDiscovery {
  public:
    std::vector<SerialDeviceInfo> Discover() override {
        std::vector<SerialDeviceInfo> out;
        auto seen = [&](const std::string& device) {
            return std::any_of(out.begin(), out.end(),
                               [&](const SerialDeviceInfo& i) { return i.device == device; });
        };
        // Stable names first, so that a device keeps its number when its tty name changes.
        const std::string byId = "/dev/serial/by-id";
        for (const auto& n : Entries(byId)) {
            std::string dev = RealPath(byId + "/" + n);
            if (dev.empty() || seen(dev)) continue;
            out.push_back({byId + "/" + n, dev, FriendlyName(dev.substr(dev.rfind('/') + 1))});
        }
        for (const auto& n : Entries("/dev")) {
            bool usb = n.rfind("ttyUSB", 0) == 0 || n.rfind("ttyACM", 0) == 0;
            bool uart = n.rfind("ttyS", 0) == 0;
            if (!usb && !uart) continue;
            std::string dev = "/dev/" + n;
            if (seen(dev) || (uart && !HasDriver(n))) continue;
            out.push_back({dev, dev, FriendlyName(n)});
        }
        const std::string folder = PortsFolder();
        for (const auto& n : Entries(folder)) {
            if (n.find('.') != std::string::npos) continue;  // the links' info files
            std::string link = folder + "/" + n;
            std::string dev = RealPath(link);
            if (dev.empty() || seen(dev) || !OwnerAlive(link + ".info")) continue;
            std::ifstream info(link + ".info");
            std::string pid, friendly;
            std::getline(info, pid);
            std::getline(info, friendly);
            if (friendly.empty()) friendly = n;
            std::string tty = dev.rfind("/dev/", 0) == 0 ? dev.substr(5) : dev;
            out.push_back({link, dev, friendly + " (" + tty + ")"});
        }
        return out;
    }
};

PortDiscovery* gDiscovery = nullptr;

}  // namespace

std::string PortsFolder() {
    return JoinPath(RuntimeFolder(), "ports");
}

std::string PublishPort(const std::string& name, const std::string& device,
                        const std::string& friendly) {
    std::string folder = PortsFolder();
    if (!MakeFolders(folder)) return {};
    std::string link = JoinPath(folder, name);
    if (!OwnerAlive(link + ".info") || !Exists(link)) {
        unlink(link.c_str());
        unlink((link + ".info").c_str());
    }
    if (symlink(device.c_str(), link.c_str()) != 0) return {};
    std::ofstream info(link + ".info", std::ios::trunc);
    info << getpid() << "\n" << friendly << "\n";
    return info ? link : std::string();
}

void UnpublishPort(const std::string& linkPath) {
    if (linkPath.empty()) return;
    unlink(linkPath.c_str());
    unlink((linkPath + ".info").c_str());
}

PortDiscovery& GetPortDiscovery() {
    static SystemPortDiscovery system;
    return gDiscovery ? *gDiscovery : system;
}

PortDiscovery* InstallPortDiscovery(PortDiscovery* discovery) {
    return std::exchange(gDiscovery, discovery);
}

}  // namespace platform
