// ComHandler end to end over pseudo-terminals: the test holds the master side
// and plays the TNC; the handler opens the slave through a "COMn" link.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "kiss/com_handler.h"
#include "kiss/pty_pair.h"

namespace korvale {
namespace {

using testing::patternBytes;
using testing::PtyPair;
using testing::TempDirectory;

constexpr int kPort = 7;
constexpr int kBaudRate = 9600;

// Counts the reads of the real port under it.
class CountingPort final : public SerialPort {
  public:
    explicit CountingPort(std::shared_ptr<std::atomic<int>> reads) : reads_(std::move(reads)) {}
    PortOpenResult open(const std::string& path, const SerialSettings& settings) override {
        return port_.open(path, settings);
    }
    PortTransfer read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) override {
        ++*reads_;
        return port_.read(buffer, wait);
    }
    void interruptRead() override { port_.interruptRead(); }
    PortTransfer write(std::span<const std::uint8_t> bytes,
                       std::chrono::milliseconds wait) override {
        return port_.write(bytes, wait);
    }
    bool drainOutput(std::chrono::milliseconds wait) override { return port_.drainOutput(wait); }
    void setDtr(bool raised) override { port_.setDtr(raised); }
    void setRts(bool raised) override { port_.setRts(raised); }
    void purge() override { port_.purge(); }
    void close() override { port_.close(); }

  private:
    std::shared_ptr<std::atomic<int>> reads_;
    PosixSerialPort port_;
};

class ComHandlerPtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
        ASSERT_TRUE(directory.linkPort(kPort, pty.slavePath()));
        handler.SetComLinkDirectory(directory.path());
        handler.SetNotifyCallback([this](int state) {
            {
                std::lock_guard<std::mutex> hold(lock);
                ++notifications;
                lastState = state;
            }
            notified.notify_all();
        });
    }

    int open(int xonXoff = 0) {
        return handler.Open(kPort, kBaudRate, 8, kParityNone, kStopBitsOne, kLineModeOn,
                            kLineModeHandshake, xonXoff);
    }

    // Reads as the main window does: on each notification, Read until the
    // ring is empty; until `count` bytes have come or 10 s have passed.
    std::vector<std::uint8_t> readReceived(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<std::uint8_t> got;
        std::uint8_t piece[1000];
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            const int n = handler.Read(piece, sizeof piece);
            got.insert(got.end(), piece, piece + n);
            if (n < static_cast<int>(sizeof piece)) {
                std::unique_lock<std::mutex> hold(lock);
                notified.wait_for(hold, std::chrono::milliseconds(20));
            }
        }
        return got;
    }

    // Queues all of `bytes` in frames of `frameSize`, retrying a frame the
    // full ring refused.
    bool writeAll(const std::vector<std::uint8_t>& bytes, std::size_t frameSize) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t size = std::min(frameSize, bytes.size() - at);
            if (handler.Write(bytes.data() + at, size) == 1) {
                at += size;
            } else if (std::chrono::steady_clock::now() > deadline) {
                return false;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return true;
    }

    // Declared before the handler, whose threads use them until it is gone.
    std::mutex lock;
    std::condition_variable notified;
    int notifications = 0;
    int lastState = 0;
    TempDirectory directory;
    PtyPair pty;
    ComHandler handler;
};

// Detaches a test's own callback before the things it refers to go.
class CallbackScope {
  public:
    explicit CallbackScope(ComHandler& handler) : handler_(handler) {}
    ~CallbackScope() { handler_.SetNotifyCallback(nullptr); }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

  private:
    ComHandler& handler_;
};

TEST_F(ComHandlerPtyTest, PortNumberOpensTheComLinkAndBytesArriveInOrder) {
    ASSERT_EQ(open(), kComOk);
    EXPECT_EQ(handler.State(), kPort);
    const std::vector<std::uint8_t> bytes = {0xC0, 0x00, 'K', 'V', 0xDB, 0xDC, 0x0D, 0xC0};
    ASSERT_TRUE(pty.send(bytes));
    EXPECT_EQ(readReceived(bytes.size()), bytes);
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_GE(notifications, 1);
    EXPECT_EQ(lastState, kPort) << "the notification carries the port number";
}

