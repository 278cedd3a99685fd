// ComHandler's ring, chunk and closing rules over an in-memory port, where
// the test decides what the driver has and when it completes a write.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "kiss/com_handler.h"
#include "kiss/fake_serial_port.h"
#include "kiss/pty_pair.h"

namespace korvale {
namespace {

using testing::FakeLine;
using testing::fakePortFactory;
using testing::patternBytes;

constexpr int kPort = 4;

class ComHandlerFakeTest : public ::testing::Test {
  protected:
    int open(int dtrMode = kLineModeOn, int rtsMode = kLineModeHandshake) {
        return handler.Open(kPort, 9600, 8, kParityNone, kStopBitsOne, dtrMode, rtsMode, 0);
    }

    // Events from `first` on, in order.
    std::vector<std::string> eventsFrom(const std::string& first) {
        std::lock_guard<std::mutex> hold(line->lock);
        auto at = std::find(line->events.begin(), line->events.end(), first);
        return {at, line->events.end()};
    }

    std::atomic<int> notifications{0};
    std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
    ComHandler handler{fakePortFactory(line)};
};

TEST_F(ComHandlerFakeTest, TwoThousandWaitingBytesMoveAs1023And977WithTwoNotifications) {
    handler.SetNotifyCallback([this](int) { ++notifications; });
    ASSERT_EQ(open(), kComOk);
    const auto bytes = patternBytes(2000);
    line->push(bytes);
    ASSERT_TRUE(line->waitFor([&] { return line->handedOut == bytes.size(); }));
    for (int i = 0; i < 500 && notifications < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    {
        std::lock_guard<std::mutex> hold(line->lock);
        EXPECT_EQ(line->readSizes, (std::vector<std::size_t>{1023, 977}));
    }
    EXPECT_EQ(notifications, 2);
    std::vector<std::uint8_t> got(3000);
    got.resize(static_cast<std::size_t>(handler.Read(got.data(), 3000)));
    EXPECT_EQ(got, bytes);
}

TEST_F(ComHandlerFakeTest, FullReceiveRingIsNeverOverwrittenAndRefillsAfterRead) {
    ASSERT_EQ(open(), kComOk);
    const auto bytes = patternBytes(20000);
    line->push(bytes);
    ASSERT_TRUE(line->waitFor([&] { return line->handedOut >= kComRingCapacity; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    {
        std::lock_guard<std::mutex> hold(line->lock);
        EXPECT_EQ(line->handedOut, static_cast<std::size_t>(kComRingCapacity))
            << "the reader took bytes it had no room for";
    }

    std::vector<std::uint8_t> got(bytes.size());
    const int first = handler.Read(got.data(), static_cast<int>(got.size()));
    ASSERT_EQ(first, kComRingCapacity);
    int total = first;
    for (int i = 0; i < 1000 && total < static_cast<int>(bytes.size()); ++i) {
        total += handler.Read(got.data() + total, static_cast<int>(got.size()) - total);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(total, static_cast<int>(bytes.size()));
    EXPECT_TRUE(got == bytes) << "bytes lost or reordered across the ring's end";
}

TEST_F(ComHandlerFakeTest, QueuedBytesPastTheRingEndGoOutInTwoPasses) {
    // The writer's indices stand 34 bytes before the end of the ring; 100
    // bytes then leave as 34 and 66.
    ASSERT_EQ(open(), kComOk);
    const auto lead = patternBytes(kComRingSize - 34, 1);
    ASSERT_EQ(handler.Write(lead), 1);
    ASSERT_TRUE(line->waitFor([&] { return line->sent.size() == lead.size(); }));
    // Accepted once the writer has moved its index past the lead.
    const auto wrapped = patternBytes(100, 2);
    int accepted = 0;
    for (int i = 0; i < 1000 && accepted == 0; ++i) {
        accepted = handler.Write(wrapped);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(accepted, 1);
    ASSERT_TRUE(line->waitFor([&] { return line->sent.size() == lead.size() + 100; }));

    std::lock_guard<std::mutex> hold(line->lock);
    EXPECT_EQ(line->writeSizes, (std::vector<std::size_t>{lead.size(), 34, 66}));
    EXPECT_TRUE(std::equal(wrapped.begin(), wrapped.end(), line->sent.end() - 100));
}

TEST_F(ComHandlerFakeTest, WriteThatDoesNotFitWholeQueuesNothingOfIt) {
    {
        std::lock_guard<std::mutex> hold(line->lock);
        line->writesHang = true;  // the line takes nothing for now
    }
    ASSERT_EQ(open(), kComOk);
    const auto frames = patternBytes(16000, 3);
    ASSERT_EQ(handler.Write(frames), 1);
    const auto tooBig = patternBytes(kComRingCapacity - 16000 + 1, 4);
    EXPECT_EQ(handler.Write(tooBig), 0);
    const auto fits = patternBytes(kComRingCapacity - 16000, 5);
    EXPECT_EQ(handler.Write(fits), 1);
    {
        std::lock_guard<std::mutex> hold(line->lock);
        line->writesHang = false;
    }
    line->changed.notify_all();

    auto expected = frames;
    expected.insert(expected.end(), fits.begin(), fits.end());
    ASSERT_TRUE(line->waitFor([&] { return line->sent.size() >= expected.size(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> hold(line->lock);
    EXPECT_TRUE(line->sent == expected) << "part of a refused write went out";
}

TEST_F(ComHandlerFakeTest, CloseSendsQueuedBytesBeforeDroppingLinesAndPurging) {
    ASSERT_EQ(open(), kComOk);
    const std::vector<std::uint8_t> exitText = {0xC0, 0xFF, 0xC0};
    ASSERT_EQ(handler.Write(exitText), 1);
    ASSERT_EQ(handler.Close(), kComOk);
    std::lock_guard<std::mutex> hold(line->lock);
    EXPECT_EQ(line->sent, exitText);
    const std::vector<std::string> tail(line->events.end() - 6, line->events.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"write", "drain", "dtr 0", "rts 0", "purge", "close"}));
}

TEST_F(ComHandlerFakeTest, OpenRaisesOnlyTheLinesItsModesAskFor) {
    ASSERT_EQ(open(kLineModeOff, kLineModeOn), kComOk);
    EXPECT_EQ(eventsFrom("open"), (std::vector<std::string>{"open", "dtr 0", "rts 1"}));
    ASSERT_EQ(handler.Close(), kComOk);
    line->events.clear();
    ASSERT_EQ(open(kLineModeHandshake, kLineModeHandshake), kComOk);
    EXPECT_EQ(eventsFrom("open"), (std::vector<std::string>{"open", "dtr 1", "rts 1"}));
}

TEST_F(ComHandlerFakeTest, RefusedSettingsReturnFiveAtOnceAndLeaveItClosed) {
    line->openResult = PortOpenResult::ConfigurationRefused;
    EXPECT_EQ(open(), kComConfigRefused);
    EXPECT_EQ(line->openAttempts, 1);
    EXPECT_EQ(handler.State(), kComStateClosed);
    EXPECT_EQ(handler.WriteString("x"), 0);
    EXPECT_EQ(handler.Close(), kComNotOpen);
}

TEST_F(ComHandlerFakeTest, SecondOpenWhileOpenIsRefusedAndKeepsTheFirst) {
    ASSERT_EQ(open(), kComOk);
    EXPECT_EQ(open(), kComCannotOpen);
    EXPECT_EQ(handler.State(), kPort);
    ASSERT_EQ(handler.WriteString("ok"), 1);
    ASSERT_TRUE(line->waitFor([&] { return line->sent.size() == 2; }));
}

TEST_F(ComHandlerFakeTest, AsByteSinkReportsWhetherTheFrameWasQueued) {
    ByteSink& sink = handler;
    const std::vector<std::uint8_t> frame = {0xC0, 0x00, 0x01, 0xC0};
    EXPECT_FALSE(sink.write(frame));
    ASSERT_EQ(open(), kComOk);
    EXPECT_TRUE(sink.write(frame));
    EXPECT_FALSE(sink.write(patternBytes(kComRingSize)));
}

TEST(ComHandlerStuckDriver, CloseReturnsAndHandlerMayDieWhileWriterHangsInDriver) {
    auto line = std::make_shared<FakeLine>();
    auto calls = std::make_shared<std::atomic<int>>(0);
    {
        ComHandler handler(fakePortFactory(line));
        handler.SetNotifyCallback([calls](int) { ++*calls; });
        ASSERT_EQ(handler.Open(kPort, 9600, 8, 0, 0, 1, 2, 0), kComOk);
        {
            std::lock_guard<std::mutex> hold(line->lock);
            line->writesHang = true;
        }
        ASSERT_EQ(handler.WriteString("never sent"), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));  // writer inside write()

        EXPECT_EQ(handler.Close(), kComOk);  // returns although the writer never ends
        EXPECT_EQ(handler.State(), kComStateClosed);
        EXPECT_EQ(handler.WriteString("x"), 0);
        const int callsAtClose = calls->load();
        line->push({1, 2, 3});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(calls->load(), callsAtClose) << "callback ran after Close";
    }
    // The handler is gone; the stuck writer still holds the port. When the
    // driver lets go, the writer ends and only then is the port freed.
    {
        std::lock_guard<std::mutex> hold(line->lock);
        EXPECT_FALSE(line->portDestroyed);
        line->writesHang = false;
    }
    line->changed.notify_all();
    EXPECT_TRUE(line->waitFor([&] { return line->portDestroyed; }));
}

}  // namespace
}  // namespace korvale
