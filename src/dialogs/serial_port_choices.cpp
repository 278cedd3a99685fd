#include "dialogs/serial_port_choices.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <optional>

#include "kiss/com_device_name.h"
#include "kiss/tnc_address.h"
#include "lang/ui_texts.h"
#include "store/code_pages.h"

namespace korvale {

namespace {

constexpr const char* kUndefinedPortName = "Undefined";

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The target a symbolic link names, or nothing when path is not a link.
std::optional<std::string> linkTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return std::nullopt;
    }
    std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) {
        return std::nullopt;
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

// `where` (UTF-8) followed by whether path exists now, translated.
std::string withPresence(const std::string& where, const std::string& path) {
    const MessageAroundText message =
        TranslateMsgAroundText(exists(path) ? kMsgDevicePresent : kMsgDeviceNotPresent);
    return AnsiToUtf8(message.before) + where + AnsiToUtf8(message.after);
}

}  // namespace

int BaudRatePosition(int baudRate) {
    // Any rate below the second entry shows as the first, so a rate the list
    // does not hold always has a position.
    int position = 0;
    for (std::size_t i = 1; i < kBaudRates.size(); ++i) {
        if (baudRate >= kBaudRates[i]) {
            position = static_cast<int>(i);
        }
    }
    return position;
}

int BaudRateAtPosition(int position) {
    if (position < 0 || position >= static_cast<int>(kBaudRates.size())) {
        return kNoBaudRateChosen;
    }
    return kBaudRates[static_cast<std::size_t>(position)];
}

std::vector<std::string> PortListNames() {
    std::vector<std::string> names;
    names.reserve(kHighestComPort + 1);
    names.emplace_back(kUndefinedPortName);
    for (int port = 1; port <= kHighestComPort; ++port) {
        names.push_back(kComLinkPrefix + std::to_string(port));
    }
    return names;
}

int PortListPosition(int tncPort) {
    return tncPort >= 0 && tncPort <= kHighestComPort ? tncPort : -1;
}

int PortFromListPosition(int position) {
    return PortListPosition(position);
}

std::string DescribeComDevice(int tncPort, const std::string& programDirectory) {
    const std::string device = ResolveComDevice(tncPort, programDirectory);
    if (device.empty()) {
        return {};
    }
    if (device.starts_with(kBuiltInSerialPrefix)) {
        return withPresence(device, device);
    }
    const std::string linkName = kComLinkPrefix + std::to_string(tncPort);
    const std::string whereLink =
        AnsiToUtf8(TranslateMsgWithInt(kMsgComLinkInProgramDirectory, tncPort));
    const std::optional<std::string> target = linkTarget(device);
    if (!target) {
        // A device node or file of that name, opened as it is.
        return withPresence(whereLink, device);
    }
    // A relative target counts from the directory the link is in; say so in
    // full, since the user reads this from anywhere.
    const std::string shown = target->starts_with('/')
                                  ? *target
                                  : device.substr(0, device.size() - linkName.size()) + *target;
    return withPresence(whereLink + " -> " + shown, device);
}

std::optional<std::string> TncAddressFromField(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return std::string();
    }
    const std::string_view trimmed = text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
    if (!ParseTncAddress(trimmed)) {
        return std::nullopt;
    }
    return std::string(trimmed);
}

}  // namespace korvale
