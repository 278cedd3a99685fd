#include "store/capture_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvale {
namespace {

constexpr std::uint32_t kSectionHeaderBlock = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescriptionBlock = 1;
constexpr std::uint32_t kEnhancedPacketBlock = 6;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint16_t kOptionEnd = 0;
constexpr std::uint16_t kOptionEpbFlags = 2;
// Block type, block length before the body, block length again after it.
constexpr std::size_t kBlockFrameBytes = 12;

template <typename T>
void put(std::vector<std::uint8_t>& out, T value) {
    // pcapng is written in the writer's byte order, which the byte-order
    // magic of the section announces.
    const std::size_t at = out.size();
    out.resize(at + sizeof value);
    std::memcpy(out.data() + at, &value, sizeof value);
}

}  // namespace

bool CaptureFile::open(const std::string& path) {
    close();
    path_ = path;
    return startFile();
}

bool CaptureFile::startFile() {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    file_.emplace(fd);
    struct stat status {};
    fileBytes_ = ::fstat(fd, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    std::vector<std::uint8_t> body;
    put(body, kByteOrderMagic);
    put<std::uint16_t>(body, 1);  // version 1.0
    put<std::uint16_t>(body, 0);
    put<std::int64_t>(body, -1);  // section length not given
    block(kSectionHeaderBlock, body);
    body.clear();
    put(body, kLinktypeAx25);
    put<std::uint16_t>(body, 0);
    put<std::uint32_t>(body, 0);  // no snapshot limit
    block(kInterfaceDescriptionBlock, body);
    return flush();
}

void CaptureFile::block(std::uint32_t type, std::span<const std::uint8_t> body) {
    const auto length = static_cast<std::uint32_t>(kBlockFrameBytes + body.size());
    put(buffer_, type);
    put(buffer_, length);
    buffer_.insert(buffer_.end(), body.begin(), body.end());
    put(buffer_, length);
    fileBytes_ += length;
}

bool CaptureFile::write(CaptureDirection direction, std::span<const std::uint8_t> frame,
                        std::int64_t unixMicros) {
    if (!file_) {
        return true;
    }
    const std::size_t padded = (frame.size() + 3) & ~std::size_t{3};
    const std::size_t blockBytes = kBlockFrameBytes + 20 + padded + 12;
    if (fileBytes_ + blockBytes > rotateBytes_) {
        if (!flush()) {
            return false;
        }
        file_.reset();
        const std::string older = path_ + ".1";
        if (std::rename(path_.c_str(), older.c_str()) != 0 || !startFile()) {
            return fail();
        }
    }
    std::vector<std::uint8_t> body;
    body.reserve(blockBytes);
    const auto time = static_cast<std::uint64_t>(unixMicros);
    put<std::uint32_t>(body, 0);  // interface
    put(body, static_cast<std::uint32_t>(time >> 32));
    put(body, static_cast<std::uint32_t>(time));
    put(body, static_cast<std::uint32_t>(frame.size()));  // captured
    put(body, static_cast<std::uint32_t>(frame.size()));  // on the wire
    body.insert(body.end(), frame.begin(), frame.end());
    body.resize(body.size() + padded - frame.size(), 0);
    put(body, kOptionEpbFlags);
    put<std::uint16_t>(body, 4);
    put(body, static_cast<std::uint32_t>(direction));
    put(body, kOptionEnd);
    put<std::uint16_t>(body, 0);
    block(kEnhancedPacketBlock, body);
    return buffer_.size() < kCaptureBufferBytes || flush();
}

bool CaptureFile::flush() {
    if (!file_) {
        buffer_.clear();
        return true;
    }
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(file_->get(), buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail();
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool CaptureFile::fail() {
    buffer_.clear();
    file_.reset();
    return false;
}

void CaptureFile::close() {
    flush();
    file_.reset();
}

}  // namespace korvale
