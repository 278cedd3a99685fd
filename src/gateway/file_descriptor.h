// An owned POSIX file descriptor, closed when the owner goes. -1 stands for
// none. Not copyable; moving hands the descriptor over and leaves -1 behind.
#pragma once

#include <unistd.h>

#include <utility>

namespace korvale {

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }

    // Closes the one held (if any) and holds `fd` instead.
    void reset(int fd = -1) {
        const int old = std::exchange(fd_, fd);
        if (old >= 0) {
            ::close(old);
        }
    }

    // Closes now and reports whether the close succeeded, which for a file
    // just written is the last chance to learn of a failed write-back.
    bool close() { return ::close(release()) == 0; }

  private:
    int fd_ = -1;
};

}  // namespace korvale
