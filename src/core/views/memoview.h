#pragma once

#include <QPlainTextEdit>
#include <QPointer>

class TMemo;

// A console page showing a memo: read-only for the user, following the memo's lines.
class TMemoView final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMemoView(TMemo& memo, QWidget* parent = nullptr);

    // Scrolls to the last line and puts the caret on it.
    void scrollToEnd();

    // Lines written together (in one turn of the event loop) form a report; with this set, each
    // new report is scrolled into view from its first line, wherever the user had scrolled.
    void setShowsEachReport(bool shows) { m_showsEachReport = shows; }

private:
    void handleLineAppended(const QString& line);
    void handleCleared();

    QPointer<TMemo> m_memo;
    bool m_showsEachReport = false;
    bool m_reportOpen = false;
    int m_reportStart = 0;
};
