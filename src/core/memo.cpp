#include "core/memo.h"

void TMemo::appendLine(const QString& line)
{
    // A text with line breaks becomes several lines, as in a memo control.
    if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r'))) {
        QString normalised = line;
        normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        for (const QString& part : normalised.split(QLatin1Char('\n'))) {
            m_lines.append(part);
            Q_EMIT lineAppended(part);
        }
        return;
    }
    m_lines.append(line);
    Q_EMIT lineAppended(line);
}

void TMemo::clear()
{
    m_lines.clear();
    Q_EMIT cleared();
}
