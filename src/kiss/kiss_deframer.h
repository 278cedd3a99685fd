// Rebuilds KISS frames from the bytes received on the serial line.
//
// Feed every received byte, in order and in pieces of any size, to
// ProcessKissBytes(). Each data frame for TNC port 0 (command byte 0x00) that
// is closed by an unescaped FEND, holds at least one AX.25 byte and at most
// kKissMaxDeliveredFrameSize is passed to the frame callback, without its
// command byte, before the next byte is looked at. Everything else (empty
// frames, other ports, other commands, a FEND right after FESC, overlong
// frames) is dropped silently and collecting starts afresh.
//
// Threads: one thread at a time; the deframer holds no lock.
// Callback: the span points into the deframer's buffer and is valid only
// during the call. The callback may call ProcessKissBytes() again on the same
// deframer; those bytes are queued and deframed, in order, after the bytes of
// the outer call. It must not destroy the deframer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "kiss/kiss_protocol.h"

namespace korvale {

class KissDeframer {
  public:
    using FrameCallback = std::function<void(std::span<const std::uint8_t> ax25Frame)>;

    explicit KissDeframer(FrameCallback onKissFrame);

    KissDeframer(const KissDeframer&) = delete;
    KissDeframer& operator=(const KissDeframer&) = delete;

    void ProcessKissBytes(std::span<const std::uint8_t> bytes);

    // Forgets a partly received frame, as when the line it came on broke:
    // its first half must not be joined to what a new line brings.
    void Reset() {
        m_iKissRxCount = 0;
        m_bKissRxEscape = false;
    }

  private:
    void deframe(std::span<const std::uint8_t> bytes);
    void store(std::uint8_t byte) {
        if (static_cast<std::size_t>(m_iKissRxCount) < kKissRxBufferSize) {
            m_pKissRxBuffer[static_cast<std::size_t>(m_iKissRxCount)] = byte;
            ++m_iKissRxCount;
        }
    }
    void endOfFrame();

    FrameCallback m_onKissFrame;
    // Created on the first received bytes, so a program that never opens the
    // TNC port does not carry the buffer.
    std::unique_ptr<std::uint8_t[]> m_pKissRxBuffer;
    std::int32_t m_iKissRxCount = 0;             // 0 to kKissRxBufferSize
    bool m_bKissRxEscape = false;                // a FESC waits for the byte it transposes
    bool m_delivering = false;                   // inside m_onKissFrame
    std::vector<std::uint8_t> m_reentrantBytes;  // fed from inside the callback
};

}  // namespace korvale