TEST_F(ComHandlerPtyTest, WrittenBytesReachTheTncInOrder) {
    ASSERT_EQ(open(), kComOk);
    const std::vector<std::uint8_t> first = {0xC0, 0x00, 1, 2, 3, 0xC0};
    const std::vector<std::uint8_t> second = {0xC0, 0x00, 4, 5, 0xC0};
    ASSERT_EQ(handler.Write(first), 1);
    ASSERT_EQ(handler.Write(second.data(), second.size()), 1);
    ASSERT_EQ(handler.WriteString("KISS ON\r"), 1);
    std::vector<std::uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), {'K', 'I', 'S', 'S', ' ', 'O', 'N', '\r'});
    EXPECT_EQ(pty.receive(expected.size()), expected);
}

TEST_F(ComHandlerPtyTest, EachNotificationAnnouncesAtMost1023Bytes) {
    // The receive ring is read here from inside the callback, on the reader
    // thread, to see what each notification announced.
    std::vector<int> chunks;
    std::vector<std::uint8_t> got;
    std::mutex chunksLock;
    CallbackScope scope(handler);
    handler.SetNotifyCallback([&](int) {
        std::uint8_t buffer[4096];
        const int n = handler.Read(buffer, sizeof buffer);
        std::lock_guard<std::mutex> hold(chunksLock);
        chunks.push_back(n);
        got.insert(got.end(), buffer, buffer + n);
    });
    ASSERT_EQ(open(), kComOk);
    const auto bytes = patternBytes(5000);
    ASSERT_TRUE(pty.send(bytes));
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard<std::mutex> hold(chunksLock);
            if (got.size() >= bytes.size()) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard<std::mutex> hold(chunksLock);
    EXPECT_EQ(got, bytes);
    EXPECT_GE(chunks.size(), 5u);
    for (const int chunk : chunks) {
        EXPECT_GT(chunk, 0) << "a notification without bytes";
        EXPECT_LE(chunk, kComMaxChunk);
    }
}

