#include "engine/monitor.h"

#include <string>

#include "ax25/monitor_text.h"
#include "store/code_pages.h"

namespace korvale {

bool monitorShowsKind(const MonitorFilter& filter, FrameKind kind) {
    switch (kind) {
        case FrameKind::I:
            return filter.m_bMonitorI != 0;
        case FrameKind::Ui:
            return filter.m_bMonitorUI != 0;
        case FrameKind::Rr:
        case FrameKind::Rnr:
        case FrameKind::Rej:
            return filter.m_bMonitorRR != 0;
        case FrameKind::Unknown:
        case FrameKind::Sabm:
        case FrameKind::Disc:
        case FrameKind::Ua:
        case FrameKind::Dm:
        case FrameKind::Frmr:
            return filter.m_bMonitorSABM != 0;
    }
    return filter.m_bMonitorSABM != 0;
}

void Monitor::AppendMonitorText(std::string_view text) {
    std::string display;
    display.reserve(text.size() + 8);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) {
            break;
        }
        if (byte == '\r') {
            display += "\r\n";
        } else if (!IsAnsiControl(c)) {
            display.push_back(c);
        }
    }
    view_.appendText(display);
    if (view_.lineCount() > kMonitorMaxLines) {
        view_.removeFirstLines(kMonitorTrimLines);
    }
}

void Monitor::ShowFrame(const Ax25Frame& frame, const MonitorFilter& filter) {
    if (!monitorShowsKind(filter, frame.kind)) {
        return;
    }
    std::string text = renderMonitorText(frame, filter.m_bMonitorHeaders != 0);
    if (filter.m_bOemTranslation != 0) {
        text = OemToChar(text);
    }
    // Information bytes that are control characters in the display character
    // set (DEL, and C1 controls once OEM translation is off) show as dots,
    // as the C0 controls do; line breaks stay.
    for (char& c : text) {
        if (c != '\r' && c != '\n' && IsAnsiControl(c)) {
            c = '.';
        }
    }
    // The rendered text ends its lines in CR LF; AppendMonitorText makes each
    // CR a line break and leaves the LF out.
    AppendMonitorText(text);
}

}  // namespace korvale
