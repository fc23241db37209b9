#include "app/cli/clicommand.h"
#include "app/cli/clipage.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/memo.h"
#include "core/prompter.h"
#include "document/calverdinedocument.h"
#include "formdata/dataactioncommand.h"
#include "formdata/formdatamanager.h"
#include "formdata/liverefresh.h"
#include "crypto/masterpassword.h"
#include "formdefine/formdefinemanager.h"

#include <QPointer>

#include <memory>

namespace {


enum class TKind { Save, Compare, Input };

// One run of save, compare or input: open the project, load the page, read or write it
// once, then answer.
class TFormDataRun final : public QObject {
public:
    TFormDataRun(TCliContext& context, TKind kind) : QObject(&context.scope()), m_context(context), m_kind(kind)
    {
        m_prompter = std::make_unique<TCliPrompter>(context.err());
        App().setPrompter(m_prompter.get());
    }
    ~TFormDataRun() override
    {
        if (App().prompter() == m_prompter.get())
            App().setPrompter(nullptr);
    }

    QString name;
    bool hidden = false;
    int dataId = 0;

    void start(const QString& url)
    {
        m_page = new TCliPage(m_context.profile(), this);
        m_page->setTimeoutExitStatus(2);
        QPointer<TFormDataRun> self(this);
        m_page->load(url, [self, url](const QString& error) {
            if (!self)
                return;
            if (!error.isEmpty() || !self->m_page->model()) {
                self->fail(QStringLiteral("load error: %1: %2").arg(url, error));
                return;
            }
            try {
                self->loaded(*self->m_page->model());
            } catch (...) {
                self->fail(CurrentExceptionMessage());
            }
        });
    }

private:
    void loaded(TCalverdineDocument& document)
    {
        TFormDataManager& manager = App().service<TFormDataManager>();
        // The types written beside the values are those of this page.
        manager.setFileCommand(std::make_unique<TFormDataFileCommand>([&document](const QString& path) {
            const TTagFormPart* part = document.FormParts().find(path);
            return part ? part->GetType() : QString();
        }));
        manager.setIncludeHidden(hidden);
        const QString screenId = document.ScreenID();
        // The screen's index is read; only the data file of the set asked for is opened.
        manager.dataList(screenId);
        m_prompter->errors = 0;

        if (m_kind == TKind::Input) {
            const TFormValueList values = manager.loadValues(screenId, dataId);
            TDataActionCommand::inputValues(values, document);
            afterRefresh(document, [this, &document, values] {
                // Password fields show in their stored form; the master password is asked once.
                TMasterPassword::TActionScope oneQuestion;
                for (int i = 0; i < values.count(); ++i)
                    m_context.out() << values.name(i) << '=' << document.GetValue(values.name(i)) << '\n';
                end(0);
            });
            return;
        }
        if (m_kind == TKind::Compare) {
            const TFormValueList values = manager.loadValues(screenId, dataId);
            const QString dataName = manager.dataName(screenId, dataId);
            afterRefresh(document, [this, &document, values, screenId, dataName] {
                TMemo report;
                TDataActionCommand command;
                const bool allEqual = command.compare(screenId, dataName, values, document, report,
                                                      &App().service<TFormDefineManager>());
                for (const QString& line : report.lines())
                    m_context.out() << line << '\n';
                end(allEqual ? 0 : 1);
            });
            return;
        }
        afterRefresh(document, [this, &document, screenId] {
            TFormDataManager& manager = App().service<TFormDataManager>();
            bool written = false;
            // The name goes into the index line with the set: a saved set always prints its ID.
            const int id = manager.save(screenId, *document.RootFrame(), 0, &written, name);
            if (!written) {
                fail(QStringLiteral("the data file could not be written"));
                return;
            }
            m_context.out() << id << '\n';
            end(0);
        });
    }

    // Reads the live values of the page once, then goes on.
    void afterRefresh(TCalverdineDocument& document, std::function<void()> next)
    {
        QPointer<TFormDataRun> self(this);
        RefreshLiveValues(document, this, nullptr, [self, next](const QString& error) {
            if (!self)
                return;
            if (!error.isEmpty()) {
                self->fail(error);
                return;
            }
            try {
                next();
            } catch (...) {
                self->fail(CurrentExceptionMessage());
            }
        });
    }

    void end(int exitCode)
    {
        // A data file that could not be read was reported: the answer is not to be trusted.
        m_context.finish(m_prompter->errors > 0 ? 2 : exitCode);
    }

    void fail(const QString& message)
    {
        m_context.err() << message << '\n';
        m_context.finish(2);
    }

    TCliContext& m_context;
    TKind m_kind;
    std::unique_ptr<TCliPrompter> m_prompter;
    QPointer<TCliPage> m_page;
};

void startRun(TKind kind, const QStringList& arguments, TCliContext& context)
{
    QStringList rest = arguments;
    bool ok = true;
    const QString project = TakeOption(rest, QStringLiteral("--project"), &ok);
    const QString name = kind == TKind::Save ? TakeOption(rest, QStringLiteral("--name"), &ok) : QString();
    const bool hidden = kind == TKind::Save && TakeSwitch(rest, QStringLiteral("--hidden"));
    const QString data = kind == TKind::Save ? QString() : TakeOption(rest, QStringLiteral("--data"), &ok);
    bool numeric = true;
    const int dataId = kind == TKind::Save ? 0 : data.toInt(&numeric);
    const bool unknownOption = std::any_of(rest.begin(), rest.end(), [](const QString& a) { return a.startsWith(QLatin1String("--")); });
    if (!ok || project.isEmpty() || rest.size() != 1 || unknownOption || !numeric) {
        const char* usage = kind == TKind::Save ? "save --project FILE [--name NAME] [--hidden] URL"
            : kind == TKind::Compare            ? "compare --project FILE --data ID URL"
                                                : "input --project FILE --data ID URL";
        context.err() << "usage: calverdine-cli " << usage << '\n';
        context.finish(2);
        return;
    }
    if (!OpenCliProject(project, context))
        return;
    auto* run = new TFormDataRun(context, kind);
    run->name = name;
    run->hidden = hidden;
    run->dataId = dataId;
    run->start(rest.first());
}

const TCliRegistration saveRegistration({
    QStringLiteral("save"),
    QStringLiteral("--project FILE [--name NAME] [--hidden] URL"),
    QStringLiteral("loads the page, saves its forms as a new data set of its screen and prints the data ID"),
    [](const QStringList& arguments, TCliContext& context) { startRun(TKind::Save, arguments, context); },
});

const TCliRegistration compareRegistration({
    QStringLiteral("compare"),
    QStringLiteral("--project FILE --data ID URL"),
    QStringLiteral("loads the page and prints the comparison with the data set; exit 0 all equal, 1 any differs, 2 error"),
    [](const QStringList& arguments, TCliContext& context) { startRun(TKind::Compare, arguments, context); },
});

const TCliRegistration inputRegistration({
    QStringLiteral("input"),
    QStringLiteral("--project FILE --data ID URL"),
    QStringLiteral("loads the page, writes the data set into it and prints the values the page now shows"),
    [](const QStringList& arguments, TCliContext& context) { startRun(TKind::Input, arguments, context); },
});

}