TEST_F(ComHandlerPtyTest, HundredKilobytesFromTncSurviveAnOwnerThatReadsLate) {
    // The owner lets the receive ring fill before reading; the reader must
    // hold back rather than overwrite unread bytes, and the rest waits in the
    // driver. The ring wraps around several times on the way.
    ASSERT_EQ(open(), kComOk);
    const auto bytes = patternBytes(100 * 1024, 7);
    std::atomic<bool> sent{false};
    std::thread tnc([&] { sent = pty.send(bytes, std::chrono::seconds(30)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto got = readReceived(bytes.size());
    tnc.join();
    EXPECT_TRUE(sent);
    ASSERT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes) << "received bytes lost, repeated or reordered";
}

TEST_F(ComHandlerPtyTest, HundredKilobytesToTncArriveWhole) {
    ASSERT_EQ(open(), kComOk);
    const auto bytes = patternBytes(100 * 1024, 11);
    std::vector<std::uint8_t> got;
    std::thread tnc([&] { got = pty.receive(bytes.size(), std::chrono::seconds(30)); });
    const bool queued = writeAll(bytes, 330);
    tnc.join();
    EXPECT_TRUE(queued);
    ASSERT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes) << "sent bytes lost, repeated or reordered";
}

TEST_F(ComHandlerPtyTest, TransmitRingHolds16383BytesAndRefusesWritesThatDoNotFitWhole) {
    // XOFF from the TNC stops the line, so the ring keeps what is queued.
    ASSERT_EQ(open(1), kComOk);
    const std::uint8_t xoff = kXoffCharacter;
    const std::uint8_t xon = kXonCharacter;
    ASSERT_TRUE(pty.send({&xoff, 1}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const auto full = patternBytes(kComRingCapacity + 1, 3);
    EXPECT_EQ(handler.Write(full), 0) << "more than the ring holds";
    const std::span<const std::uint8_t> fits(full.data(), kComRingCapacity);
    ASSERT_EQ(handler.Write(fits), 1);
    const std::uint8_t extra[2] = {0xAA, 0xBB};
    EXPECT_EQ(handler.Write(extra, 1), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(handler.Write(extra, 1), 0);

    ASSERT_TRUE(pty.send({&xon, 1}));
    const auto got = pty.receive(kComRingCapacity);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), fits.begin(), fits.end()))
        << "got " << got.size() << " bytes";

    // The ring is empty again once the writer has finished its write; the
    // next bytes wrap around the end of the ring.
    int accepted = 0;
    for (int i = 0; i < 200 && accepted == 0; ++i) {
        accepted = handler.Write(extra, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(accepted, 1);
    const auto wrapped = patternBytes(10000, 5);
    ASSERT_EQ(handler.Write(wrapped), 1);
    std::vector<std::uint8_t> expected = {0xAA, 0xBB};
    expected.insert(expected.end(), wrapped.begin(), wrapped.end());
    EXPECT_TRUE(pty.receive(expected.size()) == expected);
}

TEST_F(ComHandlerPtyTest, ExitTextWrittenJustBeforeCloseReachesTheTnc) {
    ASSERT_EQ(open(), kComOk);
    ASSERT_EQ(handler.WriteString("\xC0\xFF\xC0"), 1);
    EXPECT_EQ(handler.Close(), kComOk);
    EXPECT_EQ(pty.receive(4, std::chrono::milliseconds(500)),
              (std::vector<std::uint8_t>{0xC0, 0xFF, 0xC0}));
}

TEST_F(ComHandlerPtyTest, EverythingQueuedBeforeCloseIsSent) {
    ASSERT_EQ(open(), kComOk);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // writer running
    const auto bytes = patternBytes(12000, 13);
    std::vector<std::uint8_t> got;
    std::thread tnc([&] { got = pty.receive(bytes.size(), std::chrono::seconds(5)); });
    ASSERT_EQ(handler.Write(bytes), 1);
    EXPECT_EQ(handler.Close(), kComOk);
    tnc.join();
    EXPECT_TRUE(got == bytes) << "got " << got.size() << " of " << bytes.size() << " bytes";
}

TEST_F(ComHandlerPtyTest, CloseThenOpenAgainCarriesBytesBothWays) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(open(), kComOk) << "round " << round;
        const std::vector<std::uint8_t> in = {'i', 'n', static_cast<std::uint8_t>(round)};
        const std::vector<std::uint8_t> out = {'o', 'u', 't', static_cast<std::uint8_t>(round)};
        ASSERT_TRUE(pty.send(in));
        EXPECT_EQ(readReceived(in.size()), in);
        ASSERT_EQ(handler.Write(out), 1);
        EXPECT_EQ(pty.receive(out.size()), out);
        ASSERT_EQ(handler.Close(), kComOk);
        EXPECT_EQ(handler.State(), kComStateClosed);
    }
}

TEST_F(ComHandlerPtyTest, UnreadBytesOutliveCloseButNotTheNextOpen) {
    ASSERT_EQ(open(), kComOk);
    ASSERT_TRUE(pty.send(std::vector<std::uint8_t>{1, 2, 3}));
    {
        std::unique_lock<std::mutex> hold(lock);
        ASSERT_TRUE(
            notified.wait_for(hold, std::chrono::seconds(5), [&] { return notifications > 0; }));
    }
    ASSERT_EQ(handler.Close(), kComOk);
    std::uint8_t buffer[8];
    ASSERT_EQ(handler.Read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], 1);
    ASSERT_EQ(open(), kComOk);
    EXPECT_EQ(handler.Read(buffer, sizeof buffer), 0) << "stale bytes from the last open";
}

