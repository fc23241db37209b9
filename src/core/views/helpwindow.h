#pragma once

#include <QDialog>

class QTextBrowser;

// The help page in a window of its own beside the main window (not modal).
class THelpWindow final : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    void showPage(const QString& html);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};
