// ComHandler end to end over pseudo-terminals: the test holds the master side
// and plays the TNC; the handler opens the slave through a "COMn" link.
#include "kiss/com_handler.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "kiss/com_handler_link.h"
#include "kiss/pty_pair.h"
#include "kiss/tnc_port.h"
#include "kiss_test_bytes.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::bytes;
using testing::Bytes;
using testing::patternBytes;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 7;

// Calls `done` until it returns true (then true) or 10 s have passed.
template <typename Condition>
bool eventually(Condition done) {
    for (const auto deadline = Clock::now() + 10s; !done(); std::this_thread::sleep_for(5ms)) {
        if (Clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

// What the test sees of the real port under the handler, and a driver that
// hangs in write() whatever its time limit.
struct Probe {
    std::atomic<int> opens{0}, reads{0};
    std::atomic<bool> holdWrites{false}, destroyed{false};
};

class ProbedPort final : public SerialPort {
  public:
    explicit ProbedPort(std::shared_ptr<Probe> probe) : probe_(std::move(probe)) {}
    ~ProbedPort() override { probe_->destroyed = true; }
    PortOpenResult open(const std::string& path, const SerialSettings& settings) override {
        ++probe_->opens;
        return port_.open(path, settings);
    }
    PortTransfer read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) override {
        ++probe_->reads;
        return port_.read(buffer, wait);
    }
    PortTransfer write(std::span<const std::uint8_t> data, std::chrono::milliseconds w) override {
        while (probe_->holdWrites) {
            std::this_thread::sleep_for(1ms);
        }
        return port_.write(data, w);
    }
    void interruptRead() override { port_.interruptRead(); }
    bool drainOutput(std::chrono::milliseconds wait) override { return port_.drainOutput(wait); }
    void setDtr(bool raised) override { port_.setDtr(raised); }
    void setRts(bool raised) override { port_.setRts(raised); }
    void purge() override { port_.purge(); }
    void close() override { port_.close(); }

  private:
    std::shared_ptr<Probe> probe_;
    PosixSerialPort port_;
};

class ComHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
        ASSERT_TRUE(directory.linkPort(kPort, pty.slavePath()));
        handler.SetNotifyCallback([this](int state) {
            std::uint8_t chunk[4096];
            const int n = readInCallback ? handler.Read(chunk, sizeof chunk) : 0;
            std::lock_guard<std::mutex> hold(lock);
            states.push_back(state);
            chunks.push_back(n);
            readByCallback.insert(readByCallback.end(), chunk, chunk + n);
        });
    }

    int open(int parity = kParityNone, int stopBits = kStopBitsOne,
             int rtsMode = kLineModeHandshake, int xon = 0) {
        return handler.Open(kPort, 9600, 8, parity, stopBits, kLineModeOn, rtsMode, xon);
    }
    std::size_t notifications() {
        std::lock_guard<std::mutex> hold(lock);
        return states.size();
    }

    // Reads as the main window does, until `count` bytes have come or 10 s passed.
    Bytes readReceived(std::size_t count) {
        Bytes got(count);
        std::size_t have = 0;
        eventually([&] {
            const auto want = static_cast<int>(std::min<std::size_t>(1000, count - have));
            have += static_cast<std::size_t>(handler.Read(got.data() + have, want));
            return have == count;
        });
        got.resize(have);
        return got;
    }

    // Queues all of `data` in frames of `frameSize`, retrying a frame the full ring refused.
    bool writeAll(const Bytes& data, std::size_t frameSize) {
        std::size_t at = 0;
        return eventually([&] {
            while (at < data.size()) {
                const std::size_t size = std::min(frameSize, data.size() - at);
                if (handler.Write(data.data() + at, size) != 1) {
                    return false;
                }
                at += size;
            }
            return true;
        });
    }

    // Declared before the handler, whose threads use them until it is gone.
    std::mutex lock;
    std::vector<int> states;  // per notification: the state word it carried
    std::vector<int> chunks;  // and the bytes the callback found, when it reads
    Bytes readByCallback;
    std::atomic<bool> readInCallback{false};
    std::shared_ptr<Probe> probe = std::make_shared<Probe>();
    testing::TempDirectory directory;
    testing::PtyPair pty;
    ComHandler handler{[probe = probe] { return std::make_unique<ProbedPort>(probe); },
                       directory.path()};
};

