// The monitor: status lines and one line per frame sent or heard, appended to
// a MonitorView and trimmed so the view keeps about 50 lines.
//
// AppendMonitorText takes program text (Windows-1252, lines ending in a
// carriage return, as the status messages and typed lines are written) and
// turns it into display text. ShowFrame renders a frame and shows it when the
// monitor filter lets its kind through. Engine thread only.
#pragma once

#include <string_view>

#include "ax25/ax25_frame.h"
#include "engine/monitor_view.h"

namespace korvale {

// After an append leaves the view with more than kMonitorMaxLines lines, its
// first kMonitorTrimLines lines are removed; one append trims only once.
inline constexpr int kMonitorMaxLines = 50;
inline constexpr int kMonitorTrimLines = 10;

// The settings that decide what ShowFrame shows and how; flags are non-zero
// for on.
struct MonitorFilter {
    int m_bMonitorI = 1;
    int m_bMonitorUI = 1;
    int m_bMonitorSABM = 1;  // SABM, DISC, UA, DM, FRMR and unrecognised frames
    int m_bMonitorRR = 1;    // RR, RNR, REJ
    int m_bMonitorHeaders = 1;
    int m_bOemTranslation = 1;  // frame text arrives in code page 437
};

// Whether the filter shows frames of this kind.
bool monitorShowsKind(const MonitorFilter& filter, FrameKind kind);

class Monitor {
  public:
    // The view must outlive the monitor.
    explicit Monitor(MonitorView& view) : view_(view) {}

    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Appends text up to its first NUL: a carriage return becomes a line
    // break, other control characters (line feed and tab included, DEL and
    // the C1 controls too; see IsAnsiControl) are left out, every other byte
    // is shown as it is.
    void AppendMonitorText(std::string_view text);

    // Shows one frame, sent or received, subject to the filter. Control
    // characters in its text but the line breaks show as dots.
    void ShowFrame(const Ax25Frame& frame, const MonitorFilter& filter);

    MonitorView& view() { return view_; }

  private:
    MonitorView& view_;
};

}  // namespace korvale
