// The headless runner in a child process: lines in, monitor out, SIGTERM ends it.
#include "app/headless_runner.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "gateway/fake_nic_driver.h"
#include "gateway/nic_device.h"
#include "store/temp_directory.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(HeadlessRunner, KeepsTickingAndTakingLinesWhileAPortIsTriedAndStopsWithoutWaitingForIt) {
    testing::TempDirectory dir;
    // COM2 names a device that is not there: the handler tries it for about 3 s.
    ASSERT_EQ(::symlink(dir.file("absent").c_str(), dir.file("COM2").c_str()), 0);
    testing::WriteFileBytes(dir.file("korvale-headless.ini"),
                            "[TNC]\nm_iTncPort=2\n[Unproto]\nm_UnprotoSource=KV1A\n");
    int input[2], output[2];
    ASSERT_TRUE(::pipe(input) == 0 && ::pipe(output) == 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        theNicDevice().useDriver(std::make_unique<testing::FakeNicDriver>());
        ::_exit(RunHeadless(dir.file("korvale-headless").c_str()));
    }
    ::close(input[0]);
    ::close(output[1]);
    const std::string typed = "typed meanwhile\n";
    ASSERT_EQ(::write(input[1], typed.data(), typed.size()), ssize_t(typed.size()));

    // Output until `text` shows, or 10 s.
    std::string shown;
    const auto readUntil = [&](const std::string& text) {
        const auto deadline = Clock::now() + 10s;
        while (shown.find(text) == std::string::npos && Clock::now() < deadline) {
            pollfd ready{output[0], POLLIN, 0};
            char buffer[4096];
            const ssize_t n =
                ::poll(&ready, 1, 100) > 0 ? ::read(output[0], buffer, sizeof buffer) : 0;
            shown.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        return shown.find(text) != std::string::npos;
    };
    EXPECT_TRUE(readUntil("RESTART\n")) << shown;  // the init text's last line, a tick later
    EXPECT_TRUE(readUntil("KV1A>QST>UI,C,00:\ntyped meanwhile\n")) << shown;
    EXPECT_EQ(shown.find("Error: Cannot open COM2!"), std::string::npos)
        << "the loop waited for the open";

    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(testing::ReadFileBytes(dir.file("korvale-headless.ini")).find("m_bTncDisablePort=0"),
              std::string::npos)
        << "an open given up at exit disabled the port";
    ::close(input[1]);
    ::close(output[0]);
}

}  // namespace
}  // namespace korvale
