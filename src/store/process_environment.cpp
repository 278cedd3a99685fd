#include "store/process_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>

namespace korvale {

namespace {

constexpr const char* kOwnExecutableLink = "/proc/self/exe";

}  // namespace

std::optional<std::string> SystemEnvironment::currentDirectory() const {
    std::array<char, PATH_MAX> buffer{};
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        return std::nullopt;
    }
    return std::string(buffer.data());
}

std::optional<std::string> SystemEnvironment::executablePath() const {
    std::array<char, PATH_MAX> buffer{};
    const ssize_t length = ::readlink(kOwnExecutableLink, buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

bool SystemEnvironment::sameFile(const std::string& a, const std::string& b) const {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

ProgramLocation SetUpProgramDirectory(std::string_view firstWord) {
    const ProgramLocation location = LocateProgram(firstWord, SystemEnvironment{});
    ProgramDirectory = location.directory;
    // A directory that cannot be entered leaves the current one; the paths
    // found above do not depend on it.
    if (!ProgramDirectory.empty() && ::chdir(ProgramDirectory.c_str()) != 0) {
        return location;
    }
    return location;
}

}  // namespace korvale
