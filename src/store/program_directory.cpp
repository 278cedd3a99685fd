#include "store/program_directory.h"

namespace korvale {

namespace {

constexpr char kSeparator = '/';

std::string JoinPath(const std::string& directory, std::string_view name) {
    std::string path = directory;
    if (path.empty() || path.back() != kSeparator) {
        path += kSeparator;
    }
    path += name;
    return path;
}

std::string ProgramPath(std::string_view firstWord, const ProgramEnvironment& environment) {
    const std::optional<std::string> current = environment.currentDirectory();
    if (firstWord.find(kSeparator) != std::string_view::npos) {
        if (firstWord.front() == kSeparator || !current) {
            return std::string(firstWord);
        }
        return JoinPath(*current, firstWord);
    }
    const std::optional<std::string> executable = environment.executablePath();
    if (current && !firstWord.empty()) {
        const std::string candidate = JoinPath(*current, firstWord);
        if (!executable || environment.sameFile(candidate, *executable)) {
            return candidate;
        }
    }
    if (executable) {
        return *executable;
    }
    return std::string(firstWord);
}

}  // namespace

ProgramLocation LocateProgram(std::string_view firstWord, const ProgramEnvironment& environment) {
    const std::string path = ProgramPath(firstWord, environment);
    const std::size_t slash = path.rfind(kSeparator);
    ProgramLocation location;
    location.directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    // The extension starts at the last dot; a leading dot marks a hidden
    // file, not an extension.
    const std::size_t dot = fileName.rfind('.');
    location.baseName = dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    location.iniPath = location.directory + location.baseName + std::string(kIniExtension);
    return location;
}

}  // namespace korvale
