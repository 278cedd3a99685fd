#include "kiss/posix_serial_port.h"

// The kernel's termios2 is the only way to set a rate outside the classic
// table; its header clashes with <termios.h>, which is therefore not used.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <thread>

namespace korvale {

namespace {

using Clock = std::chrono::steady_clock;

// poll()'s timeout for a wait of `wait`, rounding up so a short wait is not
// turned into a busy loop.
int pollTimeout(std::chrono::milliseconds wait) {
    if (wait < std::chrono::milliseconds::zero()) {
        return -1;
    }
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), 60'000));
}

// Errors after which the device will never work again.
bool isDeviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF || error == EPIPE;
}

bool applySettings(const SerialSettings& settings, termios2& line) {
    tcflag_t characterSize = 0;
    switch (settings.byteSize) {
        case 5:
            characterSize = CS5;
            break;
        case 6:
            characterSize = CS6;
            break;
        case 7:
            characterSize = CS7;
            break;
        case 8:
            characterSize = CS8;
            break;
        default:
            return false;
    }
    if (settings.baudRate <= 0 || settings.parity < kParityNone || settings.parity > kParitySpace ||
        settings.stopBits < kStopBitsOne || settings.stopBits > kStopBitsTwo) {
        return false;
    }

    // Raw: no parity checking, no character translation or signals, no
    // echo, no output processing; a read returns whatever has arrived.
    line.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                           ICRNL | IUCLC | IXON | IXOFF | IXANY | INPCK | IMAXBEL);
    line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    line.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;

    line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR |
                                           CSTOPB | CRTSCTS);
    // CLOCAL: a TNC need not drive DCD, and its absence must not block or
    // hang up the line.
    line.c_cflag |= BOTHER | (BOTHER << IBSHIFT) | characterSize | CREAD | CLOCAL;
    line.c_ispeed = static_cast<speed_t>(settings.baudRate);
    line.c_ospeed = static_cast<speed_t>(settings.baudRate);

    switch (settings.parity) {
        case kParityOdd:
            line.c_cflag |= PARENB | PARODD;
            break;
        case kParityEven:
            line.c_cflag |= PARENB;
            break;
        case kParityMark:
            line.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case kParitySpace:
            line.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    // A UART sends one and a half stop bits only with five data bits, where
    // Linux's CSTOPB means exactly that.
    if (settings.stopBits != kStopBitsOne) {
        line.c_cflag |= CSTOPB;
    }
    if (settings.rtsMode == kLineModeHandshake) {
        line.c_cflag |= CRTSCTS;
    }
    if (settings.xonXoff != 0) {
        line.c_iflag |= IXON | IXOFF;
        line.c_cc[VSTART] = kXonCharacter;
        line.c_cc[VSTOP] = kXoffCharacter;
    }
    return true;
}

}  // namespace

PosixSerialPort::~PosixSerialPort() {
    close();
}