TEST_F(ComHandlerPtyTest, CloseWhenNotOpenReturnsSixAndChangesNothing) {
    EXPECT_EQ(handler.Close(), kComNotOpen);
    EXPECT_EQ(handler.State(), kComStateClosed);
    ASSERT_EQ(open(), kComOk);
    ASSERT_EQ(handler.Close(), kComOk);
    EXPECT_EQ(handler.Close(), kComNotOpen);
    EXPECT_EQ(open(), kComOk) << "a second Close broke the next Open";
}

TEST_F(ComHandlerPtyTest, WriteWhileClosedQueuesNothingAndReadOfEmptyRingIsZero) {
    EXPECT_EQ(handler.WriteString("stale"), 0);
    std::uint8_t buffer[8];
    EXPECT_EQ(handler.Read(buffer, sizeof buffer), 0);
    ASSERT_EQ(open(), kComOk);
    EXPECT_EQ(handler.Read(buffer, sizeof buffer), 0);
    ASSERT_EQ(handler.WriteString("fresh"), 1);
    const auto got = pty.receive(10, std::chrono::milliseconds(600));
    EXPECT_EQ(std::string(got.begin(), got.end()), "fresh");
}

TEST_F(ComHandlerPtyTest, ClosedPortIsFreeForAnotherProgram) {
    ASSERT_EQ(open(), kComOk);
    PosixSerialPort other;
    EXPECT_EQ(other.open(pty.slavePath(), SerialSettings{}), PortOpenResult::NotAvailable);
    ASSERT_EQ(handler.Close(), kComOk);
    EXPECT_EQ(other.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
}

TEST_F(ComHandlerPtyTest, NonexistentPortFailsWithThreeAfterAboutThreeSeconds) {
    ASSERT_EQ(::access("/dev/ttyS98", F_OK), -1) << "this machine has a /dev/ttyS98";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handler.Open(99, kBaudRate, 8, 0, 0, 1, 2, 0), kComCannotOpen);
    // Not a speed figure: a shorter time means the open was not retried.
    EXPECT_GE(std::chrono::steady_clock::now() - start, (kOpenAttempts - 1) * kOpenRetryInterval);
    EXPECT_EQ(handler.State(), kComStateClosed);
    EXPECT_EQ(handler.WriteString("x"), 0);
}

TEST_F(ComHandlerPtyTest, DeviceThatGoesAwayStopsInputWithoutSpinningUntilClose) {
    auto reads = std::make_shared<std::atomic<int>>(0);
    ComHandler counted([reads] { return std::make_unique<CountingPort>(reads); }, directory.path());
    ASSERT_EQ(counted.Open(kPort, kBaudRate, 8, 0, 0, 1, 2, 0), kComOk);
    ASSERT_TRUE(pty.send(std::vector<std::uint8_t>{1}));

    pty.closeMaster();  // the adapter is unplugged
    for (int i = 0; i < 500 && counted.DeviceAvailable(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(counted.DeviceAvailable());
    const int readsAfterLoss = reads->load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(reads->load(), readsAfterLoss) << "the reader keeps polling a dead device";
    EXPECT_EQ(counted.WriteString("lost"), 0) << "bytes for a dead device reported as queued";
    EXPECT_EQ(counted.State(), kPort);

    EXPECT_EQ(counted.Close(), kComOk);
    EXPECT_EQ(counted.State(), kComStateClosed);

    // Plugged in again: the next open works.
    PtyPair replugged;
    ASSERT_TRUE(directory.linkPort(kPort, replugged.slavePath()));
    ASSERT_EQ(counted.Open(kPort, kBaudRate, 8, 0, 0, 1, 2, 0), kComOk);
    ASSERT_EQ(counted.WriteString("back"), 1);
    const auto got = replugged.receive(4);
    EXPECT_EQ(std::string(got.begin(), got.end()), "back");
}

}  // namespace
}  // namespace korvale
