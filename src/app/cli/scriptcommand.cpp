#include "app/cli/clicommand.h"
#include "app/cli/clipage.h"

#include "core/appcontext.h"
#include "core/memo.h"
#include "core/prompter.h"
#include "document/calverdinedocument.h"
#include "document/localhost.h"
#include "document/tagtree.h"
#include "jstools/scriptexecution.h"

#include <QPointer>
#include <QTimer>

#include <memory>

namespace {

// Error messages of a run without a user go to standard error.
class TScriptCliPrompter final : public TPrompter {
public:
    explicit TScriptCliPrompter(QTextStream& err) : m_err(err) {}

    int message(const QString& text, const QString&, Buttons buttons, Icon) override
    {
        m_err << text << '\n';
        m_err.flush();
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Ok : No;
    }
    QString openFile(const FileRequest&) override { return QString(); }
    QString saveFile(const FileRequest&) override { return QString(); }
    std::optional<QString> password(const QString&, const QString&) override { return std::nullopt; }

private:
    QTextStream& m_err;
};

struct TScriptStep {
    enum Kind { Eval, Call, Get, Set } kind = Eval;
    QString name; // the code of Eval
    QStringList values;
};

// One run of `script`: load the page, then perform the steps one after another in the
// chosen document, each when the previous one answered.
class TScriptRun final : public QObject {
public:
    TScriptRun(TCliContext& context, QString url, QString framePath, std::vector<TScriptStep> steps)
        : QObject(&context.scope()), m_context(context), m_url(std::move(url)), m_framePath(std::move(framePath)),
          m_steps(std::move(steps)), m_executor(&m_console)
    {
        m_prompter = std::make_unique<TScriptCliPrompter>(context.err());
        App().setPrompter(m_prompter.get());
        connect(&m_console, &TMemo::lineAppended, this, [this](const QString& line) {
            m_context.out() << line << '\n';
            m_context.out().flush();
        });
    }
    ~TScriptRun() override
    {
        if (App().prompter() == m_prompter.get())
            App().setPrompter(nullptr);
    }

    void start()
    {
        m_page = new TCliPage(m_context.profile(), this);
        QPointer<TScriptRun> self(this);
        m_page->load(m_url, [self](const QString& error) {
            if (self)
                self->loaded(error);
        });
    }

private:
    static TTagFrame* findFrame(TTagFrame* frame, const QString& path)
    {
        if (frame->GetPath().compare(path, Qt::CaseInsensitive) == 0
            || frame->GetShortPath().compare(path, Qt::CaseInsensitive) == 0)
            return frame;
        for (const auto& child : frame->ChildFrames())
            if (TTagFrame* found = findFrame(child.get(), path))
                return found;
        return nullptr;
    }

    void loaded(const QString& error)
    {
        TCalverdineDocument* model = m_page->model();
        if (!error.isEmpty() || !model) {
            m_context.err() << QStringLiteral("load error: %1: %2\n").arg(m_url, error);
            m_context.finish(1);
            return;
        }
        TTagFrame* frame = model->RootFrame();
        if (!m_framePath.isEmpty())
            frame = findFrame(frame, m_framePath);
        if (!frame || !frame->Document()) {
            m_context.err() << QStringLiteral("no frame %1 that the tool can reach\n").arg(m_framePath);
            m_context.finish(1);
            return;
        }
        m_document = frame->Document();
        m_executable = IsLocalURL(model->URL());
        next();
    }

