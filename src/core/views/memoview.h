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

private:
    void handleLineAppended(const QString& line);
    void handleCleared();

    QPointer<TMemo> m_memo;
};
