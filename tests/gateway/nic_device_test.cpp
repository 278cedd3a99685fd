// NicDevice's contract with its callers: the exact results of each request,
// and that nothing reaches the driver while the device is closed.
#include "gateway/nic_device.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "gateway/fake_nic_driver.h"

namespace korvale {
namespace {

using testing::FakeNicDriver;

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

class NicDeviceTest : public ::testing::Test {
  protected:
    NicDeviceTest() {
        auto fake = std::make_unique<FakeNicDriver>();
        driver = fake.get();
        device = std::make_unique<NicDevice>(std::move(fake));
    }

    FakeNicDriver* driver;
    std::unique_ptr<NicDevice> device;
};

TEST_F(NicDeviceTest, SecondOpenFailsAndKeepsFirstAttachment) {
    ASSERT_TRUE(device->open());
    EXPECT_FALSE(device->open());
    EXPECT_TRUE(device->isOpen());
    EXPECT_EQ(driver->calls, 1);  // the second open never reached the driver

    driver->hostFrames.push_back({1, 2, 3});
    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t length = 0;
    EXPECT_TRUE(device->readFrame(buffer, length));
    EXPECT_EQ(length, 3u);
}

TEST_F(NicDeviceTest, FailedOpenLeavesDeviceClosed) {
    driver->openSucceeds = false;
    EXPECT_FALSE(device->open());
    EXPECT_FALSE(device->isOpen());
    driver->openSucceeds = true;
    EXPECT_TRUE(device->open());
}

TEST_F(NicDeviceTest, CloseOnClosedDeviceFails) {
    EXPECT_FALSE(device->close());
    ASSERT_TRUE(device->open());
    EXPECT_TRUE(device->close());
    EXPECT_FALSE(device->close());
    EXPECT_FALSE(device->isOpen());
}

TEST_F(NicDeviceTest, FailedCloseKeepsDeviceOpenAndUsable) {
    ASSERT_TRUE(device->open());
    driver->closeSucceeds = false;
    EXPECT_FALSE(device->close());
    EXPECT_TRUE(device->isOpen());
    std::uint32_t written = 0;
    const std::array<std::uint8_t, 14> frame{};
    EXPECT_TRUE(device->writeFrame(frame, written));
}

TEST_F(NicDeviceTest, RequestsOnClosedDeviceNeverReachDriver) {
    driver->hostFrames.push_back({1, 2, 3});
    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t readLength = kUntouched;
    std::uint32_t writeLength = kUntouched;
    std::uint32_t count = kUntouched;

    EXPECT_FALSE(device->readFrame(buffer, readLength));
    EXPECT_FALSE(device->writeFrame(buffer, writeLength));
    EXPECT_FALSE(device->setLinkSpeed(9600));
    EXPECT_FALSE(device->pendingFrames(count));

    EXPECT_EQ(readLength, kUntouched);
    EXPECT_EQ(writeLength, kUntouched);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(driver->calls, 0);
    EXPECT_EQ(driver->hostFrames.size(), 1u);
}

TEST_F(NicDeviceTest, EmptyReadBufferAndEmptyWriteFailWithZeroLength) {
    ASSERT_TRUE(device->open());
    driver->hostFrames.push_back({1, 2, 3});
    std::uint32_t readLength = kUntouched;
    std::uint32_t writeLength = kUntouched;

    EXPECT_FALSE(device->readFrame({}, readLength));
    EXPECT_FALSE(device->writeFrame({}, writeLength));

    EXPECT_EQ(readLength, 0u);
    EXPECT_EQ(writeLength, 0u);
    EXPECT_EQ(driver->hostFrames.size(), 1u);  // the queued frame is not lost
    EXPECT_TRUE(driver->written.empty());
}

TEST_F(NicDeviceTest, FailedReadAndWriteReportZeroLength) {
    ASSERT_TRUE(device->open());
    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t readLength = kUntouched;
    EXPECT_FALSE(device->readFrame(buffer, readLength));  // nothing queued
    EXPECT_EQ(readLength, 0u);

    driver->writeSucceeds = false;
    std::uint32_t writeLength = kUntouched;
    EXPECT_FALSE(device->writeFrame(buffer, writeLength));
    EXPECT_EQ(writeLength, 0u);
}

TEST_F(NicDeviceTest, SuccessfulWriteHandsOverWholeFrameAndReportsItsLength) {
    ASSERT_TRUE(device->open());
    const std::array<std::uint8_t, 5> frame = {9, 8, 7, 6, 5};
    std::uint32_t written = 0;
    EXPECT_TRUE(device->writeFrame(frame, written));
    EXPECT_EQ(written, 5u);
    ASSERT_EQ(driver->written.size(), 1u);
    EXPECT_EQ(driver->written[0], std::vector<std::uint8_t>(frame.begin(), frame.end()));
}

TEST_F(NicDeviceTest, ReadOfLongFrameIsCutToBuffer) {
    ASSERT_TRUE(device->open());
    driver->hostFrames.push_back(std::vector<std::uint8_t>(100, 0xAB));
    std::array<std::uint8_t, 10> buffer{};
    std::uint32_t length = 0;
    EXPECT_TRUE(device->readFrame(buffer, length));
    EXPECT_EQ(length, 10u);
}

TEST_F(NicDeviceTest, DriverClaimingMoreBytesThanBufferIsTreatedAsFailedRead) {
    ASSERT_TRUE(device->open());
    driver->hostFrames.push_back(std::vector<std::uint8_t>(10, 0xAB));
    driver->extraLengthClaimed = 1;
    std::array<std::uint8_t, 10> buffer{};
    std::uint32_t length = kUntouched;
    EXPECT_FALSE(device->readFrame(buffer, length));
    EXPECT_EQ(length, 0u);
}

TEST_F(NicDeviceTest, FailedPendingCountReadsAsZero) {
    ASSERT_TRUE(device->open());
    driver->hostFrames.push_back({1});
    driver->pendingSucceeds = false;
    std::uint32_t count = kUntouched;
    EXPECT_FALSE(device->pendingFrames(count));
    EXPECT_EQ(count, 0u);

    driver->pendingSucceeds = true;
    EXPECT_TRUE(device->pendingFrames(count));
    EXPECT_NE(count, 0u);
}

TEST_F(NicDeviceTest, RefusedLinkSpeedIsReportedAsFailure) {
    ASSERT_TRUE(device->open());
    EXPECT_TRUE(device->setLinkSpeed(1200));
    driver->speedSucceeds = false;
    EXPECT_FALSE(device->setLinkSpeed(9600));
    EXPECT_EQ(driver->speeds, (std::vector<std::int32_t>{1200, 9600}));
}

TEST_F(NicDeviceTest, DriverCannotBeSwappedWhileOpen) {
    ASSERT_TRUE(device->open());
    EXPECT_FALSE(device->useDriver(std::make_unique<FakeNicDriver>()));
    std::uint32_t written = 0;
    const std::array<std::uint8_t, 1> frame = {1};
    EXPECT_TRUE(device->writeFrame(frame, written));
    EXPECT_EQ(driver->written.size(), 1u);  // still the first driver
}

TEST(NicDeviceLifetime, DestroyingOpenDeviceReleasesDriver) {
    int closes = 0;
    {
        NicDevice device(std::make_unique<FakeNicDriver>(&closes));
        ASSERT_TRUE(device.open());
    }
    EXPECT_EQ(closes, 1);
}

TEST(NicDeviceLifetime, DestroyingClosedDeviceDoesNotCloseAgain) {
    int closes = 0;
    {
        NicDevice device(std::make_unique<FakeNicDriver>(&closes));
        ASSERT_TRUE(device.open());
        ASSERT_TRUE(device.close());
    }
    EXPECT_EQ(closes, 1);
}

TEST(NicDeviceLifetime, DeviceWithoutDriverNeverOpens) {
    NicDevice device(nullptr);
    EXPECT_FALSE(device.open());
    EXPECT_FALSE(device.isOpen());
}

}  // namespace
}  // namespace korvale
