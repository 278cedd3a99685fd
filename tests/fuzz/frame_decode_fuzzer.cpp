// Arbitrary radio bytes through the decoder and the monitor to the terminal:
// bounded finished lines, no control character but LF, re-encoding survives.
#include <tuple>

#include "ax25/monitor_text.h"
#include "engine/line_monitor_view.h"
#include "engine/monitor.h"
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
              (text.ends_with("\r\n") || text.ends_with('\r')));
    }
    // What the headless runner writes to standard output, in UTF-8: no C0
    // control but the line feed, no DEL, no C1 control (U+0080 to U+009F).
    for (const int oem : {0, 1}) {
        std::string terminal;
        LineMonitorView view(
            [&terminal](std::string_view line) { terminal += TerminalLine(line); });
        Monitor monitor(view);
        monitor.ShowFrame(frame, MonitorFilter{1, 1, 1, 1, 1, oem});
        view.endPartialLine();
        for (std::size_t i = 0; i < terminal.size(); ++i) {
            const auto byte = static_cast<unsigned char>(terminal[i]);
            const bool c1 = byte == 0xC2 && i + 1 < terminal.size() &&
                            static_cast<unsigned char>(terminal[i + 1]) < 0xA0;
            check((byte >= 0x20 || byte == '\n') && byte != 0x7F && !c1);
        }
        check(terminal.ends_with('\n'));
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
