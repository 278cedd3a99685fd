// Arbitrary bytes from the radio through the frame decoder and the monitor
// text: nothing may crash or read out of bounds, every monitor text must be
// a bounded, finished line, and whatever decodes must survive re-encoding.
#include <tuple>

#include "ax25/monitor_text.h"
#include "fuzz_support.h"

using namespace korvale::fuzzing;

static auto fields(const Ax25Frame& f) {
    return std::tie(f.source, f.destination, f.digipeaters, f.repeatedCount, f.kind,
                    f.commandResponse, f.pollFinal, f.nr, f.ns, f.pid, f.info);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Ax25Frame frame;
    const bool decoded = frame.decode({data, size});
    // Receive handling shows a frame that failed to decode too. Lines break
    // only where the text itself or a summary puts them; no other control
    // code gets through to the window.
    const auto shown = [](unsigned char c) { return c >= 0x20 || c == '\r' || c == '\n'; };
    for (const bool showHeaders : {false, true}) {
        const std::string text = renderMonitorText(frame, showHeaders);
        check(text.size() <= kMonitorTextMaxLength && std::ranges::all_of(text, shown) &&
              (text.ends_with('\n') || text.ends_with('\r')));
    }
    // Encoding a partly filled frame must be safe as well.
    check(frame.encode().size() >= kAx25MinFrameSize);
    // Kind 0 has no control byte of its own, so it cannot be sent back.
    if (!decoded || frame.kind == FrameKind::Unknown) {
        return 0;
    }
    // Re-encoding keeps everything but the version 1 C bits, which go out as
    // a response, and the H bits, which move to the front of the path (so a
    // repeated count outside the path would not survive either).
    Ax25Frame again;
    check(again.decode(frame.encode()) && again.encode() == frame.encode());
    frame.commandResponse = frame.commandResponse == 2 ? 0 : frame.commandResponse;
    check(fields(again) == fields(frame));
    return 0;
}
