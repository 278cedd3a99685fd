// Two TNCs and the radio between them: two pseudo-terminals linked at the
// given paths, bytes copied across. --tcp-b: side B a KISS TCP port on
// 127.0.0.1 (a new connection replaces the old); --rate paces the line (10
// bits a byte); --noise adds random bytes; --half-duplex: see below.
//   link_relay PATH_A PATH_B [--tcp-b PORT] [--rate BITS_PER_S] [--noise AFTER_S FOR_S]
//              [--half-duplex BITS_PER_S [--dcd MS] [--seed N]]
// Prints "ready" once both sides exist; runs until SIGINT or SIGTERM.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

struct Side {
    int master = -1;                   // the pseudo-terminal, or the TCP connection (-1: none)
    int slave = -1;                    // held open so the master never reads EIO between openers
    int listener = -1;                 // the TCP port of a TCP side
    std::deque<std::uint8_t> toWrite;  // bytes on their way out of this side
};

bool makeTcpSide(Side& side, int port) {
    side.listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(side.listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in where{.sin_family = AF_INET,
                      .sin_port = htons(static_cast<std::uint16_t>(port)),
                      .sin_addr = {htonl(INADDR_LOOPBACK)},
                      .sin_zero = {}};
    const bool ok = bind(side.listener, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 &&
                    listen(side.listener, 4) == 0;
    return ok || (std::perror("listen"), false);
}

// Takes a waiting connection in place of the one there is.
void acceptConnection(Side& side) {
    const int fd = accept4(side.listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        close(side.master);  // none: -1, a harmless EBADF
        side.master = fd;
        side.toWrite.clear();
    }
}

bool makeSide(Side& side, const char* linkPath) {
    if (openpty(&side.master, &side.slave, nullptr, nullptr, nullptr) != 0) {
        return std::perror("openpty"), false;
    }
    termios raw{};
    tcgetattr(side.slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(side.slave, TCSANOW, &raw);
    fcntl(side.master, F_SETFL, fcntl(side.master, F_GETFL) | O_NONBLOCK);
    unlink(linkPath);
    const bool ok = symlink(ptsname(side.master), linkPath) == 0;
    return ok || (std::perror("symlink"), false);
}

// Two KISS TNCs on one half-duplex channel, set by the KISS commands. One
// holding frames waits for a clear channel, then keys up with probability
// (P+1)/256 per slot time (at once in full duplex) and sends TxDelay, every
// frame held when TxDelay ends, TxTail. It senses the other's carrier dcd ms
// after that keyed up; a frame is lost when the other station was keyed at
// any time during it. Times are ms since start; a seed makes runs repeat.
class HalfDuplexChannel {
  public:
    HalfDuplexChannel(double bitsPerSecond, double dcdMs, unsigned seed)
        : msPerBit_(1000.0 / bitsPerSecond), dcdMs_(dcdMs), random_(seed) {}

    // Bytes from station s's serial line; frames are kept as they came.
    void fromStation(int s, const std::uint8_t* bytes, std::size_t count) {
        Tnc& tnc = tncs_[s];
        for (std::size_t k = 0; k < count; ++k) {
            if (bytes[k] != 0xC0) {
                tnc.frame.push_back(bytes[k]);
                continue;
            }
            if (tnc.frame.size() > 1 && tnc.frame[0] == 0) {
                tnc.held.push_back(tnc.frame);
            } else if (tnc.frame.size() == 2 && tnc.frame[0] >= 1 && tnc.frame[0] <= 5) {
                tnc.parameter[tnc.frame[0]] = tnc.frame[1];
            }
            tnc.frame.clear();
        }
    }

    // Runs the channel up to nowMs; frames heard by station s go to out[s].
    void run(double nowMs, std::deque<std::uint8_t>* const out[2]) {
        for (int s = 0; s < 2; ++s) {
            Tnc& tnc = tncs_[s];
            Tnc& other = tncs_[1 - s];
            if (tnc.keyed && tnc.endMs > 1e299 && nowMs >= tnc.startMs + tnc.ms(1)) {
                tnc.endMs = tnc.startMs + tnc.ms(1);
                for (auto& frame : tnc.held) {
                    const double beginMs = tnc.endMs;
                    tnc.endMs += airBits(frame) * msPerBit_;
                    tnc.sending.push_back({std::move(frame), beginMs, tnc.endMs});
                }
                tnc.held.clear();
                tnc.endMs += tnc.ms(4);
            }
            while (!tnc.sending.empty() && tnc.sending.front().endMs <= nowMs) {
                const OnAir& frame = tnc.sending.front();
                ++tnc.framesSent;
                if ((other.keyed && other.startMs < frame.endMs) || other.endMs > frame.beginMs) {
                    ++tnc.framesLost;
                } else {
                    out[1 - s]->push_back(0xC0);
                    out[1 - s]->insert(out[1 - s]->end(), frame.bytes.begin(), frame.bytes.end());
                    out[1 - s]->push_back(0xC0);
                }
                tnc.sending.pop_front();
            }
            tnc.keyed = tnc.keyed && (!tnc.sending.empty() || nowMs < tnc.endMs);
            const bool fullDuplex = tnc.parameter[5] != 0;
            const bool busy = other.keyed && nowMs >= other.startMs + dcdMs_ && !fullDuplex;
            if (tnc.keyed || tnc.held.empty() || busy || nowMs < tnc.nextTryMs) {
                continue;
            }
            if (!fullDuplex &&
                std::uniform_int_distribution<int>(0, 255)(random_) > tnc.parameter[2]) {
                tnc.nextTryMs = nowMs + tnc.ms(3);
                continue;
            }
            tnc.keyed = true;
            tnc.startMs = nowMs;
            tnc.endMs = 1e300;
            ++tnc.transmissions;
            tnc.collided = other.keyed;  // each transmission counts once
            tnc.collisions += tnc.collided ? 1 : 0;
            other.collisions += other.keyed && !std::exchange(other.collided, true) ? 1 : 0;
        }
    }

    void report() const {
        for (const Tnc& t : tncs_) {
            std::fprintf(
                stderr, "station %c: %d transmissions, %d collided, %d frames sent, %d lost\n",
                &t == tncs_ ? 'a' : 'b', t.transmissions, t.collisions, t.framesSent, t.framesLost);
        }
    }

  private:
    struct OnAir {
        std::vector<std::uint8_t> bytes;
        double beginMs, endMs;
    };
    struct Tnc {
        std::vector<std::uint8_t> frame;  // the KISS frame being read
        std::vector<std::vector<std::uint8_t>> held;
        std::deque<OnAir> sending;
        int parameter[6] = {0, 50, 63, 10, 0, 0};  // by KISS command, as sent
        double ms(int command) const { return parameter[command] * 10.0; }
        bool keyed = false, collided = false;
        double startMs = 0, endMs = -1, nextTryMs = 0;
        int transmissions = 0, collisions = 0, framesSent = 0, framesLost = 0;
    };

    // The AX.25 bytes with FCS and closing flag, and about one stuffed bit
    // in 64 as in random data.
    static double airBits(const std::vector<std::uint8_t>& frame) {
        const auto escapes = std::count(frame.begin(), frame.end(), std::uint8_t{0xDB});
        return static_cast<double>(frame.size() - 1 - escapes + 3) * 8 * 65 / 64;
    }

    double msPerBit_, dcdMs_;
    std::mt19937 random_;
    Tnc tncs_[2];
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PATH_A PATH_B [--rate BPS] [--noise AFTER FOR]\n", argv[0]);
        return 2;
    }
    // Each option is followed by a number (--noise by two), read by position.
    const auto option = [&](const char* name, double otherwise, int second = 0) {
        for (int i = 3; i + 1 + second < argc; ++i) {
            if (std::strcmp(argv[i], name) == 0) {
                return std::atof(argv[i + 1 + second]);
            }
        }
        return otherwise;
    };
    const double bytesPerSecond = option("--rate", 0) / 10.0;  // 0: unlimited
    const double noiseAfter = option("--noise", -1), noiseFor = option("--noise", 0, 1);
    const int tcpPortB = static_cast<int>(option("--tcp-b", 0));
    const double halfDuplexRate = option("--half-duplex", 0);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    Side sides[2];
    if (!makeSide(sides[0], argv[1]) ||
        !(tcpPortB > 0 ? makeTcpSide(sides[1], tcpPortB) : makeSide(sides[1], argv[2]))) {
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto last = start;
    double credit[2] = {0, 0};
    std::mt19937 random(12345);
    std::optional<HalfDuplexChannel> channel;
    if (halfDuplexRate > 0) {
        channel.emplace(halfDuplexRate, option("--dcd", 30),
                        static_cast<unsigned>(option("--seed", 1)));
    }

    while (!stopRequested) {
        pollfd fds[3] = {{sides[0].master, POLLIN, 0},
                         {sides[1].master, POLLIN, 0},
                         {sides[1].listener, POLLIN, 0}};
        poll(fds, 3, channel ? 1 : 5);
        if (fds[2].revents != 0) {
            acceptConnection(sides[1]);
        }
        for (int s = 0; s < 2; ++s) {
            std::uint8_t buffer[4096];
            const ssize_t n =
                sides[s].master >= 0 ? read(sides[s].master, buffer, sizeof buffer) : -1;
            if (n == 0 && sides[s].listener >= 0) {
                close(sides[s].master);  // the station hung up
                sides[s].master = -1;
            }
            if (n > 0 && channel) {
                channel->fromStation(s, buffer, static_cast<std::size_t>(n));
            } else if (n > 0) {
                sides[1 - s].toWrite.insert(sides[1 - s].toWrite.end(), buffer, buffer + n);
            }
        }
        const auto now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start).count();
        if (channel) {
            std::deque<std::uint8_t>* const heard[2] = {&sides[0].toWrite, &sides[1].toWrite};
            channel->run(elapsed * 1000, heard);
        }
        const double step = std::chrono::duration<double>(now - last).count();
        last = now;
        if (noiseAfter >= 0 && elapsed >= noiseAfter && elapsed < noiseAfter + noiseFor) {
            // About 100 random bytes per second into each direction.
            for (int k = std::uniform_int_distribution<int>(0, 1)(random); k > 0; --k) {
                sides[0].toWrite.push_back(static_cast<std::uint8_t>(random()));
                sides[1].toWrite.push_back(static_cast<std::uint8_t>(random()));
            }
        }
        for (int s = 0; s < 2; ++s) {
            Side& side = sides[s];
            std::size_t allowed = side.toWrite.size();
            if (bytesPerSecond > 0) {
                credit[s] = std::min(credit[s] + step * bytesPerSecond, 64.0);
                allowed = std::min(allowed, static_cast<std::size_t>(credit[s]));
            }
            std::uint8_t chunk[4096];
            const std::size_t count = std::min(allowed, sizeof chunk);
            std::copy_n(side.toWrite.begin(), count, chunk);
            if (side.master < 0) {
                side.toWrite.clear();  // nobody connected: the radio goes unheard
                continue;
            }
            const ssize_t written = count > 0 ? write(side.master, chunk, count) : 0;
            if (written > 0) {
                side.toWrite.erase(side.toWrite.begin(), side.toWrite.begin() + written);
                credit[s] -= static_cast<double>(written);
            }
        }
    }
    unlink(argv[1]);
    unlink(argv[2]);
    if (channel) {
        channel->report();
    }
    return 0;
}
