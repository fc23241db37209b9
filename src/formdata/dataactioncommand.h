#pragma once

#include <QString>

class TCalverdineDocument;
class TFieldAliases;
class TFormValueList;
class TMemo;

// Writing a data set into a page and comparing it with what the page shows.
class TDataActionCommand {
public:
    // Writes every value whose tag path the document has (guarded writes, passwords
    // decrypted) and sends them to the page in one batch. A value the page refuses is
    // logged as a warning and the others are still written.
    static void inputValues(const TFormValueList& values, TCalverdineDocument& document);

    // Writes the comparison report into the memo and returns whether every value was equal.
    // Passwords are equal when the stored value decrypts to what the field holds; the
    // report shows them only in their stored (encrypted) form.
    bool compare(const QString& screenId, const QString& dataName, const TFormValueList& values,
                 const TCalverdineDocument& document, TMemo& memo, TFieldAliases* aliases);

    int comparedCount() const { return m_compared; }
    int equalCount() const { return m_equal; }

private:
    int m_compared = 0;
    int m_equal = 0;
};

// The line of one compared value, as the report shows it.
QString CompareLine(int number, bool equal, const QString& alias, const QString& path, const QString& dataValue,
                    const QString& formValue);
