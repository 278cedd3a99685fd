// An owned POSIX file descriptor, closed when the owner goes. -1 stands for
// none. Not copyable; hand one out by value only where it is built (guaranteed
// copy elision).
#pragma once

#include <unistd.h>

namespace korvale {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // Closes now and reports whether the close succeeded, which for a file
    // just written is the last chance to learn of a failed write-back.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

}  // namespace korvale
