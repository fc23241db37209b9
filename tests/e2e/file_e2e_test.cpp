#include "enginetab.h"

#include "app/views/pageprinter.h"
#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "capture/fileaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/views/mainform.h"
#include "support/httpserver.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Answers the print dialog with a PDF file instead of a printer.
class PdfPagePrinter : public TDialogPagePrinter {
public:
    PdfPagePrinter(QWidget* window, QString pdf) : TDialogPagePrinter(window), m_pdf(std::move(pdf)) {}

protected:
    bool askPrint(QPrinter& printer) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdf);
        return true;
    }

private:
    QString m_pdf;
};

QString Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The main window with the tab and file controllers on the real engine.
class FileE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_profile = new TEngineProfile();
        s_server = new THttpServer();
        ASSERT_TRUE(s_server->start());
        s_server->addPage(QStringLiteral("/page.html"),
                          "<html><head><title>served</title></head><body><p>Served words 4711</p></body></html>");
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        delete s_profile;
        ProcessDeferredDeletes();
    }

    FileE2E()
    {
        form = std::make_unique<TMainForm>();
        form->resize(1000, 700);
        form->show();
        TEventBus& bus = App().bus();
        bus.AddListener(CreateTabAction(*form, s_profile));
        auto printer = std::make_unique<PdfPagePrinter>(form.get(), home.file(QStringLiteral("printed.pdf")));
        this->printer = printer.get();
        auto action = std::make_unique<TFileAction>(std::move(printer));
        file = action.get();
        bus.AddListener(std::move(action));
        bus.AddListener(std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> { TEvent::DocumentParseCompleted }));
    }

    ~FileE2E() override
    {
        form.reset();
        ProcessDeferredDeletes();
    }

    bool go(const QString& url)
    {
        const int before = int(events->size());
        App().tabs->NavigateCurrentTab(url);
        return WaitUntil([&] { return int(events->size()) > before && App().tabs->CurrentTab()->GetUrl() == url; });
    }
    QAction* command(const char* name) const { return App().commands().action(QString::fromLatin1(name)); }
    // The text of the current page.
    QString pageText()
    {
        auto* tab = static_cast<TTabWindow*>(App().tabs->CurrentTab());
        auto* view = dynamic_cast<TEngineBrowser*>(tab->Browser());
        QString text;
        bool done = false;
        view->page()->toPlainText([&](const QString& t) { text = t; done = true; });
        WaitUntil([&] { return done; });
        return text;
    }

    TTestHome home;
    std::unique_ptr<TMainForm> form;
    TFileAction* file = nullptr;
    PdfPagePrinter* printer = nullptr;
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
    static THttpServer* s_server;
    static TEngineProfile* s_profile;
};

THttpServer* FileE2E::s_server = nullptr;
TEngineProfile* FileE2E::s_profile = nullptr;

TEST_F(FileE2E, OpenLoadsTheChosenFileInTheCurrentTabAndCancelLeavesThePage)
{
    const QString served = s_server->urlText(QStringLiteral("/page.html"));
    ASSERT_TRUE(go(served));
    ASSERT_TRUE(command("ActionFileOpen")->isEnabled());

    home.prompter().files.push_back(QString());
    command("ActionFileOpen")->trigger();
    EXPECT_EQ(App().tabs->CurrentTab()->GetUrl(), served);
    EXPECT_EQ(App().tabs->TabCount(), 1);

    const QString path = home.file(QStringLiteral("local page.html"));
    QFile local(path);
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.write("<html><head><title>local</title></head><body><p>Local words 0815</p></body></html>");
    local.close();
    const int before = int(events->size());
    home.prompter().files.push_back(path);
    command("ActionFileOpen")->trigger();
    const QString url = QUrl::fromLocalFile(path).toString();
    ASSERT_TRUE(WaitUntil([&] { return int(events->size()) > before && App().tabs->CurrentTab()->GetUrl() == url; }))
        << App().tabs->CurrentTab()->GetUrl().toStdString();
    EXPECT_EQ(App().tabs->TabCount(), 1);
    EXPECT_TRUE(pageText().contains(QStringLiteral("Local words 0815")));
}

TEST_F(FileE2E, SaveAsWebArchiveWritesAFileThatReloadsWithTheSameText)
{
    ASSERT_TRUE(go(s_server->urlText(QStringLiteral("/page.html"))));
    ASSERT_TRUE(WaitUntil([&] { return command("ActionFileSaveAs")->isEnabled(); }));
    const QString path = home.file(QStringLiteral("saved.mht"));
    home.prompter().files.push_back(path);
    QSignalSpy saved(file, &TFileAction::pageSaved);
    command("ActionFileSaveAs")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return saved.count() > 0; }, 30000));
    EXPECT_EQ(saved.at(0).at(1).toString(), QString());
    EXPECT_TRUE(Read(path).contains(QStringLiteral("Served words 4711")));

    ASSERT_TRUE(go(QUrl::fromLocalFile(path).toString()));
    EXPECT_TRUE(pageText().contains(QStringLiteral("Served words 4711")));
}

TEST_F(FileE2E, PrintThroughThePrintPathWritesAPdf)
{
    ASSERT_TRUE(go(s_server->urlText(QStringLiteral("/page.html"))));
    ASSERT_TRUE(WaitUntil([&] { return command("ActionFilePrint")->isEnabled(); }));
    QSignalSpy finished(printer, &TDialogPagePrinter::printFinished);
    command("ActionFilePrint")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return finished.count() > 0; }, 30000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    QFile pdf(home.file(QStringLiteral("printed.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
    EXPECT_GT(pdf.size(), 500);
}

} // namespace
