#include "jstools/scriptexecution.h"

#include "core/log.h"
#include "core/memo.h"
#include "document/htmldocument.h"
#include "document/tagscript.h"

#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

using Answer = TPageChannel::ScriptAnswer;

QString nameOfLine(const QString& line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line : line.left(eq);
}

QString valueOfLine(const QString& line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}

void storeVariable(TTagScript* script, const QString& name, const QString& value)
{
    for (QString& line : script->Variables()) {
        if (nameOfLine(line).compare(name, Qt::CaseInsensitive) == 0) {
            line = nameOfLine(line) + QLatin1Char('=') + value;
            return;
        }
    }
}

}

QString ScriptSeparator()
{
    return QString(60, QLatin1Char('-'));
}

QString FormatScriptValue(const Answer& value, bool named)
{
    const QString& kind = value.kind;
    if (kind == QLatin1String("undefined") || kind == QLatin1String("absent") || kind.isEmpty())
        return QStringLiteral("undefined");
    if (kind == QLatin1String("null"))
        return QStringLiteral("null");
    if (kind == QLatin1String("string"))
        return QLatin1Char('"') + value.text + QLatin1Char('"');
    if (kind == QLatin1String("object"))
        return QStringLiteral("@Object:") + (named && value.text.isEmpty() ? QStringLiteral("null") : value.text);
    return value.text;
}

bool IsScriptIdentifier(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool start = c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('$');
        if (!start && !(i > 0 && c.isDigit()))
            return false;
    }
    return true;
}

TScriptExecutor::TScriptExecutor(TMemo* console, std::function<void()> showConsole, QObject* parent)
    : QObject(parent), m_console(console), m_showConsole(std::move(showConsole))
{
}

void TScriptExecutor::append(const QString& line)
{
    if (m_console)
        m_console->appendLine(line);
}

bool TScriptExecutor::startExecution()
{
    if (m_showConsole)
        m_showConsole();
    append(ScriptSeparator());
    if (m_busy) {
        append(QStringLiteral("busy: the previous execution has not finished; try again when it has."));
        return false;
    }
    m_busy = true;
    Q_EMIT busyChanged(true);
    // A page that runs long or waits on a dialog keeps the answer back; the window stays
    // usable and the console says so.
    const int execution = ++m_execution;
    const int generation = m_generation;
    QPointer<TScriptExecutor> self(this);
    QTimer::singleShot(m_stillRunningDelayMs, this, [self, execution, generation] {
        if (self && self->m_busy && self->m_execution == execution && self->m_generation == generation)
            self->append(QStringLiteral("still running: the page has not answered yet."));
    });
    return true;
}

void TScriptExecutor::finishExecution()
{
    if (!m_busy)
        return;
    m_busy = false;
    Q_EMIT busyChanged(false);
}

void TScriptExecutor::Invalidate()
{
    ++m_generation;
    finishExecution();
}

void TScriptExecutor::refuse()
{
    if (m_showConsole)
        m_showConsole();
    append(ScriptSeparator());
    append(QStringLiteral("unexecutable domain."));
}

void TScriptExecutor::send(THtmlDocument* document, TPageChannel::ScriptRequest request, const QString& text,
                           std::function<void(const Answer&)> answer)
{
    TPageChannel* channel = document ? document->channel() : nullptr;
    if (!channel) {
        Answer failed;
        failed.error = QStringLiteral("the page has no live channel");
        answer(failed);
        return;
    }
    QPointer<TScriptExecutor> self(this);
    const int generation = m_generation;
    channel->runScript(document->handle(), request, text,
                       [self, generation, answer = std::move(answer)](const Answer& a) {
                           if (!self || self->m_generation != generation)
                               return;
                           answer(a);
                       });
}

void TScriptExecutor::Execute(TTagScript* script, const QString& code, Done done)
{
    Execute(script->Document(), script->Executable(), code, std::move(done));
}

TScriptExecutor::Done TScriptExecutor::orNothing(Done done)
{
    return [done = std::move(done)](const QString& result, bool ok) {
        if (done)
            done(result, ok);
    };
}

bool TScriptExecutor::beginExecution(bool executable)
{
    if (!executable) {
        refuse();
        return false;
    }
    return startExecution();
}

void TScriptExecutor::Execute(THtmlDocument* document, bool executable, const QString& code, Done done)
{
    const Done finish = orNothing(std::move(done));
    if (!beginExecution(executable)) {
        finish(QString(), false);
        return;
    }
    send(document, TPageChannel::ScriptRequest::Evaluate, code, [this, code, finish](const Answer& a) {
        finishExecution();
        if (!a.ok) {
            LogError(QStringLiteral("JavaScript コードの実行が失敗しました。\ncode text: ") + code);
            finish(QString(), false);
            return;
        }
        append(QStringLiteral("code text:") + code);
        const QString result = FormatScriptValue(a, false);
        append(QStringLiteral("return value:") + result);
        finish(result, true);
    });
}

void TScriptExecutor::Call(TTagScriptFunction* function, Done done)
{
    QStringList values;
    for (const QString& line : function->Parameters())
        values.append(valueOfLine(line));
    // A function of a refused script refuses too.
    Call(function->Script()->Document(), function->Executable() && function->Script()->Executable(), function->Name(),
         values, std::move(done));
}

