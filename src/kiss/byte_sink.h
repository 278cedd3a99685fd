// Where finished KISS frames go on their way to the TNC.
//
// The serial port handler implements this; tests implement it with an
// in-memory fake. A sink receives each frame whole in one write() call, so an
// implementation that queues bytes never interleaves two frames.
#pragma once

#include <cstdint>
#include <span>

namespace korvale {

class ByteSink {
  public:
    virtual ~ByteSink() = default;

    // Queues all of `bytes` for sending, or none of them. Returns whether the
    // bytes were queued. The span is only valid during the call; an
    // implementation that keeps the bytes copies them.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;

  protected:
    ByteSink() = default;
    ByteSink(const ByteSink&) = default;
    ByteSink& operator=(const ByteSink&) = default;
};

}  // namespace korvale