TEST_F(ComHandlerTest, BytesGoBothWaysInOrderAndUnchangedThroughTheComLink) {
    // Bytes a cooked line would translate, swallow or echo.
    const Bytes line = bytes("C0 00 0D 0A 03 04 11 13 1A 7F DB DC FF 00 0D C0");
    ASSERT_EQ(open(), kComOk);
    EXPECT_EQ(handler.State(), kPort);
    ASSERT_TRUE(pty.send(line));
    EXPECT_EQ(readReceived(line.size()), line);

    ASSERT_EQ(handler.Write(line), 1);
    ASSERT_EQ(handler.Write(line.data(), 3), 1);
    ASSERT_EQ(handler.WriteString("KISS ON\r"), 1);
    Bytes expected = line;
    expected.insert(expected.end(), line.begin(), line.begin() + 3);
    for (const char c : std::string("KISS ON\r")) {
        expected.push_back(static_cast<std::uint8_t>(c));
    }
    EXPECT_EQ(pty.receive(expected.size()), expected) << "changed, reordered or echoed";
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_EQ(states, std::vector<int>(states.size(), kPort)) << "notification without port";
    EXPECT_FALSE(states.empty());
}

TEST_F(ComHandlerTest, EachNotificationAnnouncesOneChunkOfAtMost1023Bytes) {
    readInCallback = true;
    ASSERT_EQ(open(), kComOk);
    // Sent within the reader's start delay, so all of it waits in the driver.
    const Bytes sent = patternBytes(2000);
    ASSERT_TRUE(pty.send(sent));
    EXPECT_TRUE(eventually([&] {
        std::lock_guard<std::mutex> hold(lock);
        return readByCallback.size() >= sent.size();
    }));
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_EQ(readByCallback, sent);
    for (const int chunk : chunks) {
        EXPECT_GT(chunk, 0) << "a notification without bytes";
        EXPECT_LE(chunk, kComMaxChunk);
    }
}

TEST_F(ComHandlerTest, HundredKilobytesEachWayWrapBothRingsWithNothingLostOrReordered) {
    ASSERT_EQ(open(), kComOk);
    const Bytes fromTnc = patternBytes(100 * 1024, 7);
    const Bytes toTnc = patternBytes(100 * 1024, 11);
    bool sent = false;
    Bytes atTnc;
    std::thread tncSends([&] { sent = pty.send(fromTnc, 30s); });
    std::thread tncReceives([&] { atTnc = pty.receive(toTnc.size(), 30s); });
    // 330-byte frames straddle the transmit ring's end. The owner reads late:
    // the full receive ring must hold back the reader, not be overwritten.
    EXPECT_TRUE(writeAll(toTnc, 330));
    std::this_thread::sleep_for(500ms);
    const Bytes got = readReceived(fromTnc.size());
    tncSends.join();
    tncReceives.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(got == fromTnc) << "received " << got.size() << " bytes, or out of order";
    EXPECT_TRUE(atTnc == toTnc) << "the TNC got " << atTnc.size() << " bytes, or out of order";
}

TEST_F(ComHandlerTest, TransmitRingHolds16383BytesAndRefusesWritesThatDoNotFitWhole) {
    // XOFF from the TNC stops the line, so the ring keeps what is queued.
    ASSERT_EQ(open(kParityNone, kStopBitsOne, kLineModeHandshake, 1), kComOk);
    ASSERT_TRUE(pty.send(bytes("13")));
    std::this_thread::sleep_for(50ms);
    const Bytes queued = patternBytes(kComRingCapacity + 1, 3);
    EXPECT_EQ(handler.Write(queued), 0) << "took more than the ring holds";
    ASSERT_EQ(handler.Write(queued.data(), kComRingCapacity), 1);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(handler.Write(queued.data(), 1), 0) << "overran unsent bytes";
    EXPECT_FALSE(static_cast<ByteSink&>(handler).write(bytes("00")));

    ASSERT_TRUE(pty.send(bytes("11")));
    EXPECT_TRUE(pty.receive(kComRingCapacity) == Bytes(queued.begin(), queued.end() - 1));
    // Once sent the ring is free again, and the next bytes wrap round its end.
    const Bytes wrapped = patternBytes(10000, 5);
    EXPECT_TRUE(eventually([&] { return handler.Write(wrapped) == 1; }));
    EXPECT_TRUE(pty.receive(wrapped.size()) == wrapped);
}

