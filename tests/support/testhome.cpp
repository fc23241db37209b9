#include "support/testhome.h"

#include "core/appcontext.h"
#include "core/memo.h"
#include "core/tickcount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TTestHome::TTestHome() : m_prompter(std::make_unique<TScriptedPrompter>())
{
    ResetApp();
    App().homeDirectory = m_dir.path();
    App().setPrompter(m_prompter.get());
}

TTestHome::~TTestHome()
{
    ResetApp();
    SetTickCountSource({});
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList LoggedErrors()
{
    QStringList errors;
    const QStringList& lines = App().operationLog().lines();
    for (int i = 0; i < lines.size(); ++i) {
        const int at = lines[i].indexOf(QLatin1String("[ERROR] "));
        if (at >= 0)
            errors.append(lines[i].mid(at + 8) + QLatin1Char('\n') + lines.value(i + 1));
    }
    return errors;
}
