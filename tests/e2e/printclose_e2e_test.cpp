#include "enginetab.h"

#include "app/views/pageprinter.h"
#include "browser/engine/enginebrowser.h"
#include "browser/tabaction.h"
#include "capture/fileaction.h"
#include "core/views/mainform.h"

#include <QFileInfo>
#include <QPointer>
#include <QSignalSpy>

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