TEST_F(ComHandlerTest, EverythingQueuedBeforeCloseReachesTheTnc) {
    ASSERT_EQ(open(), kComOk);
    Bytes queued = patternBytes(12000, 13);
    Bytes atTnc;
    std::thread tnc([&] { atTnc = pty.receive(queued.size() + 3, 5s); });
    ASSERT_EQ(handler.Write(queued), 1);
    ASSERT_EQ(handler.WriteString("\xC0\xFF\xC0"), 1);  // the exit text
    EXPECT_EQ(handler.Close(), kComOk);
    tnc.join();
    queued.insert(queued.end(), {0xC0, 0xFF, 0xC0});
    EXPECT_TRUE(atTnc == queued) << "the TNC got " << atTnc.size() << " of " << queued.size();
}

TEST_F(ComHandlerTest, CloseThenOpenAgainWorksAndCloseWhenClosedReturnsSix) {
    std::uint8_t buffer[8];
    EXPECT_EQ(handler.Close(), kComNotOpen);
    EXPECT_EQ(handler.WriteString("stale"), 0) << "queued while closed";
    EXPECT_EQ(handler.Read(buffer, 8), 0);
    for (std::uint8_t round = 0; round < 3; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << int{round});
        ASSERT_EQ(open(), kComOk);
        EXPECT_EQ(open(), kComCannotOpen) << "opened twice";
        EXPECT_EQ(handler.State(), kPort);
        EXPECT_EQ(handler.Read(buffer, 8), 0) << "unread bytes of the last open";
        PosixSerialPort other;
        EXPECT_EQ(other.open(pty.slavePath(), {}), PortOpenResult::NotAvailable) << "shared";
        const Bytes out = {'o', 'u', 't', round};
        ASSERT_EQ(handler.Write(out), 1);
        EXPECT_EQ(pty.receive(out.size()), out);
        const std::size_t before = notifications();
        ASSERT_TRUE(pty.send(Bytes{'i', 'n', round}));
        ASSERT_TRUE(eventually([&] { return notifications() > before; }));

        ASSERT_EQ(handler.Close(), kComOk);
        EXPECT_EQ(handler.State(), kComStateClosed);
        EXPECT_EQ(handler.Close(), kComNotOpen);
        EXPECT_EQ(handler.Read(buffer, 1), 1) << "Close threw away unread bytes";
        EXPECT_EQ(buffer[0], 'i');
        EXPECT_EQ(other.open(pty.slavePath(), {}), PortOpenResult::Opened) << "still held";
    }
}

