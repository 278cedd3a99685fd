#include "kiss/com_device_name.h"

#include <sys/stat.h>

namespace korvale {

std::string ResolveComDevice(int portNumber, const std::string& directory) {
    if (portNumber < 1) {
        return {};
    }
    std::string link = directory;
    if (!link.empty() && link.back() != '/') {
        link += '/';
    }
    link += kComLinkPrefix + std::to_string(portNumber);

    // lstat, not stat: a link whose target is missing right now still says
    // which device the user meant.
    struct stat info {};
    if (::lstat(link.c_str(), &info) == 0) {
        return link;
    }
    return kBuiltInSerialPrefix + std::to_string(portNumber - 1);
}

}  // namespace korvale
