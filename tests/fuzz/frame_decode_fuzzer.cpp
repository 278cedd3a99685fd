// Arbitrary bytes from the radio through the frame decoder and the monitor
// text: nothing may crash or read out of bounds, every monitor text must be
// a bounded, finished line, and whatever decodes must survive re-encoding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "ax25/ax25_frame.h"
#include "ax25/monitor_text.h"

namespace {

using korvale::Ax25Frame;
using korvale::FrameKind;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void checkMonitorText(const Ax25Frame& frame) {
    for (bool showHeaders : {false, true}) {
        const std::string text = korvale::renderMonitorText(frame, showHeaders);
        check(!text.empty());
        check(text.size() <= korvale::kMonitorTextMaxLength);
        check(text.back() == '\n' || text.back() == '\r');
        // Lines break only where the text itself or a summary puts them;
        // no other control code gets through to the window.
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            check(byte >= 0x20 || c == '\r' || c == '\n');
        }
    }
}

bool sameFrame(const Ax25Frame& a, const Ax25Frame& b) {
    return a.source == b.source && a.destination == b.destination &&
           a.digipeaters == b.digipeaters && a.repeatedCount == b.repeatedCount &&
           a.kind == b.kind && a.commandResponse == b.commandResponse &&
           a.pollFinal == b.pollFinal && a.nr == b.nr && a.ns == b.ns && a.pid == b.pid &&
           a.info == b.info;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Ax25Frame frame;
    const bool decoded = frame.decode(bytes);

    // Receive handling shows a frame that failed to decode too.
    checkMonitorText(frame);
    // Encoding a partly filled frame must be safe as well.
    const auto partial = frame.encode();
    check(partial.size() >= korvale::kAx25MinFrameSize);

    if (!decoded) {
        return 0;
    }
    check(frame.digipeaters.count() <= korvale::kMaxDigipeaters);
    check(frame.repeatedCount >= 0 && frame.repeatedCount <= frame.digipeaters.count());
    check(frame.info.size() < size);
    // Kind 0 has no control byte of its own, so it cannot be sent back.
    if (frame.kind == FrameKind::Unknown) {
        return 0;
    }

    // Re-encoding keeps everything but the version 1 C bits, which go out as
    // a response, and the H bits, which move to the front of the path.
    const auto encoded = frame.encode();
    Ax25Frame again;
    check(again.decode(encoded));
    Ax25Frame expected = frame;
    if (expected.commandResponse == 2) {
        expected.commandResponse = 0;
    }
    check(sameFrame(again, expected));
    check(again.encode() == encoded);
    return 0;
}