TEST_F(ComHandlerTest, FailedOpenReturnsItsCodeAndLeavesThePortClosed) {
    ASSERT_NE(::access("/dev/ttyS98", F_OK), 0) << "this machine has a /dev/ttyS98";
    ASSERT_TRUE(directory.linkPort(8, "/dev/null"));
    struct Row {
        const char* what;
        int port, byteSize, code, attempts;
        std::chrono::milliseconds atLeast;
    };
    const Row rows[] = {
        {"no such port", 99, 8, kComCannotOpen, kOpenAttempts,
         (kOpenAttempts - 1) * kOpenRetryInterval},
        {"no serial line", 8, 8, kComConfigRefused, 1, 0ms},
        {"nine data bits", kPort, 9, kComConfigRefused, 1, 0ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        probe->opens = 0;
        const auto start = Clock::now();
        EXPECT_EQ(handler.Open(row.port, 9600, row.byteSize, 0, 0, 1, 2, 0), row.code);
        // Not a speed figure: a shorter time means the attempts were not spaced.
        EXPECT_GE(Clock::now() - start, row.atLeast);
        EXPECT_EQ(probe->opens, row.attempts);
        EXPECT_EQ(handler.State(), kComStateClosed);
        EXPECT_EQ(handler.WriteString("x"), 0);
        EXPECT_EQ(handler.Close(), kComNotOpen);
    }
    PosixSerialPort other;
    EXPECT_EQ(other.open(pty.slavePath(), {}), PortOpenResult::Opened) << "a failed open held it";
}

TEST_F(ComHandlerTest, LineSettingsReachTheDriverAtAnyRate) {
    // A pseudo-terminal forces CS8 without PARENB; what it keeps shows the rest.
    ComHandlerLink link(handler);
    int disabled = 0;
    ASSERT_TRUE(OpenTncPort(link, kPort, 12345, disabled, nullptr));
    termios2 line{};
    ASSERT_EQ(::ioctl(pty.master(), TCGETS2, &line), 0);  // the slave's settings
    EXPECT_EQ(line.c_ospeed, 12345u) << "rate rounded to the classic table";
    EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | CRTSCTS | CLOCAL), CS8 | CRTSCTS | CLOCAL);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | INPCK), 0u) << "parity errors would drop bytes";
    CloseTncPort(link, kPort, disabled);

    struct Row {
        int parity, stopBits, rtsMode;
        tcflag_t flags;
    };
    const Row rows[] = {
        {kParityMark, kStopBitsTwo, kLineModeOn, PARODD | CMSPAR | CSTOPB},
        {kParitySpace, kStopBitsOne, kLineModeOff, CMSPAR},
        {kParityOdd, kStopBitsOneAndHalf, kLineModeHandshake, PARODD | CSTOPB | CRTSCTS},
        {kParityEven, kStopBitsOne, kLineModeHandshake, CRTSCTS}};
    for (const Row& row : rows) {
        ASSERT_EQ(open(row.parity, row.stopBits, row.rtsMode), kComOk);
        ASSERT_EQ(::ioctl(pty.master(), TCGETS2, &line), 0);
        EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS), row.flags)
            << "parity " << row.parity << ", stop bits " << row.stopBits;
        ASSERT_EQ(handler.Close(), kComOk);
    }
}

TEST_F(ComHandlerTest, DeviceThatGoesAwayStopsInputWithoutSpinningUntilClose) {
    ASSERT_EQ(open(), kComOk);
    pty.closeMaster();  // the adapter is unplugged
    ASSERT_TRUE(eventually([&] { return !handler.DeviceAvailable(); }));
    const int readsAfterLoss = probe->reads;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(probe->reads, readsAfterLoss) << "the reader keeps polling a dead device";
    EXPECT_EQ(handler.WriteString("lost"), 0) << "bytes for a dead device reported as queued";
    EXPECT_EQ(handler.State(), kPort);
    EXPECT_EQ(handler.Close(), kComOk);

    testing::PtyPair replugged;
    ASSERT_TRUE(directory.linkPort(kPort, replugged.slavePath()));
    ASSERT_EQ(open(), kComOk);
    ASSERT_EQ(handler.WriteString("back"), 1);
    EXPECT_EQ(replugged.receive(4), bytes("62 61 63 6B"));
    EXPECT_EQ(handler.Close(), kComOk);
}

TEST_F(ComHandlerTest, CloseReturnsAndTheHandlerMayGoWhileTheWriterHangsInTheDriver) {
    {
        ComHandler stuck([probe = probe] { return std::make_unique<ProbedPort>(probe); },
                         directory.path());
        ASSERT_EQ(stuck.Open(kPort, 9600, 8, 0, 0, 1, 2, 0), kComOk);
        probe->holdWrites = true;
        ASSERT_EQ(stuck.WriteString("never sent"), 1);
        std::this_thread::sleep_for(400ms);  // the writer is inside write()
        EXPECT_EQ(stuck.Close(), kComOk);
        EXPECT_EQ(stuck.State(), kComStateClosed);
        EXPECT_EQ(stuck.WriteString("x"), 0);
    }
    EXPECT_FALSE(probe->destroyed) << "port freed under the stuck writer";
    probe->holdWrites = false;
    EXPECT_TRUE(eventually([&] { return probe->destroyed.load(); })) << "port never freed";
}

}  // namespace
}  // namespace korvale
