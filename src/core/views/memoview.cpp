#include "core/views/memoview.h"

#include "core/memo.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

TMemoView::TMemoView(TMemo& memo, QWidget* parent) : QPlainTextEdit(parent), m_memo(&memo)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setPlainText(memo.text());
    connect(&memo, &TMemo::lineAppended, this, &TMemoView::handleLineAppended);
    connect(&memo, &TMemo::cleared, this, &TMemoView::handleCleared);
}

void TMemoView::scrollToEnd()
{
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TMemoView::handleLineAppended(const QString& line)
{
    // Keep the view where the user scrolled it, unless it was following the end.
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    if (m_showsEachReport && !m_reportOpen) {
        m_reportOpen = true;
        m_reportStart = document()->isEmpty() ? 0 : document()->blockCount();
        QTimer::singleShot(0, this, [this] { m_reportOpen = false; });
    }
    appendPlainText(line);
    if (m_showsEachReport) {
        // Without line wrapping the scroll bar counts lines: the report's first line on top.
        bar->setValue(m_reportStart);
        return;
    }
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TMemoView::handleCleared()
{
    m_reportStart = 0;
    clear();
}
