#pragma once

#include "core/prompter.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <vector>

class QObject;
class TEngineProfile;

// What a subcommand of calverdine-cli is given: the engine profile, the output streams,
// and the way to end the program. A subcommand starts its work and calls finish() once,
// when it is done (the event loop runs meanwhile; nothing waits in a nested loop).
class TCliContext {
public:
    virtual ~TCliContext() = default;

    virtual TEngineProfile& profile() = 0;
    // The parent for the subcommand's objects: destroyed before the profile.
    virtual QObject& scope() = 0;
    virtual QTextStream& out() = 0;
    virtual QTextStream& err() = 0;
    // Ends the program with the exit status when control returns to the event loop.
    virtual void finish(int exitCode) = 0;
};

// One subcommand: `calverdine-cli <name> <arguments>`.
struct TCliCommand {
    QString name;
    QString usage;   // the arguments, e.g. "[--project FILE] URL..."
    QString summary; // one line for --help
    std::function<void(const QStringList& arguments, TCliContext& context)> start;
};

// The subcommands, registered by the files that define them:
//   static const TCliRegistration registration({ "name", "usage", "summary", start });
class TCliRegistry {
public:
    static TCliRegistry& instance();

    void add(TCliCommand command);
    const TCliCommand* find(const QString& name) const;
    // Sorted by name.
    std::vector<const TCliCommand*> commands() const;

private:
    std::vector<TCliCommand> m_commands;
};

struct TCliRegistration {
    explicit TCliRegistration(TCliCommand command) { TCliRegistry::instance().add(std::move(command)); }
};

// Reads "--name VALUE" out of the arguments (removing both); the default when absent.
// A trailing "--name" without value is an error: *ok becomes false.
QString TakeOption(QStringList& arguments, const QString& name, bool* ok, const QString& defaultValue = QString());
// Removes "--name" and tells whether it was there.
bool TakeSwitch(QStringList& arguments, const QString& name);
// Opens the project file as the current project; when it cannot, says why on standard error,
// ends the run with exit status 2 and returns false.
bool OpenCliProject(const QString& path, TCliContext& context);

// Questions of a run without a user: messages go to standard error and count as errors when
// they carry the error icon; an OK/Cancel question gets `okCancelAnswer`; no file is chosen;
// the master password comes from CALVERDINE_MASTER_PASSWORD.
class TCliPrompter final : public TPrompter {
public:
    explicit TCliPrompter(QTextStream& err, int okCancelAnswer = Ok) : m_err(err), m_okCancelAnswer(okCancelAnswer) {}

    int message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    QString openFile(const FileRequest&) override { return QString(); }
    QString saveFile(const FileRequest&) override { return QString(); }
    std::optional<QString> password(const QString& caption, const QString& prompt) override;

    int errors = 0;

private:
    QTextStream& m_err;
    int m_okCancelAnswer;
};