void TScriptExecutor::Call(THtmlDocument* document, bool executable, const QString& name, const QStringList& values, Done done)
{
    const Done finish = orNothing(std::move(done));
    if (!beginExecution(executable)) {
        finish(QString(), false);
        return;
    }
    append(QStringLiteral("function name:") + name);
    QStringList arguments;
    int i = 0;
    for (const QString& text : values) {
        QString value = text.trimmed();
        if (value.isEmpty())
            value = QStringLiteral("undefined");
        append(QStringLiteral("parameter %1:").arg(++i) + value);
        arguments.append(value);
    }
    const QString code = name + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
    auto fail = [name, finish] {
        LogError(QStringLiteral("JavaScript 関数の実行が失敗しました。\nfunction name: ") + name);
        finish(QString(), false);
    };
    if (!IsScriptIdentifier(name)) {
        finishExecution();
        fail();
        return;
    }
    send(document, TPageChannel::ScriptRequest::Evaluate, code, [this, code, fail, finish](const Answer& a) {
        finishExecution();
        if (!a.ok) {
            fail();
            return;
        }
        append(QStringLiteral("execute code:") + code);
        const QString result = FormatScriptValue(a, false);
        append(QStringLiteral("return value:") + result);
        finish(result, true);
    });
}

void TScriptExecutor::GetSource(TTagScriptFunction* function, Done done)
{
    if (!IsScriptIdentifier(function->Name())) {
        done(QString(), false);
        return;
    }
    send(function->Script()->Document(), TPageChannel::ScriptRequest::FunctionSource, function->Name(),
         [done](const Answer& a) {
             if (!a.ok || a.kind == QLatin1String("absent")) {
                 done(QString(), false);
                 return;
             }
             done(a.kind == QLatin1String("string") ? a.text : FormatScriptValue(a, true), true);
         });
}

void TScriptExecutor::GetVariableValue(TTagScript* script, const QString& name, Done done)
{
    GetVariableValue(script->Document(), name, std::move(done));
}

void TScriptExecutor::GetVariableValue(THtmlDocument* document, const QString& name, Done done)
{
    if (!IsScriptIdentifier(name)) {
        done(QString(), true);
        return;
    }
    send(document, TPageChannel::ScriptRequest::ReadVariable, name, [name, done](const Answer& a) {
        if (a.ok && a.kind == QLatin1String("absent")) {
            done(QString(), true);
            return;
        }
        if (!a.ok) {
            LogError(QStringLiteral("JavaScript 変数の値取得が失敗しました。\nvar name: ") + name);
            done(QString(), false);
            return;
        }
        done(FormatScriptValue(a, true), true);
    });
}

void TScriptExecutor::SetVariableValue(TTagScript* script, const QString& name, const QString& value, Done done)
{
    QPointer<TScriptExecutor> self(this);
    SetVariableValue(script->Document(), script->Executable(), name, value,
                     [self, script, name, done](const QString& read, bool ok) {
                         if (!self)
                             return;
                         if (ok) {
                             storeVariable(script, name, read);
                             Q_EMIT self->variablesChanged(script);
                         }
                         if (done)
                             done(read, ok);
                     });
}

void TScriptExecutor::SetVariableValue(THtmlDocument* document, bool executable, const QString& name,
                                       const QString& value, Done done)
{
    const Done finish = orNothing(std::move(done));
    // Only names that are plain identifiers are built into code; the typed value is a
    // script expression by design. Assigning runs code, so pages whose scripts are
    // refused are left alone.
    if (!IsScriptIdentifier(name) || !executable) {
        finish(QString(), false);
        return;
    }
    QString v = value.trimmed();
    if (v.isEmpty())
        v = QStringLiteral("undefined");
    if (v.startsWith(QLatin1String("@Object:")))
        v = v.mid(8);
    // The global must exist first: an absent one is left alone.
    QPointer<TScriptExecutor> self(this);
    send(document, TPageChannel::ScriptRequest::ReadVariable, name, [self, document, name, v, finish](const Answer& present) {
        if (present.ok && present.kind == QLatin1String("absent")) {
            finish(QString(), false);
            return;
        }
        self->send(document, TPageChannel::ScriptRequest::Evaluate, name + QLatin1Char('=') + v,
                   [self, document, name, v, finish](const Answer& a) {
                       if (!a.ok) {
                           LogError(QStringLiteral("JavaScript 変数の値設定が失敗しました。\n") + name + QLatin1Char('=') + v);
                           finish(QString(), false);
                           return;
                       }
                       self->GetVariableValue(document, name, finish);
                   });
    });
}

void TScriptExecutor::RefreshVariables(TTagScript* script, std::function<void()> done)
{
    const QStringList lines = script->Variables();
    if (lines.isEmpty()) {
        if (done)
            done();
        return;
    }
    auto remaining = std::make_shared<int>(int(lines.size()));
    for (const QString& line : lines) {
        const QString name = nameOfLine(line);
        QPointer<TScriptExecutor> self(this);
        GetVariableValue(script, name, [self, script, name, remaining, done](const QString& value, bool) {
            storeVariable(script, name, value);
            if (--*remaining == 0) {
                if (self)
                    Q_EMIT self->variablesChanged(script);
                if (done)
                    done();
            }
        });
    }
}
