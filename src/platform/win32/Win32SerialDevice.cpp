// Serial devices through the Win32 communications calls. The handle is opened for plain
// (non-overlapped) I/O with time-outs that make a read return at once with what the driver
// holds, and a write wait at most its own time-out, as the POSIX device does.
#include <windows.h>

#include <chrono>
#include <cwctype>
#include <utility>

#include "platform/SerialDevice.h"
#include "platform/win32/WideText.h"

namespace platform {
namespace {

constexpr DWORD kQueueSize = 4096;

// "COM5" and "com12" name ports; the system wants "\\.\COM12" for numbers above 9 and takes
// it for all.
std::wstring DeviceName(const std::string& path) {
    if (path.rfind("\\\\", 0) == 0) return win32::Widen(path);
    return win32::Widen("\\\\.\\" + path);
}

class Win32SerialDevice : public SerialDevice {
  public:
    ~Win32SerialDevice() override { Close(); }

    bool Open(const std::string& path, const SerialLine& line) override {
        Close();
        failure_ = {};
        lost_ = false;
        // No sharing: a port that another program holds is refused, and so is a second open.
        HANDLE h = CreateFileW(DeviceName(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return Fail(GetLastError());
        // Some drivers let a second opener through (Wine's emulation does): between our own
        // programs a mutex named after the port refuses it all the same.
        std::wstring mutexName = L"Local\\KELDA serial port ";
        for (wchar_t c : DeviceName(path).substr(4)) mutexName += static_cast<wchar_t>(towupper(c));
        HANDLE m = CreateMutexW(nullptr, FALSE, mutexName.c_str());
        if (m == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
            if (m) CloseHandle(m);
            CloseHandle(h);
            return Fail(ERROR_ACCESS_DENIED);
        }
        handle_ = h;
        portMutex_ = m;
        if (!Configure(line)) {
            const DWORD e = GetLastError();
            Close();
            return Fail(e ? e : ERROR_INVALID_PARAMETER, OpenFault::kLineSettings);
        }
        // Some drivers (and emulations) have no modem lines: the calls fail there, harmlessly.
        EscapeCommFunction(handle_, CLRDTR);
        EscapeCommFunction(handle_, SETRTS);
        PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        // The clone driver polls on a millisecond tick: sleeps of the run loop must be that fine.
        timeBeginPeriod(1);
        return true;
    }

    void Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        // What a stalled line has not sent by now is not wanted, and must not hold the close.
        PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        if (portMutex_) CloseHandle(portMutex_);
        portMutex_ = nullptr;
        timeEndPeriod(1);
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    IoResult Read(uint8_t* buf, int max) override {
        if (!IsOpen() || max <= 0) return {};
        DWORD got = 0;
        if (!ReadFile(handle_, buf, static_cast<DWORD>(max), &got, nullptr)) {
            NoteFailure(GetLastError());
            return {IoStatus::kIoError, 0};
        }
        return {IoStatus::kOk, static_cast<int>(got)};
    }

    IoResult Write(const uint8_t* buf, int n, int timeoutMs) override {
        if (!IsOpen()) return {IoStatus::kIoError, 0};
        if (n <= 0) return {};
        using clock = std::chrono::steady_clock;
        const auto limit = clock::now() + std::chrono::milliseconds(timeoutMs);
        int done = 0;
        while (done < n) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(limit - clock::now()).count();
            if (left <= 0) return {IoStatus::kTimeout, done};
            SetWriteTimeout(static_cast<DWORD>(left));
            DWORD wrote = 0;
            if (!WriteFile(handle_, buf + done, static_cast<DWORD>(n - done), &wrote, nullptr)) {
                NoteFailure(GetLastError());
                return {IoStatus::kIoError, done};
            }
            // The time-out ran out with nothing taken.
            if (wrote == 0) return {IoStatus::kTimeout, done};
            done += static_cast<int>(wrote);
        }
        return {IoStatus::kOk, done};
    }

    int InputWaiting() override {
        COMSTAT stat{};
        return QueueState(stat) ? static_cast<int>(stat.cbInQue) : 0;
    }

    int OutputQueued() override {
        COMSTAT stat{};
        return QueueState(stat) ? static_cast<int>(stat.cbOutQue) : 0;
    }

    bool LineLost() override {
        if (!IsOpen()) return false;
        COMSTAT stat{};
        QueueState(stat);
        return lost_;
    }

    const OpenFailure& LastFailure() const override { return failure_; }

  private:
    bool QueueState(COMSTAT& stat) {
        if (!IsOpen()) return false;
        DWORD errors = 0;
        if (ClearCommError(handle_, &errors, &stat)) return true;
        NoteFailure(GetLastError());
        return false;
    }

    // Errors after which nothing more will pass: the adapter was pulled or the device went.
    // On an open handle, access denied and an aborted operation are how USB serial drivers
    // report a device that has been removed.
    void NoteFailure(DWORD err) {
        switch (err) {
            case ERROR_ACCESS_DENIED:
            case ERROR_BAD_COMMAND:
            case ERROR_GEN_FAILURE:
            case ERROR_DEVICE_REMOVED:
            case ERROR_OPERATION_ABORTED:
            case ERROR_INVALID_HANDLE:
            case ERROR_DEVICE_NOT_CONNECTED:
            case ERROR_NOT_READY:
            case ERROR_FILE_NOT_FOUND:
            case ERROR_BROKEN_PIPE:
                lost_ = true;
                break;
            default:
                break;
        }
    }

    bool SetWriteTimeout(DWORD ms) {
        if (ms == writeTimeout_) return true;
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = MAXDWORD;  // with both totals 0: return at once
        t.WriteTotalTimeoutConstant = ms ? ms : 1;
        if (!SetCommTimeouts(handle_, &t)) return false;
        writeTimeout_ = ms;
        return true;
    }

    bool Configure(const SerialLine& line) {
        // Emulated and virtual ports may keep queue sizes of their own: a refusal is harmless.
        SetupComm(handle_, kQueueSize, kQueueSize);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) return false;
        dcb.BaudRate = line.baud;
        dcb.fBinary = TRUE;
        dcb.fParity = line.parityCheck ? TRUE : FALSE;
        dcb.Parity = line.parityCheck ? EVENPARITY : NOPARITY;
        dcb.ByteSize = static_cast<BYTE>(line.dataBits < 5   ? 5
                                         : line.dataBits > 8 ? 8
                                                             : line.dataBits);
        dcb.StopBits = line.stopBits == 0   ? ONESTOPBIT
                       : line.stopBits == 1 ? ONE5STOPBITS
                                            : TWOSTOPBITS;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        if (!SetCommState(handle_, &dcb)) return false;
        writeTimeout_ = 0;
        return SetWriteTimeout(1000);
    }

    bool Fail(DWORD err, OpenFault otherwise = OpenFault::kSystem) {
        failure_ = {};
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) {
            failure_.fault = OpenFault::kNoSuchPort;
        } else if (err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION) {
            failure_.fault = OpenFault::kInUse;
        } else {
            failure_.fault = otherwise;
            failure_.systemText = win32::SystemMessage(err);
        }
        return false;
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE portMutex_ = nullptr;
    DWORD writeTimeout_ = 0;
    bool lost_ = false;
    OpenFailure failure_;
};

SerialDeviceWrapper gWrapper = nullptr;

}  // namespace

SerialDeviceWrapper InstallSerialDeviceWrapper(SerialDeviceWrapper wrapper) {
    return std::exchange(gWrapper, wrapper);
}

std::unique_ptr<SerialDevice> CreateSerialDevice() {
    std::unique_ptr<SerialDevice> device = std::make_unique<Win32SerialDevice>();
    return gWrapper ? gWrapper(std::move(device)) : std::move(device);
}

}  // namespace platform
