// Serial devices through termios.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/SerialDevice.h"

namespace platform {
namespace {

speed_t SpeedOf(unsigned baud) {
    switch (baud) {
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return 0;
    }
}

class PosixSerialDevice : public SerialDevice {
  public:
    ~PosixSerialDevice() override { Close(); }

    bool Open(const std::string& path, const SerialLine& line) override {
        Close();
        failure_ = {};
        lost_ = false;
        int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return Fail(path, errno, -1);
        // An advisory lock refuses a second opener even when it runs as root, which the
        // terminal's own exclusive mode lets through.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int e = errno;
            return Fail(path, e == EWOULDBLOCK ? EBUSY : e, fd);
        }
        if (ioctl(fd, TIOCEXCL) != 0) return Fail(path, errno, fd);
        fd_ = fd;
        if (!Configure(line)) {
            int e = errno ? errno : EINVAL;
            Close();
            return Fail(path, e, -1);
        }
        // Pseudo-terminals have no modem lines: the calls fail there and that is fine.
        int dtr = TIOCM_DTR, rts = TIOCM_RTS;
        ioctl(fd_, TIOCMBIC, &dtr);
        ioctl(fd_, TIOCMBIS, &rts);
        tcflush(fd_, TCIOFLUSH);
        return true;
    }

    void Close() override {
        if (fd_ < 0) return;
        // Output still queued holds close() for the driver's closing wait (30 s on Linux) when
        // the line has stopped draining. A finished run has nothing queued; after a failed one
        // what has not gone out is not wanted.
        tcflush(fd_, TCOFLUSH);
        LetCloseGoAtOnce();
        // The exclusive mode outlives the descriptor on a terminal that someone else keeps
        // open (a pseudo-terminal): without this the next open would be refused.
        ioctl(fd_, TIOCNXCL);
        flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }

    bool IsOpen() const override { return fd_ >= 0; }

    IoResult Read(uint8_t* buf, int max) override {
        if (fd_ < 0 || max <= 0) return {};
        ssize_t n = ::read(fd_, buf, static_cast<size_t>(max));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) return {};
            NoteFailure(errno);
            return {IoStatus::kIoError, 0};
        }
        return {IoStatus::kOk, static_cast<int>(n)};
    }

    IoResult Write(const uint8_t* buf, int n, int timeoutMs) override {
        if (fd_ < 0) return {IoStatus::kIoError, 0};
        using clock = std::chrono::steady_clock;
        auto limit = clock::now() + std::chrono::milliseconds(timeoutMs);
        int done = 0;
        while (done < n) {
            ssize_t w = ::write(fd_, buf + done, static_cast<size_t>(n - done));
            if (w > 0) {
                done += static_cast<int>(w);
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) {
                NoteFailure(errno);
                return {IoStatus::kIoError, done};
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - clock::now());
            if (left.count() <= 0) return {IoStatus::kTimeout, done};
            pollfd p{fd_, POLLOUT, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
                return {IoStatus::kIoError, done};
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
                lost_ = true;
                return {IoStatus::kIoError, done};
            }
        }
        return {IoStatus::kOk, done};
    }

    int InputWaiting() override {
        int n = 0;
        if (fd_ < 0 || ioctl(fd_, FIONREAD, &n) != 0) return 0;
        return n;
    }

    int OutputQueued() override {
        int n = 0;
        if (fd_ < 0 || ioctl(fd_, TIOCOUTQ, &n) != 0) return 0;
        return n;
    }

    bool LineLost() override {
        if (fd_ < 0) return false;
        if (!lost_) {
            // A hung-up terminal reads as "nothing waiting" with these settings; only poll
            // tells it apart from a quiet line.
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) lost_ = true;
        }
        return lost_;
    }

    const OpenFailure& LastFailure() const override { return failure_; }

  private:
    // A driver that still counts bytes after the flush (a USB adapter's transfer in flight)
    // would wait for them in close(): ask it not to. Only some drivers and users may change
    // this; where it is refused, the flush above has done what can be done.
    void LetCloseGoAtOnce() {
#ifdef __linux__
        int queued = 0;
        if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
        serial_struct serial{};
        if (ioctl(fd_, TIOCGSERIAL, &serial) != 0) return;
        serial.closing_wait = ASYNC_CLOSING_WAIT_NONE;
        ioctl(fd_, TIOCSSERIAL, &serial);
#endif
    }

    void NoteFailure(int err) {
        if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF) lost_ = true;
    }

    bool Configure(const SerialLine& line) {
        speed_t speed = SpeedOf(line.baud);
        if (speed == 0) {
            errno = EINVAL;
            return false;
        }
        termios t{};
        if (tcgetattr(fd_, &t) != 0) return false;
        cfmakeraw(&t);
        t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
        t.c_cflag |= CLOCAL | CREAD;
        switch (line.dataBits) {
            case 4:
            case 5:
                t.c_cflag |= CS5;
                break;
            case 6:
                t.c_cflag |= CS6;
                break;
            case 7:
                t.c_cflag |= CS7;
                break;
            default:
                t.c_cflag |= CS8;
                break;
        }
        if (line.stopBits != 0) t.c_cflag |= CSTOPB;
        t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
        if (line.parityCheck) t.c_iflag |= INPCK;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    bool Fail(const std::string& path, int err, int fd) {
        if (fd >= 0) ::close(fd);
        failure_ = {};
        if (err == EBUSY) {
            failure_.fault = OpenFault::kInUse;
        } else if (err == ENOTTY || err == EISDIR) {
            // A file, a folder or another kind of device: the system's own words for it
            // ("Inappropriate ioctl for device") tell a user nothing.
            failure_.fault = OpenFault::kNotSerial;
        } else {
            failure_.fault = err == EACCES ? OpenFault::kNoAccess : OpenFault::kSystem;
            failure_.systemText = std::strerror(err);
        }
        if (err == EACCES) {
            struct stat st {};
            if (stat(path.c_str(), &st) == 0) {
                const group* g = getgrgid(st.st_gid);
                const passwd* u = getpwuid(st.st_uid);
                failure_.access = AccessOf(st.st_mode, st.st_uid, u ? u->pw_name : "", st.st_gid,
                                           g ? g->gr_name : "");
            }
        }
        return false;
    }

    int fd_ = -1;
    bool lost_ = false;
    OpenFailure failure_;
};

}  // namespace

namespace {
SerialDeviceWrapper gWrapper = nullptr;
}  // namespace

DeviceAccess AccessOf(unsigned mode, unsigned ownerUid, const std::string& ownerName,
                      unsigned groupGid, const std::string& groupName) {
    const bool groupCan = (mode & S_IRGRP) && (mode & S_IWGRP);
    // Joining root's group is no advice to give; a device open to no group is the owner's.
    if (groupCan && groupGid != 0)
        return {DeviceAccess::Kind::kGroup,
                groupName.empty() ? std::to_string(groupGid) : groupName};
    if (ownerUid == 0) return {DeviceAccess::Kind::kRootOnly, {}};
    if (!(mode & (S_IRUSR | S_IWUSR))) return {};
    return {DeviceAccess::Kind::kOwnerOnly,
            ownerName.empty() ? std::to_string(ownerUid) : ownerName};
}

SerialDeviceWrapper InstallSerialDeviceWrapper(SerialDeviceWrapper wrapper) {
    return std::exchange(gWrapper, wrapper);
}

std::unique_ptr<SerialDevice> CreateSerialDevice() {
    std::unique_ptr<SerialDevice> device = std::make_unique<PosixSerialDevice>();
    return gWrapper ? gWrapper(std::move(device)) : std::move(device);
}

}  // namespace platform
