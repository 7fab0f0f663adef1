#pragma once
// Which serial devices are present, with names a person recognises.
#include <string>
#include <vector>

namespace platform {

struct SerialDeviceInfo {
    std::string path;      // stable path: a /dev/serial/by-id link, a published link, or /dev/tty*
    std::string device;    // what the path leads to, e.g. /dev/ttyUSB0 or /dev/pts/3
    std::string friendly;  // e.g. "FT232R USB UART (ttyUSB0)"
    int number = 0;        // the system's own number of the port (COM5 is 5); 0 where none
};

class PortDiscovery {
  public:
    virtual ~PortDiscovery() = default;
    virtual std::vector<SerialDeviceInfo> Discover() = 0;
};

// The folder where programs of this user publish serial devices of their own (the simulated
// radio puts a link to its pseudo-terminal there): <runtime folder>/ports.
std::string PortsFolder();

// Publishes a link NAME in the ports folder to device, with the friendly name shown in port
// lists; the owner process is recorded so that a link left by a killed process is ignored.
// Returns the link's path, or "" when it could not be made.
std::string PublishPort(const std::string& name, const std::string& device,
                        const std::string& friendly);
void UnpublishPort(const std::string& linkPath);

// Installed discovery; until something is installed, the system's (sysfs, /dev, the ports
// folder).
PortDiscovery& GetPortDiscovery();
PortDiscovery* InstallPortDiscovery(PortDiscovery* discovery);

}  // namespace platform
