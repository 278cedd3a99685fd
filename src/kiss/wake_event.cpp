#include "kiss/wake_event.h"

#include <sys/eventfd.h>

#include <cstdint>

namespace korvale {

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void WakeEvent::signal() {
    if (fd_.valid()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd_.get(), &one, sizeof one);
    }
}

bool WakeEvent::clear() {
    std::uint64_t count = 0;
    return fd_.valid() && ::read(fd_.get(), &count, sizeof count) == sizeof count;
}

}  // namespace korvale
