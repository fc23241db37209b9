#include "support/scriptedprompter.h"

int TScriptedPrompter::message(const QString& text, const QString& caption, Buttons buttons, Icon icon)
{
    asked.push_back(Asked { QStringLiteral("message"), text, caption, buttons, icon, {} });
    if (!answers.empty()) {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
    case Buttons::Ok:
        return Ok;
    case Buttons::YesNo:
        return No;
    default:
        return Cancel;
    }
}

QString TScriptedPrompter::openFile(const FileRequest& request)
{
    asked.push_back(Asked { QStringLiteral("open"), request.title, QString(), Buttons::Ok, Icon::None, request });
    if (files.empty())
        return QString();
    const QString f = files.front();
    files.pop_front();
    return f;
}

QString TScriptedPrompter::saveFile(const FileRequest& request)
{
    asked.push_back(Asked { QStringLiteral("save"), request.title, QString(), Buttons::Ok, Icon::None, request });
    if (files.empty())
        return QString();
    const QString f = files.front();
    files.pop_front();
    return f;
}

std::optional<QString> TScriptedPrompter::password(const QString& caption, const QString& label)
{
    asked.push_back(Asked { QStringLiteral("password"), label, caption, Buttons::Ok, Icon::None, {} });
    if (passwords.empty())
        return std::nullopt;
    const std::optional<QString> p = passwords.front();
    passwords.pop_front();
    return p;
}

QStringList TScriptedPrompter::messages() const
{
    QStringList result;
    for (const Asked& a : asked) {
        if (a.kind == QLatin1String("message"))
            result << a.text;
    }
    return result;
}

void TScriptedPrompter::clear()
{
    answers.clear();
    files.clear();
    passwords.clear();
    asked.clear();
}
