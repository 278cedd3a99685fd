#include "gateway/nic_device.h"

#include <utility>

#include "gateway/tap_nic_driver.h"

namespace korvale {

NicDevice::NicDevice(std::unique_ptr<NicDriver> driver) : driver_(std::move(driver)) {}

NicDevice::~NicDevice() {
    if (open_) {
        driver_->close();
    }
}

bool NicDevice::open() {
    if (open_ || !driver_) {
        return false;
    }
    open_ = driver_->open();
    return open_;
}

bool NicDevice::close() {
    if (!open_ || !driver_->close()) {
        return false;
    }
    open_ = false;
    return true;
}

bool NicDevice::readFrame(std::span<std::uint8_t> buffer, std::uint32_t& bytesReturned) {
    if (!open_) {
        return false;
    }
    bytesReturned = 0;
    if (buffer.empty()) {
        return false;
    }
    std::size_t length = 0;
    if (!driver_->readFrame(buffer, length) || length > buffer.size()) {
        return false;
    }
    bytesReturned = static_cast<std::uint32_t>(length);
    return true;
}

bool NicDevice::writeFrame(std::span<const std::uint8_t> frame, std::uint32_t& bytesReturned) {
    if (!open_) {
        return false;
    }
    bytesReturned = 0;
    if (frame.empty() || !driver_->writeFrame(frame)) {
        return false;
    }
    bytesReturned = static_cast<std::uint32_t>(frame.size());
    return true;
}

bool NicDevice::setLinkSpeed(std::int32_t bitsPerSecond) {
    return open_ && driver_->setLinkSpeed(bitsPerSecond);
}

bool NicDevice::pendingFrames(std::uint32_t& count) {
    count = 0;
    if (!open_ || !driver_->pendingFrames(count)) {
        count = 0;
        return false;
    }
    return true;
}

bool NicDevice::useDriver(std::unique_ptr<NicDriver> driver) {
    if (open_) {
        return false;
    }
    driver_ = std::move(driver);
    return true;
}

NicDevice& theNicDevice() {
    static NicDevice device(std::make_unique<TapNicDriver>());
    return device;
}

}  // namespace korvale