    void next()
    {
        if (m_index >= m_steps.size()) {
            m_context.finish(m_failures > 0 ? 1 : 0);
            return;
        }
        const TScriptStep& step = m_steps.at(m_index++);
        QPointer<TScriptRun> self(this);
        auto answered = [self](const QString&, bool ok) {
            if (!self)
                return;
            if (!ok)
                ++self->m_failures;
            QTimer::singleShot(0, self, [self] {
                if (self)
                    self->next();
            });
        };
        auto variableLine = [self, name = step.name, answered](const QString& value, bool ok) {
            if (self)
                self->m_context.out() << name << '=' << value << '\n';
            answered(value, ok);
        };
        switch (step.kind) {
        case TScriptStep::Eval:
            m_executor.Execute(m_document, m_executable, step.name, answered);
            break;
        case TScriptStep::Call:
            m_executor.Call(m_document, m_executable, step.name, step.values, answered);
            break;
        case TScriptStep::Get:
            m_executor.GetVariableValue(m_document, step.name, variableLine);
            break;
        case TScriptStep::Set:
            if (!m_executable) {
                m_context.err() << QStringLiteral("unexecutable domain.\n");
                answered(QString(), false);
                break;
            }
            // After a failed assignment the line shows the value the variable kept.
            m_executor.SetVariableValue(m_document, m_executable, step.name, step.values.value(0),
                                        [self, name = step.name, variableLine](const QString& value, bool ok) {
                                            if (!self)
                                                return;
                                            if (ok)
                                                variableLine(value, ok);
                                            else
                                                self->m_executor.GetVariableValue(self->m_document, name,
                                                                                  [variableLine](const QString& kept, bool) {
                                                                                      variableLine(kept, false);
                                                                                  });
                                        });
            break;
        }
    }

    TCliContext& m_context;
    QString m_url;
    QString m_framePath;
    std::vector<TScriptStep> m_steps;
    size_t m_index = 0;
    int m_failures = 0;
    TMemo m_console;
    TScriptExecutor m_executor;
    std::unique_ptr<TScriptCliPrompter> m_prompter;
    QPointer<TCliPage> m_page;
    THtmlDocument* m_document = nullptr;
    bool m_executable = false;
};

const char* const kUsage = "usage: calverdine-cli script [--project FILE] [--frame PATH] URL [--eval CODE]... "
                           "[--call NAME ARG...]... [--get NAME]... [--set NAME=VALUE]...\n";

void startScript(const QStringList& arguments, TCliContext& context)
{
    QString project;
    QString frame;
    QString url;
    std::vector<TScriptStep> steps;
    bool ok = true;
    for (int i = 0; i < arguments.size() && ok; ++i) {
        const QString& a = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (a == QLatin1String("--project") || a == QLatin1String("--frame")) {
            ok = hasValue;
            if (ok)
                (a == QLatin1String("--project") ? project : frame) = arguments.at(++i);
        } else if (a == QLatin1String("--eval")) {
            ok = hasValue;
            if (ok)
                steps.push_back({ TScriptStep::Eval, arguments.at(++i), {} });
        } else if (a == QLatin1String("--get")) {
            ok = hasValue && IsScriptIdentifier(arguments.at(i + 1));
            if (ok)
                steps.push_back({ TScriptStep::Get, arguments.at(++i), {} });
        } else if (a == QLatin1String("--set")) {
            const QString pair = hasValue ? arguments.at(i + 1) : QString();
            const int eq = pair.indexOf(QLatin1Char('='));
            ok = eq > 0 && IsScriptIdentifier(pair.left(eq));
            if (ok) {
                ++i;
                steps.push_back({ TScriptStep::Set, pair.left(eq), { pair.mid(eq + 1) } });
            }
        } else if (a == QLatin1String("--call")) {
            ok = hasValue && IsScriptIdentifier(arguments.at(i + 1));
            if (ok) {
                TScriptStep step { TScriptStep::Call, arguments.at(++i), {} };
                while (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QLatin1String("--")))
                    step.values.append(arguments.at(++i));
                steps.push_back(step);
            }
        } else if (a.startsWith(QLatin1String("--")) || !url.isEmpty()) {
            ok = false;
        } else {
            url = a;
        }
    }
    if (!ok || url.isEmpty()) {
        context.err() << kUsage;
        context.finish(2);
        return;
    }
    if (!project.isEmpty() && !OpenCliProject(project, context))
        return;
    auto* run = new TScriptRun(context, url, frame, std::move(steps));
    run->start();
}

const TCliRegistration registration({
    QStringLiteral("script"),
    QStringLiteral("[--project FILE] [--frame PATH] URL [--eval CODE]... [--call NAME ARG...]... [--get NAME]... [--set NAME=VALUE]..."),
    QStringLiteral("loads the page headless, runs code, calls functions and reads or sets variables in it"),
    startScript,
});

}