PortOpenResult PosixSerialPort::open(const std::string& devicePath,
                                     const SerialSettings& settings) {
    close();
    FileDescriptor device(::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (device.get() < 0) {
        return PortOpenResult::NotAvailable;
    }
    if (::flock(device.get(), LOCK_EX | LOCK_NB) != 0) {
        return PortOpenResult::NotAvailable;
    }
    termios2 line{};
    if (::ioctl(device.get(), TCGETS2, &line) != 0 || !applySettings(settings, line) ||
        ::ioctl(device.get(), TCSETS2, &line) != 0) {
        return PortOpenResult::ConfigurationRefused;
    }
    if (!wake_.valid()) {
        return PortOpenResult::NoWakeEvent;
    }
    // Fails for root, whom flock() keeps out instead.
    ::ioctl(device.get(), TIOCEXCL);
    ::ioctl(device.get(), TCFLSH, TCIOFLUSH);

    device_ = std::move(device);
    wake_.clear();  // a wake-up left from before this open
    baudRate_ = settings.baudRate;
    lastWrite_ = {};
    return PortOpenResult::Opened;
}

PortTransfer PosixSerialPort::read(std::span<std::uint8_t> buffer,
                                   std::chrono::milliseconds maxWait) {
    if (device_.get() < 0) {
        return {0, true};
    }
    pollfd waits[2] = {{device_.get(), POLLIN, 0}, {wake_.descriptor(), POLLIN, 0}};
    const int ready = ::poll(waits, 2, pollTimeout(maxWait));
    if (ready <= 0) {
        return {};
    }
    if ((waits[1].revents & POLLIN) != 0) {
        wake_.clear();
        return {};
    }
    if ((waits[0].revents & POLLIN) != 0) {
        const ssize_t got = ::read(device_.get(), buffer.data(), buffer.size());
        if (got > 0) {
            return {static_cast<std::size_t>(got), false};
        }
        // With VMIN 0 a tty reads 0 bytes only once it has hung up.
        if (got == 0) {
            return {0, true};
        }
        return {0, isDeviceGone(errno)};
    }
    const bool gone = (waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
    return {0, gone};
}

void PosixSerialPort::interruptRead() {
    wake_.signal();
}

PortTransfer PosixSerialPort::write(std::span<const std::uint8_t> bytes,
                                    std::chrono::milliseconds maxWait) {
    if (device_.get() < 0) {
        return {0, true};
    }
    const auto deadline = Clock::now() + std::max(maxWait, std::chrono::milliseconds::zero());
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done = ::write(device_.get(), bytes.data() + sent, bytes.size() - sent);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            lastWrite_ = Clock::now();
            continue;
        }
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done < 0 && errno != EAGAIN) {
            return {sent, isDeviceGone(errno)};
        }
        // The driver is full (flow control holds the line): wait for room.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            break;
        }
        pollfd wait{device_.get(), POLLOUT, 0};
        if (::poll(&wait, 1, pollTimeout(left)) > 0 &&
            (wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return {sent, true};
        }
    }
    return {sent, false};
}

bool PosixSerialPort::drainOutput(std::chrono::milliseconds maxWait) {
    if (device_.get() < 0) {
        return true;
    }
    const auto deadline = Clock::now() + maxWait;
    for (;;) {
        int queued = 0;
        if (::ioctl(device_.get(), TIOCOUTQ, &queued) != 0 || queued <= 0) {
            break;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kDrainPollInterval);
    }
    // The driver's count excludes the UART's FIFO; give it time to empty,
    // counted from the last byte handed over.
    if (baudRate_ > 0 && lastWrite_ != Clock::time_point{}) {
        const auto fifoTime = std::chrono::microseconds(static_cast<std::int64_t>(kUartFifoBytes) *
                                                        kBitsPerCharacter * 1'000'000 / baudRate_);
        const auto fifoEmpty = std::min(lastWrite_ + fifoTime, deadline);
        std::this_thread::sleep_until(fifoEmpty);
        if (lastWrite_ + fifoTime > deadline) {
            return false;
        }
    }
    return true;
}

void PosixSerialPort::setModemLine(int line, bool raised) {
    // A pseudo-terminal has no modem lines and refuses these calls; the line
    // works without them, so the failure is ignored.
    if (device_.get() >= 0) {
        ::ioctl(device_.get(), raised ? TIOCMBIS : TIOCMBIC, &line);
    }
}

void PosixSerialPort::setDtr(bool raised) {
    setModemLine(TIOCM_DTR, raised);
}

void PosixSerialPort::setRts(bool raised) {
    setModemLine(TIOCM_RTS, raised);
}

void PosixSerialPort::purge() {
    if (device_.get() >= 0) {
        ::ioctl(device_.get(), TCFLSH, TCIOFLUSH);
    }
}

void PosixSerialPort::close() {
    if (device_.get() >= 0) {
        // A pseudo-terminal keeps the flag while its master is open, so a
        // later open by another user would fail without this.
        ::ioctl(device_.get(), TIOCNXCL);
    }
    device_.reset();
    baudRate_ = 0;
}

std::unique_ptr<SerialPort> makePosixSerialPort() {
    return std::make_unique<PosixSerialPort>();
}

}  // namespace korvale
