#include "enginetab.h"

#include "app/views/pageprinter.h"
#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "capture/fileaction.h"
#include "core/views/mainform.h"
#include "support/testhome.h"

#include <QFileInfo>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

namespace {

// Answers the print dialog with a PDF file instead of a printer.
class PdfPrinter : public TDialogPagePrinter {
public:
    PdfPrinter(QWidget* window, QString pdf) : TDialogPagePrinter(window), pdf(std::move(pdf)) {}
    QString pdf;

protected:
    bool askPrint(QPrinter& printer) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    }
};

class PrintCloseE2E : public TEngineWindowSuite {
protected:
    PrintCloseE2E()
    {
        auto printer = std::make_unique<PdfPrinter>(form, home.file(QStringLiteral("first.pdf")));
        this->printer = printer.get();
        App().bus().AddListener(std::make_unique<TFileAction>(std::move(printer)));
    }

    PdfPrinter* printer = nullptr;
};

// Closing the tab of a page that is being printed neither ends the program nor loses the
// print, and the next print is not refused as still running.
TEST_F(PrintCloseE2E, ClosingTheTabWhilePrintingLetsThePrintEnd)
{
    s_server->addPage(QStringLiteral("/pc/page.html"), TitledPage("printed"));
    ASSERT_TRUE(go(QStringLiteral("/pc/page.html")));
    ASSERT_TRUE(WaitUntil([&] { return Command("ActionFilePrint")->isEnabled(); }));
    QPointer<QObject> browser(dynamic_cast<TEngineBrowser*>(tabs->CurrentTabWindow()->Browser()));
    ASSERT_TRUE(browser);

    QSignalSpy finished(printer, &TDialogPagePrinter::printFinished);
    Command("ActionFilePrint")->trigger();
    Command("ActionTabClose")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return tabs->TabCount() == 0 && finished.count() == 1; }, 30000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_GT(QFileInfo(printer->pdf).size(), 500);
    EXPECT_TRUE(WaitUntil([&] {
        ProcessDeferredDeletes();
        return browser.isNull();
    })) << "the closed page goes once printed";

    App().tabs->OpenTab(s_server->urlText(QStringLiteral("/pc/page.html")));
    ASSERT_TRUE(WaitUntil([&] { return AllTabsReady(1) && Command("ActionFilePrint")->isEnabled(); }));
    printer->pdf = home.file(QStringLiteral("second.pdf"));
    Command("ActionFilePrint")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return finished.count() == 2; }, 30000));
    EXPECT_TRUE(finished.at(1).at(0).toBool());
    EXPECT_TRUE(LoggedErrors().isEmpty()) << LoggedErrors().join('\n').toStdString();
}

}

namespace {

// Closing the whole window while its page prints, then dropping the engine's profile, as
// the program does when it quits: the print ends into its file first and nothing aborts.
class PrintQuitE2E : public TEngineSuite {};

TEST_F(PrintQuitE2E, ClosingTheWindowWhilePrintingKeepsThePrint)
{
    TTestHome home;
    const QString pdf = home.file(QStringLiteral("quit.pdf"));
    auto profile = std::make_unique<TEngineProfile>();
    auto window = std::make_unique<TEngineWindow>(profile.get());
    auto printer = std::make_unique<PdfPrinter>(&window->form(), pdf);
    QSignalSpy finished(printer.get(), &TDialogPagePrinter::printFinished);
    App().bus().AddListener(std::make_unique<TFileAction>(std::move(printer)));
    window->openProject(home.path(), QString());
    s_server->addPage(QStringLiteral("/pq/page.html"), TitledPage("printed"));
    ASSERT_TRUE(window->go(s_server->urlText(QStringLiteral("/pq/page.html"))));
    ASSERT_TRUE(WaitUntil([&] { return Command("ActionFilePrint")->isEnabled(); }));

    // The program's main loop ends right after the print starts; the window goes afterwards.
    QTimer::singleShot(0, [] {
        Command("ActionFilePrint")->trigger();
        QCoreApplication::exit(0);
    });
    QCoreApplication::exec();
    window.reset();
    profile.reset();
    ASSERT_EQ(finished.count(), 1) << "the print ended before the window went";
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_GT(QFileInfo(pdf).size(), 500);
    EXPECT_TRUE(LoggedErrors().isEmpty()) << LoggedErrors().join('\n').toStdString();
}

}
