// The engine's view of the serial line to the TNC: open and close the port,
// queue bytes without waiting, take received bytes without waiting, and, for
// a link that opens off the engine's thread or comes back by itself, hear
// once a tick how the line is doing.
//
// ComHandlerLink (com_handler_link.h) implements it over the serial port
// handler, ReconnectingTncLink (reconnecting_tnc_link.h) over the serial port
// or TCP with reconnection; tests implement it in memory. Engine thread only.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "kiss/byte_sink.h"

namespace korvale {

// What open() returns for a link that opens off the caller's thread: the
// outcome comes later through watch(), as OpenFailed or not at all.
inline constexpr int kLinkOpening = -1;

// What changed on the line since the last watch(). Opened and OpenFailed: an
// open that returned kLinkOpening has succeeded (bytes may have arrived
// meanwhile, unannounced), or has failed for good (the link is closed again).
struct LinkChange {
    enum class Kind { None, Lost, Back, Opened, OpenFailed };
    Kind kind = Kind::None;
    std::string where;      // the device or address, for the user
    int droppedFrames = 0;  // with Back: the frames refused while the line was down
};

class SerialLink : public ByteSink {
  public:
    // Opens port n (COMn) at the given rate with the program's line settings
    // (8 data bits, no parity, one stop bit, DTR on, RTS/CTS). 0 on success,
    // kLinkOpening while the open goes on elsewhere, otherwise a failure code
    // of 1 to 5.
    virtual int open(int port, int baudRate) = 0;

    // 0, or 6 when the port was not open.
    virtual int close() = 0;

    // Moves up to buffer.size() received bytes into buffer, in arrival order;
    // returns how many (0 when none are waiting).
    virtual int read(std::span<std::uint8_t> buffer) = 0;

    // Called once a tick. A link that watches its line reports here when it
    // went away and when it is back, and how an open that returned
    // kLinkOpening ended; this one never does.
    virtual LinkChange watch() { return {}; }
};

}  // namespace korvale
