// The monitor of the desktop window under a stream of frames: how long the
// engine's Monitor takes to show 10,000 UI frames carrying IP packets (two
// lines each with monitor headers on) in a QPlainTextEdit set up as the main
// window's monitor, through TextMonitorView, with the view trimmed to about
// 50 lines as in the program. Events are processed every `events_every`
// frames, so that layout and painting of a shown widget are part of the time.
//
// Variants: the widget shown or never shown, events every 100 frames or after
// each frame; for comparison, a view over the same widget that scrolls once
// per event-loop pass and moves no cursor, and a view that keeps only a line
// count (the engine's own share: rendering, code page conversion, trimming
// decisions). Each iteration is 10,000 frames; frames_per_s is the rate.
// Read the real time: the CPU column counts the benchmark's thread only, and
// Qt's raster engine hands part of its painting to threads of its own.
//
//   QT_QPA_PLATFORM=offscreen korvale_desktop_bench
// (offscreen is chosen when QT_QPA_PLATFORM is not set.)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "ax25/ax25_frame.h"
#include "desktop/ansi_text.h"
#include "desktop/text_monitor_view.h"
#include "engine/monitor.h"
#include "engine/monitor_view.h"

namespace korvale {
namespace {

constexpr int kFramesPerIteration = 10000;
constexpr std::size_t kDatagramSize = 256;

// A UI frame as a gateway hears it: one station to another through a
// digipeater that has repeated it, carrying a 256-byte IPv4 TCP datagram.
Ax25Frame ipUiFrame() {
    Ax25Address source;
    Ax25Address destination;
    AddressList path;
    source.parse("KV1A-1");
    destination.parse("KV1B-2");
    path.parse("RELAY");
    std::vector<std::uint8_t> datagram(kDatagramSize);
    for (std::size_t i = 0; i < datagram.size(); ++i) {
        datagram[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // Version 4, header length 20, total length 256, TTL 64, TCP,
    // 44.1.2.4 to 44.1.2.3.
    const std::uint8_t header[20] = {0x45, 0, 0x01, 0x00, 0, 0, 0x40, 0, 64, 6,
                                     0,    0, 44,   1,    2, 4, 44,   1, 2,  3};
    std::copy(std::begin(header), std::end(header), datagram.begin());
    Ax25Frame frame;
    frame.build(source, destination, path, 1, FrameKind::Ui, 1, 0, 0, 0, kPidIp, datagram);
    return frame;
}

// Set up as MainDialog::createControls sets up the monitor, at the size it
// has in a window of the default (smallest) size.
void setUpAsMonitor(QPlainTextEdit& widget) {
    widget.setReadOnly(true);
    widget.setUndoRedoEnabled(false);
    widget.setLineWrapMode(QPlainTextEdit::NoWrap);
    widget.setFont(QFont(QStringLiteral("Monospace")));
    widget.resize(360, 200);
}

void processEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Shows kFramesPerIteration frames per iteration on `view`, processing
// events every `eventsEvery` frames.
void runFrames(benchmark::State& state, MonitorView& view, int eventsEvery) {
    Monitor monitor(view);
    const MonitorFilter filter;  // every kind, headers on, OEM translation on
    const Ax25Frame frame = ipUiFrame();
    // Fill the view to its trimmed size first: the steady state is measured.
    for (int i = 0; i < 100; ++i) {
        monitor.ShowFrame(frame, filter);
    }
    processEvents();
    for (auto _ : state) {
        for (int i = 1; i <= kFramesPerIteration; ++i) {
            monitor.ShowFrame(frame, filter);
            if (i % eventsEvery == 0) {
                processEvents();
            }
        }
    }
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kFramesPerIteration, benchmark::Counter::kIsRate);
    state.counters["lines_kept"] = view.lineCount();
}

// For comparison only, not the program's view: TextMonitorView as it could
// be, moving no cursor (the widget's own stays where it is) and scrolling to
// the end once per pass of the event loop instead of after every append and
// every trim. The text shown after each pass is the same.
class DeferredScrollView final : public MonitorView {
  public:
    explicit DeferredScrollView(QPlainTextEdit& widget) : widget_(widget) {}

    void appendText(std::string_view displayText) override {
        std::string text(displayText);
        std::erase(text, '\r');
        QTextCursor cursor(widget_.document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(fromAnsi(text));
        scrollToEndLater();
    }
    int lineCount() const override { return widget_.document()->blockCount(); }
    void removeFirstLines(int count) override {
        QTextDocument* document = widget_.document();
        if (count <= 0) {
            return;
        }
        QTextCursor cursor(document);
        if (count >= document->blockCount()) {
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        } else {
            cursor.setPosition(document->findBlockByNumber(count).position(),
                               QTextCursor::KeepAnchor);
        }
        cursor.removeSelectedText();
        scrollToEndLater();
    }

  private:
    void scrollToEndLater() {
        if (scrollPending_) {
            return;
        }
        scrollPending_ = true;
        QMetaObject::invokeMethod(
            &widget_,
            [this] {
                scrollPending_ = false;
                QScrollBar* bar = widget_.verticalScrollBar();
                bar->setValue(bar->maximum());
            },
            Qt::QueuedConnection);
    }

    QPlainTextEdit& widget_;
    bool scrollPending_ = false;
};

// state.range(0): 1 shows the widget; state.range(1): frames between event
// processing.
template <class View>
void BM_ShowFrames10k(benchmark::State& state) {
    QPlainTextEdit widget;
    setUpAsMonitor(widget);
    if (state.range(0) != 0) {
        widget.show();
        for (int i = 0; i < 10; ++i) {
            processEvents();
        }
    }
    View view(widget);
    runFrames(state, view, static_cast<int>(state.range(1)));
}
BENCHMARK_TEMPLATE(BM_ShowFrames10k, TextMonitorView)
    ->ArgNames({"shown", "events_every"})
    ->Args({1, 100})
    ->Args({0, 100})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_ShowFrames10k, DeferredScrollView)
    ->ArgNames({"shown", "events_every"})
    ->Args({1, 100})
    ->Args({0, 100})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A view that only counts lines as a text control would: what the engine's
// Monitor costs on its own.
class CountingView final : public MonitorView {
  public:
    void appendText(std::string_view displayText) override {
        lines_ += static_cast<int>(std::count(displayText.begin(), displayText.end(), '\n'));
    }
    int lineCount() const override { return lines_; }
    void removeFirstLines(int count) override { lines_ = std::max(1, lines_ - count); }

  private:
    int lines_ = 1;
};

void BM_ShowFrames10kWithoutWidget(benchmark::State& state) {
    CountingView view;
    runFrames(state, view, 100);
}
BENCHMARK(BM_ShowFrames10kWithoutWidget)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korvale

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
