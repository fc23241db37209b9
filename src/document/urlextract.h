#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct TQueryParameter {
    QString Name;
    QString Value;
};

// Splits an address into the parts that screen identification, the local page test and
// the script loader use. Backslash addresses and "file" addresses split at "\".
class TURLExtract {
public:
    explicit TURLExtract(const QString& url);

    QString URL;
    QString Protocol;
    QString Rest;
    QString Domain;
    QString Port;
    QStringList Directories;
    QString FileName;
    QString Extension;
    QList<TQueryParameter> QueryParameters;
};
