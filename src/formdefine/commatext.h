#pragma once

#include <QString>
#include <QStringList>

// The comma text of a list of fields: joined with ","; a field holding a blank, a comma,
// a double quote or a control character is written between double quotes, inner quotes
// doubled. Reading also separates at blanks outside quotes, and a trailing "," gives a
// last empty field.
QString CommaText(const QStringList& fields);
QStringList SplitCommaText(const QString& text);
