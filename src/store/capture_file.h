// A capture of the frames on the TNC link in pcapng, the format Wireshark and
// tshark open: each frame as an Enhanced Packet Block of link type AX.25
// (LINKTYPE_AX25, the frame as KISS carries it), with its time in
// microseconds and its direction (inbound: heard from the TNC, outbound: sent
// to it).
//
// open() appends to the file: each opening starts a new section (a Section
// Header and an Interface Description block), which readers take in their
// stride. Frames are collected in memory and reach the file with flush(), or
// at once when kCaptureBufferBytes have gathered; so a frame costs its owner a
// copy, and a flush one write(). A file that passes kCaptureRotateBytes is
// renamed with ".1" (replacing an older one) and a new one started. After any
// failure to write the capture is closed and write() does nothing.
//
// One thread at a time; std only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gateway/file_descriptor.h"

namespace korvale {

inline constexpr std::uint16_t kLinktypeAx25 = 3;
inline constexpr std::uint64_t kCaptureRotateBytes = 100ull * 1000 * 1000;
inline constexpr std::size_t kCaptureBufferBytes = 64 * 1024;

enum class CaptureDirection : std::uint32_t { Inbound = 1, Outbound = 2 };  // epb_flags bits 0-1

class CaptureFile {
  public:
    explicit CaptureFile(std::uint64_t rotateBytes = kCaptureRotateBytes)
        : rotateBytes_(rotateBytes) {}
    ~CaptureFile() { close(); }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Opens `path` for appending and writes the section's header blocks.
    // False (and closed) when it cannot be written.
    bool open(const std::string& path);

    // Flushes what is collected and closes.
    void close();

    bool isOpen() const { return file_.has_value(); }

    // Collects one frame, time-stamped in microseconds since 1970. False when
    // a write it led to failed (the capture is then closed).
    bool write(CaptureDirection direction, std::span<const std::uint8_t> frame,
               std::int64_t unixMicros);

    // Writes what is collected; false when that failed (then closed).
    bool flush();

  private:
    bool startFile();
    void block(std::uint32_t type, std::span<const std::uint8_t> body);
    bool fail();

    std::uint64_t rotateBytes_;
    std::string path_;
    std::optional<FileDescriptor> file_;
    std::uint64_t fileBytes_ = 0;  // written and collected
    std::vector<std::uint8_t> buffer_;
};

}  // namespace korvale
