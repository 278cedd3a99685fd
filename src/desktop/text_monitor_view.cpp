#include "desktop/text_monitor_view.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "desktop/ansi_text.h"

namespace korvale {

void TextMonitorView::appendText(std::string_view displayText) {
    // The document breaks lines at '\n' alone; a CR left in would show as a
    // box on some fonts.
    std::string text;
    text.reserve(displayText.size());
    for (char c : displayText) {
        if (c != '\r') {
            text.push_back(c);
        }
    }
    QTextCursor cursor(widget_.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(fromAnsi(text));
    scrollToEndSoon();
}

int TextMonitorView::lineCount() const {
    return widget_.document()->blockCount();
}

void TextMonitorView::removeFirstLines(int count) {
    QTextDocument* document = widget_.document();
    if (count <= 0) {
        return;
    }
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    if (count >= document->blockCount()) {
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(document->findBlockByNumber(count).position(), QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    scrollToEndSoon();
}

void TextMonitorView::scrollToEndSoon() {
    if (scrollPending_) {
        return;
    }
    scrollPending_ = true;
    // Dropped with the widget if it goes first.
    QMetaObject::invokeMethod(
        &widget_, [this] { scrollToEnd(); }, Qt::QueuedConnection);
}

void TextMonitorView::scrollToEnd() {
    scrollPending_ = false;
    QTextCursor end(widget_.document());
    end.movePosition(QTextCursor::End);
    widget_.setTextCursor(end);
    QScrollBar* bar = widget_.verticalScrollBar();
    bar->setValue(bar->maximum());
}

}  // namespace korvale
