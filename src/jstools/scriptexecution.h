#pragma once

#include "document/pagechannel.h"

#include <QObject>
#include <QString>

#include <functional>

class THtmlDocument;
class TMemo;
class TTagScript;
class TTagScriptFunction;

// The console's separator line before each execution: 60 "-".
QString ScriptSeparator();

// The text of a value read from a page: "undefined", "null", a string in double quotes,
// "@Object:" + the object's toString() text (a named variable's empty object text reads
// "null"), or a primitive's text.
QString FormatScriptValue(const TPageChannel::ScriptAnswer& value, bool named);

// Whether the text is a plain JavaScript identifier (the only names built into code).
bool IsScriptIdentifier(const QString& name);

// Runs code, functions and variable reads and writes of the scripts of one page through
// its page channel, writing the transcript to the console memo and failures to the
// operation log. Each operation is one round trip; its console lines are written in the
// documented order, the last ones when the answer arrives. Answers that arrive after
// Invalidate() (the page navigated or the tab closed) or after the executor is gone are
// dropped. One execution at a time: a second one while the first has not answered is
// refused with a console line.
class TScriptExecutor : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const QString& result, bool ok)>;

    // `showConsole` brings the console's JavaScript page to the front (may be empty).
    explicit TScriptExecutor(TMemo* console, std::function<void()> showConsole = {}, QObject* parent = nullptr);

    // Runs code in the global scope of the script's document; the result is the
    // formatted value (empty on failure or refusal).
    void Execute(TTagScript* script, const QString& code, Done done = {});
    // Calls the function with its parameter values, by position.
    void Call(TTagScriptFunction* function, Done done = {});
    // The function's source text; nothing is written to the console.
    void GetSource(TTagScriptFunction* function, Done done);
    // Reads one global; an absent global reads as an empty text without a message.
    void GetVariableValue(TTagScript* script, const QString& name, Done done);
    // Assigns the typed value (a script expression) and reads the variable back into the
    // script's variable list.
    void SetVariableValue(TTagScript* script, const QString& name, const QString& value, Done done = {});
    // Reads every variable of the script's list into it, in one round trip each.
    void RefreshVariables(TTagScript* script, std::function<void()> done = {});

    // The same in a document of the page without a script node (the command line); the
    // page's scripts are executable or all refused.
    void Execute(THtmlDocument* document, bool executable, const QString& code, Done done = {});
    void Call(THtmlDocument* document, bool executable, const QString& name, const QStringList& values, Done done = {});
    void GetVariableValue(THtmlDocument* document, const QString& name, Done done);
    void SetVariableValue(THtmlDocument* document, bool executable, const QString& name, const QString& value, Done done = {});

    // Drops every answer still to come.
    void Invalidate();
    bool Busy() const { return m_busy; }
    // How long an execution may go without an answer before the console says it is still
    // running.
    void setStillRunningDelay(int milliseconds) { m_stillRunningDelayMs = milliseconds; }

Q_SIGNALS:
    // A variable's value in a script's list changed.
    void variablesChanged(TTagScript* script);
    void busyChanged(bool busy);

private:
    void append(const QString& line);
    bool startExecution();
    // Refuses a script that may not run, else starts an execution; false when none started.
    bool beginExecution(bool executable);
    // The callback, or one that does nothing when none was given.
    static Done orNothing(Done done);
    void finishExecution();
    // Sends the request and calls back only while the generation is unchanged.
    void send(THtmlDocument* document, TPageChannel::ScriptRequest request, const QString& text,
              std::function<void(const TPageChannel::ScriptAnswer&)> answer);
    void refuse();

    TMemo* m_console = nullptr;
    std::function<void()> m_showConsole;
    int m_generation = 0;
    bool m_busy = false;
    int m_execution = 0;
    int m_stillRunningDelayMs = 2000;
};
