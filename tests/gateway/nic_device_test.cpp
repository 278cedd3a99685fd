// NicDevice's contract with its callers: the exact results of each request,
// and that nothing reaches the driver while the device is closed.
#include "gateway/nic_device.h"

#include <gtest/gtest.h>

#include <tuple>

#include "gateway/gateway_test_frames.h"

namespace korvale::testing {
namespace {

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

class NicDeviceTest : public GatewayTest {};

TEST_F(NicDeviceTest, ClosedDeviceFailsEveryRequestWithoutReachingDriver) {
    Bytes buffer(16);
    std::uint32_t readLength = kUntouched;
    std::uint32_t writeLength = kUntouched;
    std::uint32_t count = kUntouched;
    driver.hostFrames.push_back(buffer);
    EXPECT_FALSE(device.readFrame(buffer, readLength) || device.writeFrame(buffer, writeLength) ||
                 device.setLinkSpeed(9600) || device.pendingFrames(count) || device.close());
    EXPECT_EQ(std::tie(readLength, writeLength, count), std::tuple(kUntouched, kUntouched, 0u));
    EXPECT_EQ(driver.calls, 0);
}

TEST_F(NicDeviceTest, OpenTwiceOrFailedCloseKeepsFirstAttachment) {
    driver.openSucceeds = false;
    EXPECT_FALSE(device.open());
    driver.openSucceeds = true;
    ASSERT_TRUE(device.open());
    EXPECT_FALSE(device.open() || device.useDriver(std::make_unique<FakeNicDriver>()));
    driver.closeSucceeds = false;
    EXPECT_FALSE(device.close());
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(driver.calls, 3);  // neither the second open nor the swap reached the driver
    EXPECT_FALSE(NicDevice(nullptr).open());
}

TEST_F(NicDeviceTest, TransfersReportTheirLengthOrZeroWhenNothingUsableMoved) {
    ASSERT_TRUE(device.open());
    Bytes buffer(16);
    std::uint32_t length = kUntouched;
    const auto read = [&](std::size_t size) {
        length = kUntouched;
        return device.readFrame(std::span(buffer).first(size), length);
    };
    EXPECT_FALSE(read(16) || length != 0);  // nothing queued
    driver.hostFrames = {Bytes(3, 1), Bytes(100, 2), Bytes(10, 3)};
    EXPECT_FALSE(read(0) || length != 0);  // and the queued frame is not lost
    EXPECT_TRUE(read(16) && length == 3);
    EXPECT_TRUE(read(10) && length == 10);  // cut to the buffer
    driver.extraLengthClaimed = 1;          // a driver claiming more than the buffer holds
    EXPECT_FALSE(read(10) || length != 0);
    EXPECT_FALSE(device.writeFrame({}, length) || length != 0);
    EXPECT_TRUE(device.writeFrame(bytes("09 08 07"), length) && length == 3);
    driver.writeSucceeds = false;
    EXPECT_FALSE(device.writeFrame(bytes("01"), length) || length != 0);
    EXPECT_EQ(driver.written, std::vector<Bytes>{bytes("09 08 07")});
}

TEST(NicDeviceLifetime, DestroyingDeviceClosesOpenDriverExactlyOnce) {
    int closes = 0;
    for (bool closeFirst : {false, true}) {
        NicDevice device(std::make_unique<FakeNicDriver>(&closes));
        ASSERT_TRUE(device.open());
        ASSERT_TRUE(!closeFirst || device.close());
    }
    EXPECT_EQ(closes, 2);
}

}  // namespace
}  // namespace korvale::testing
