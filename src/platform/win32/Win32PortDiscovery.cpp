// Serial ports on Windows: the COM names of the registry's serial-port map
// (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM) and of the DOS device names, with friendly names from
// the device set-up interface ("USB Serial Port (COM5)"). A port keeps its COM number.
#include <windows.h>
// After windows.h, which it needs.
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <map>
#include <utility>

#include "platform/PortDiscovery.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

// 5 for "COM5" (any letter case), 0 for anything else.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6) return 0;
    if ((name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' || (name[2] | 0x20) != 'm') return 0;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

void FromSerialMap(std::map<int, std::string>& ports) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        wchar_t data[64];
        DWORD nameLen = static_cast<DWORD>(std::size(name));
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        LONG r = RegEnumValueW(key, i, name, &nameLen, nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &dataSize);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) break;
        if (type != REG_SZ) continue;
        data[dataSize / sizeof(wchar_t)] = L'\0';
        std::string com = win32::Narrow(data);
        if (int n = ComNumber(com)) ports.emplace(n, "COM" + std::to_string(n));
    }
    RegCloseKey(key);
}

// Ports that the map lacks but the system knows by name (mapped with DefineDosDevice, as some
// virtual port drivers do).
void FromDosDevices(std::map<int, std::string>& ports) {
    std::wstring names(65536, L'\0');
    const DWORD n = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
    for (size_t at = 0; at < n && names[at] != L'\0';) {
        const std::wstring one(names.c_str() + at);
        at += one.size() + 1;
        if (int number = ComNumber(win32::Narrow(one)))
            ports.emplace(number, "COM" + std::to_string(number));
    }
}

// "USB Serial Port (COM5)" for every port the device set-up interface describes.
std::map<int, std::string> FriendlyNames() {
    std::map<int, std::string> names;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t portName[64] = {};
        DWORD size = sizeof portName - sizeof(wchar_t);
        DWORD type = 0;
        const bool named =
            RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ;
        RegCloseKey(key);
        const int number = named ? ComNumber(win32::Narrow(portName)) : 0;
        if (number == 0) continue;
        wchar_t friendly[256] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(friendly),
                                              sizeof friendly - sizeof(wchar_t), nullptr))
            names[number] = win32::Narrow(friendly);
    }
    SetupDiDestroyDeviceInfoList(set);
    return names;
}

class SystemPortDiscovery : public PortDiscovery {
  public:
    std::vector<SerialDeviceInfo> Discover() override {
        std::map<int, std::string> ports;
        FromSerialMap(ports);
        FromDosDevices(ports);
        const std::map<int, std::string> friendly = FriendlyNames();
        std::vector<SerialDeviceInfo> out;
        for (const auto& [number, com] : ports) {
            auto f = friendly.find(number);
            std::string name = f != friendly.end() ? f->second : "Serial port (" + com + ")";
            // The device's own friendly name ends in "(COM5)" already.
            if (name.find("(" + com + ")") == std::string::npos) name += " (" + com + ")";
            out.push_back({com, "\\\\.\\" + com, name, number});
        }
        return out;
    }
};

PortDiscovery* gDiscovery = nullptr;

}  // namespace

PortDiscovery& GetPortDiscovery() {
    static SystemPortDiscovery system;
    return gDiscovery ? *gDiscovery : system;
}

PortDiscovery* InstallPortDiscovery(PortDiscovery* discovery) {
    return std::exchange(gDiscovery, discovery);
}

}  // namespace platform
