// Test support for the serial link: a pseudo-terminal whose master side plays
// the TNC, and a temporary directory for "COMn" links.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace korvale::testing {

// A directory under /tmp, removed with everything in it.
class TempDirectory {
  public:
    TempDirectory() = default;
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& path() const { return path_; }

    // Makes "COM<port>" here a link to `target`.
    bool linkPort(int port, const std::string& target) const {
        const std::string link = path_ + "/COM" + std::to_string(port);
        ::unlink(link.c_str());
        return ::symlink(target.c_str(), link.c_str()) == 0;
    }

  private:
    char pattern_[32] = "/tmp/korvale-serial-XXXXXX";
    std::string path_ = ::mkdtemp(pattern_) != nullptr ? pattern_ : "";
};

// The master side of a pseudo-terminal, non-blocking; the handler opens the
// slave. send() and receive() wait with poll() up to their limit.
class PtyPair {
  public:
    PtyPair() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            closeMaster();
        }
        slavePath_ = name;
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Hangs the slave up, as unplugging a USB adapter does.
    void closeMaster() {
        if (master_ >= 0) {
            ::close(std::exchange(master_, -1));
        }
    }

    // Sends all of `bytes` to the slave; false if that took over `limit`.
    bool send(std::span<const std::uint8_t> bytes,
              std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!bytes.empty() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t done = ::write(master_, bytes.data(), bytes.size());
            if (done > 0) {
                bytes = bytes.subspan(static_cast<std::size_t>(done));
            }
            pollfd wait{master_, POLLOUT, 0};
            ::poll(&wait, 1, 10);
        }
        return bytes.empty();
    }

    // What the slave sent, until `count` bytes have come or `limit` passed.
    std::vector<std::uint8_t> receive(
        std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<std::uint8_t> got(count);
        std::size_t have = 0;
        while (have < count && std::chrono::steady_clock::now() < deadline) {
            const ssize_t done = ::read(master_, got.data() + have, count - have);
            if (done > 0) {
                have += static_cast<std::size_t>(done);
            } else if (done == 0 || errno != EAGAIN) {
                break;  // hung up
            }
            pollfd wait{master_, POLLIN, 0};
            ::poll(&wait, 1, 10);
        }
        got.resize(have);
        return got;
    }

  private:
    int master_;
    std::string slavePath_;
};

}  // namespace korvale::testing
