#include "commands/clipboardhistory.h"

namespace {

const char kAccelerators[] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

}

QString TrimControlAndBlank(const QString& text)
{
    int begin = 0;
    int end = int(text.size());
    while (begin < end && text.at(begin).unicode() < 33)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() < 33)
        --end;
    return text.mid(begin, end - begin);
}

bool TClipboardHistory::Add(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QString& entry : m_texts) {
        if (entry.compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    m_texts.append(text);
    return true;
}

QString TClipboardHistory::EntryCaption(const QString& text, int index)
{
    QString caption = TrimControlAndBlank(text.left(10));
    if (index >= 0 && index + 1 <= 36)
        caption += QStringLiteral("(&") + QLatin1Char(kAccelerators[index]) + QLatin1Char(')');
    return caption;
}

QList<TClipboardHistory::MenuEntry> TClipboardHistory::MenuEntries(const QString& current) const
{
    QList<MenuEntry> entries;
    for (int i = 0; i < m_texts.size(); ++i)
        entries.append({ EntryCaption(m_texts.at(i), i), m_texts.at(i) == current });
    return entries;
}
