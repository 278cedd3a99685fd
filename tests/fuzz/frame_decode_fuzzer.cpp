// Radio bytes through decoder, monitor text and monitor: bounded finished lines, no control
// character but the line feed on the terminal, and what decodes re-encodes.
#include <tuple>

#include "ax25/monitor_text.h"
#include "engine/line_monitor_view.h"
#include "engine/monitor.h"
#include "fuzz_support.h"

static auto fields(const Ax25Frame& f) {
    return std::tie(f.source, f.destination, f.digipeaters, f.repeatedCount, f.kind,
                    f.commandResponse, f.pollFinal, f.nr, f.ns, f.pid, f.info);
}

FUZZ_TARGET(0) {
    Ax25Frame frame;
    const bool decoded = frame.decode(data);
    const auto shown = [](unsigned char c) { return c >= 0x20 || c == '\r' || c == '\n'; };
    for (const bool showHeaders : {false, true}) {
        const std::string text = renderMonitorText(frame, showHeaders);
        check(text.size() <= kMonitorTextMaxLength && std::ranges::all_of(text, shown) &&
              (text.ends_with("\r\n") || text.ends_with('\r')));
    }
    const auto c0 = [](unsigned char c) { return (c < 0x20 && c != '\n') || c == 0x7F; };
    const auto c1 = [](unsigned char c, unsigned char next) { return c == 0xC2 && next < 0xA0; };
    for (const int oem : {0, 1}) {
        std::string terminal;
        LineMonitorView view(
            [&terminal](std::string_view line) { terminal += TerminalLine(line); });
        Monitor monitor(view);
        monitor.ShowFrame(frame, MonitorFilter{1, 1, 1, 1, 1, oem});
        view.endPartialLine();
        check(std::ranges::none_of(terminal, c0) && terminal.ends_with('\n') &&
              std::ranges::adjacent_find(terminal, c1) == terminal.end());
    }
    check(frame.encode().size() >= kAx25MinFrameSize);  // a partly filled frame too
    if (!decoded || frame.kind == FrameKind::Unknown) {
        return;  // kind 0 has no control byte of its own
    }
    // All survives but version 1 C bits (sent as a response) and H bits beyond the path.
    Ax25Frame again;
    check(again.decode(frame.encode()) && again.encode() == frame.encode());
    frame.commandResponse = frame.commandResponse == 2 ? 0 : frame.commandResponse;
    check(fields(again) == fields(frame));
}
