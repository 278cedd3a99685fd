#include "desktop/display_check.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace korvale {

std::string DisplayUnavailableReason() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0' &&
        !std::string_view(platform).starts_with("xcb")) {
        return {};
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return "no display to connect to (DISPLAY is not set)";
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) {
        return std::string("cannot connect to the display ") + display;
    }
    return {};
}

}  // namespace korvale
