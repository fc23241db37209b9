#pragma once

#include <QObject>
#include <QStringList>

// A multi-line text page of the console (operation log, popups, downloads, script
// transcript, comparison report). Logic appends lines; the console view shows them.
class TMemo : public QObject {
    Q_OBJECT
public:
    explicit TMemo(QObject* parent = nullptr) : QObject(parent) {}

    void appendLine(const QString& line);
    void clear();

    const QStringList& lines() const { return m_lines; }
    QString text() const { return m_lines.join(QLatin1Char('\n')); }
    int lineCount() const { return int(m_lines.size()); }

Q_SIGNALS:
    void lineAppended(const QString& line);
    void cleared();

private:
    QStringList m_lines;
};
