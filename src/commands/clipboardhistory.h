#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The texts seen on the clipboard after copies (or pastes), oldest first, and the entries
// of the drop-down menu that offers them again.
class TClipboardHistory {
public:
    struct MenuEntry {
        QString caption;
        bool checked = false;
    };

    // Appends the text unless it is empty or an entry equals it without regard to case;
    // true when the text was taken (appended or already there).
    bool Add(const QString& text);
    // One entry per text: its first 10 characters without the characters below code 33 at
    // both ends, then "(&1)" to "(&9)", "(&0)", "(&A)" to "(&Z)" for the first 36; checked
    // where the text equals `current` exactly.
    QList<MenuEntry> MenuEntries(const QString& current) const;
    // The caption of an entry up to its first "(" (the command's hint).
    static QString EntryCaption(const QString& text, int index);

    const QStringList& Texts() const { return m_texts; }
    QString At(int index) const { return m_texts.value(index); }
    int Count() const { return int(m_texts.size()); }

private:
    QStringList m_texts;
};

// The text with the characters below code 33 removed from both ends.
QString TrimControlAndBlank(const QString& text);
