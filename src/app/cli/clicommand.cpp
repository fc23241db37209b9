#include "app/cli/clicommand.h"

#include "commands/serveraction.h"
#include "core/appcontext.h"
#include "core/error.h"
#include "core/projectdocument.h"

#include <algorithm>

TCliRegistry& TCliRegistry::instance()
{
    static TCliRegistry s_registry;
    return s_registry;
}

void TCliRegistry::add(TCliCommand command)
{
    m_commands.push_back(std::move(command));
}

const TCliCommand* TCliRegistry::find(const QString& name) const
{
    for (const TCliCommand& command : m_commands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

std::vector<const TCliCommand*> TCliRegistry::commands() const
{
    std::vector<const TCliCommand*> list;
    for (const TCliCommand& command : m_commands)
        list.push_back(&command);
    std::sort(list.begin(), list.end(), [](const TCliCommand* a, const TCliCommand* b) { return a->name < b->name; });
    return list;
}

QString TakeOption(QStringList& arguments, const QString& name, bool* ok, const QString& defaultValue)
{
    const int at = int(arguments.indexOf(name));
    if (at < 0)
        return defaultValue;
    if (at + 1 >= arguments.size()) {
        *ok = false;
        arguments.removeAt(at);
        return defaultValue;
    }
    const QString value = arguments.at(at + 1);
    arguments.remove(at, 2);
    return value;
}

bool TakeSwitch(QStringList& arguments, const QString& name)
{
    return arguments.removeAll(name) > 0;
}

bool OpenCliProject(const QString& path, TCliContext& context)
{
    try {
        std::unique_ptr<TXMLProjectType> project = TXMLProjectType::LoadProjectDocument(path);
        App().projectFileName = path;
        // A headless run goes through the same proxy as the window would.
        ApplyProxyChoice(TProxyChoice::FromProject(project->ProxyServer(), project->ProxyServerAddress(),
                                                   project->ProxyServerPort()));
        App().setCurrentProject(std::move(project));
        return true;
    } catch (...) {
        context.err() << QStringLiteral("project error: %1\n").arg(CurrentExceptionMessage());
        context.finish(2);
        return false;
    }
}

int TCliPrompter::message(const QString& text, const QString&, Buttons buttons, Icon icon)
{
    m_err << text << '\n';
    m_err.flush();
    if (icon == Icon::Error)
        ++errors;
    switch (buttons) {
    case Buttons::Ok: return Ok;
    case Buttons::OkCancel: return m_okCancelAnswer;
    default: return No;
    }
}

std::optional<QString> TCliPrompter::password(const QString&, const QString&)
{
    if (!qEnvironmentVariableIsSet("CALVERDINE_MASTER_PASSWORD"))
        return std::nullopt;
    return qEnvironmentVariable("CALVERDINE_MASTER_PASSWORD");
}
