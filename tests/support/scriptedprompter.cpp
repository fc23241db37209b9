#include "support/scriptedprompter.h"

namespace {

// The next scripted answer, or `none` when the script has run out.
template <typename T>
T nextAnswer(std::deque<T>& script, T none = T())
{
    if (script.empty())
        return none;
    T answer = std::move(script.front());
    script.pop_front();
    return answer;
}

} // namespace

int TScriptedPrompter::message(const QString& text, const QString& caption, Buttons buttons, Icon icon)
{
    asked.push_back(Asked { QStringLiteral("message"), text, caption, buttons, icon, {} });
    return nextAnswer(answers, buttons == Buttons::Ok ? int(Ok) : buttons == Buttons::YesNo ? int(No) : int(Cancel));
}

QString TScriptedPrompter::openFile(const FileRequest& request)
{
    asked.push_back(Asked { QStringLiteral("open"), request.title, QString(), Buttons::Ok, Icon::None, request });
    return nextAnswer(files);
}

QString TScriptedPrompter::saveFile(const FileRequest& request)
{
    asked.push_back(Asked { QStringLiteral("save"), request.title, QString(), Buttons::Ok, Icon::None, request });
    return nextAnswer(files);
}

std::optional<QString> TScriptedPrompter::password(const QString& caption, const QString& label)
{
    asked.push_back(Asked { QStringLiteral("password"), label, caption, Buttons::Ok, Icon::None, {} });
    return nextAnswer(passwords);
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
