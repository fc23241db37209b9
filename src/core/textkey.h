#pragma once

#include <QString>

// The key of a text that compares without regard to letter case: the same as
// QString::toCaseFolded(), quicker for the keys most pages have. ASCII keys (paths of form
// parts, button names, screen IDs) are folded without the Unicode tables, and a key with no
// capital letter is the text itself.
inline QString FoldedKey(const QString& key)
{
    bool capital = false;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return key.toCaseFolded();
        capital = capital || (u >= 'A' && u <= 'Z');
    }
    return capital ? key.toLower() : key;
}
