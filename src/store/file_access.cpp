#include "store/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "gateway/file_descriptor.h"

namespace korvale {

namespace {

// Permission bits asked for when the file is new; the umask applies, as for
// any file the program creates.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kTempNameAttempts = 100;

std::atomic<unsigned> tempCounter{0};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The file to replace: the target of a symbolic link rather than the link.
std::string ResolveTarget(const std::string& path) {
    std::array<char, PATH_MAX> resolved{};
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        ::realpath(path.c_str(), resolved.data()) != nullptr) {
        return std::string(resolved.data());
    }
    return path;
}

// Creates a new file beside target exclusively, so that nothing else is ever
// overwritten, and returns its descriptor (invalid on failure) and name.
FileDescriptor CreateTempBeside(const std::string& target, std::string& tempPath) {
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempPath = target + ".tmp" + std::to_string(::getpid()) + "-" +
                   std::to_string(tempCounter.fetch_add(1));
        const int fd =
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0 || errno != EEXIST) {
            return FileDescriptor(fd);
        }
    }
    return FileDescriptor(-1);
}

void SyncDirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
}

// O_NONBLOCK keeps a FIFO given as a file name from blocking the open.
int OpenForReading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

// Whether the file opened (errno still from the open) is a regular one;
// anything else (a FIFO, a device, a directory) is unreadable.
FileReadResult CheckOpened(const FileDescriptor& file, struct stat& info) {
    if (!file.valid()) {
        return errno == ENOENT || errno == ENOTDIR ? FileReadResult::kMissing
                                                   : FileReadResult::kUnreadable;
    }
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return FileReadResult::kUnreadable;
    }
    return FileReadResult::kOk;
}

// Hands what `fd` holds to `take` in pieces of up to kReadChunk bytes, until
// the end or until `take` returns false.
FileReadResult ReadPieces(int fd, const std::function<bool(std::string_view piece)>& take) {
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileReadResult::kUnreadable;
        }
        if (got == 0 || !take(std::string_view(chunk.data(), static_cast<std::size_t>(got)))) {
            return FileReadResult::kOk;
        }
    }
}

}  // namespace

FileReadResult ReadFileInPieces(const std::string& path,
                                const std::function<bool(std::string_view piece)>& take) {
    FileDescriptor file(OpenForReading(path));
    struct stat info {};
    if (const FileReadResult opened = CheckOpened(file, info); opened != FileReadResult::kOk) {
        return opened;
    }
    return ReadPieces(file.get(), take);
}

FileReadResult ReadWholeFile(const std::string& path, std::size_t maxSize, std::string& contents) {
    contents.clear();
    FileDescriptor file(OpenForReading(path));
    struct stat info {};
    if (const FileReadResult opened = CheckOpened(file, info); opened != FileReadResult::kOk) {
        return opened;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxSize) {
        return FileReadResult::kTooLarge;
    }
    // The limit is checked again while reading: the file may grow meanwhile.
    std::string data;
    bool tooLarge = false;
    const FileReadResult read = ReadPieces(file.get(), [&](std::string_view piece) {
        tooLarge = data.size() + piece.size() > maxSize;
        if (!tooLarge) {
            data.append(piece);
        }
        return !tooLarge;
    });
    if (read != FileReadResult::kOk || tooLarge) {
        return tooLarge ? FileReadResult::kTooLarge : read;
    }
    contents = std::move(data);
    return FileReadResult::kOk;
}

bool ReplaceWholeFile(const std::string& path, std::string_view contents) {
    if (path.empty()) {
        return false;
    }
    const std::string target = ResolveTarget(path);
    std::string tempPath;
    FileDescriptor temp = CreateTempBeside(target, tempPath);
    if (!temp.valid()) {
        return false;
    }
    bool written = true;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        written = ::fchmod(temp.get(), old.st_mode & kPermissionBits) == 0;
    }
    written = written && WriteAll(temp.get(), contents) && ::fsync(temp.get()) == 0;
    const bool closed = temp.close();
    if (!written || !closed || ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

}  // namespace korvale
