#include "app/headless_runner.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "app/gateway_session.h"
#include "app/held_unproto_lines.h"
#include "app/stop_signals.h"
#include "engine/gateway_engine.h"
#include "engine/line_monitor_view.h"
#include "gateway/file_descriptor.h"
#include "kiss/wake_event.h"
#include "store/code_pages.h"
#include "store/process_environment.h"

namespace korvale {
namespace {

void writeLine(std::string_view ansiLine) {
    const std::string line = TerminalLine(ansiLine);
    std::fwrite(line.data(), 1, line.size(), stdout);
    // Each line as it happens, also when standard output is a pipe or a file.
    std::fflush(stdout);
}

// Splits standard input into lines; a line may arrive over several reads,
// and a last line without a line feed is sent when the input ends.
class InputLines {
  public:
    template <typename Send>
    void take(std::string_view bytes, Send send) {
        for (char c : bytes) {
            if (c == '\n') {
                flush(send);
            } else {
                pending_.push_back(c);
            }
        }
    }

    template <typename Send>
    void finish(Send send) {
        if (!pending_.empty()) {
            flush(send);
        }
    }

  private:
    template <typename Send>
    void flush(Send send) {
        if (!pending_.empty() && pending_.back() == '\r') {
            pending_.pop_back();
        }
        send(Utf8ToAnsi(pending_) + "\r");
        pending_.clear();
    }

    std::string pending_;
};

bool drainCounter(int fd) {
    std::uint64_t value = 0;
    return ::read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

}  // namespace

int RunHeadless(const char* firstWord) {
    // Before any thread starts: ending the program from outside then runs
    // the exit sequence as a normal close does.
    const sigset_t stopSignals = BlockStopSignals();

    const ProgramLocation location = SetUpProgramDirectory(firstWord);

    FileDescriptor signals(signalfd(-1, &stopSignals, SFD_CLOEXEC));
    FileDescriptor ticks(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    WakeEvent received;
    if (!signals.valid() || !ticks.valid() || !received.valid()) {
        std::perror("korvale-headless: cannot set up its event loop");
        return 1;
    }
    constexpr long kTickNs = kEngineTickMs * 1000L * 1000L;
    const itimerspec period = {{0, kTickNs}, {0, kTickNs}};
    timerfd_settime(ticks.get(), 0, &period, nullptr);

    LineMonitorView view(writeLine);
    // Runs on the serial reader thread: it only wakes the loop below.
    GatewaySession session(location, view, [&received] { received.signal(); });
    GatewayEngine& engine = session.engine();

    InputLines input;
    HeldUnprotoLines held([&engine](const std::string& line) { engine.SendUnprotoLine(line); });
    const auto sendLine = [&held](const std::string& line) { held.offer(line); };
    bool inputOpen = true;
    bool watchAdapter = true;
    bool running = true;
    while (running) {
        // Looked up each pass: the first tick opens the adapter.
        const int adapter = watchAdapter ? engine.adapterDescriptor() : -1;
        std::array<pollfd, 5> fds = {{{signals.get(), POLLIN, 0},
                                      {ticks.get(), POLLIN, 0},
                                      {received.descriptor(), POLLIN, 0},
                                      {inputOpen ? STDIN_FILENO : -1, POLLIN, 0},
                                      {adapter, POLLIN, 0}}};
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("korvale-headless: poll");
            break;
        }
        if (fds[0].revents != 0) {
            running = false;
        }
        if (fds[2].revents != 0 && received.clear()) {
            engine.OnSerialNotification();
        }
        if ((fds[4].revents & POLLIN) != 0) {
            engine.OnAdapterReadable();
        } else if (fds[4].revents != 0) {
            // An adapter in error would wake the loop for ever; the ticks
            // still drain it.
            watchAdapter = false;
        }
        if (fds[1].revents != 0 && drainCounter(ticks.get())) {
            // Ticks missed while busy are not made up, as with a window timer.
            engine.EngineTick();
            held.release();  // lines typed before the port opened
        }
        if (fds[3].revents != 0) {
            std::array<char, 4096> buffer;
            const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
            if (n > 0) {
                input.take(std::string_view(buffer.data(), static_cast<std::size_t>(n)), sendLine);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                input.finish(sendLine);
                inputOpen = false;  // keeps running without input
            }
        }
    }

    if (!session.Finish()) {
        std::fprintf(stderr, "korvale-headless: could not write the settings to %s\n",
                     location.iniPath.c_str());
    }
    view.endPartialLine();
    return 0;
}

}  // namespace korvale
