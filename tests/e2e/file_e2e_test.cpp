#include "enginetab.h"

#include "app/views/pageprinter.h"
#include "browser/engine/enginebrowser.h"
#include "browser/tabaction.h"
#include "capture/fileaction.h"
#include "core/views/mainform.h"

#include <QFile>
#include <QSignalSpy>
#include <QUrl>

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

// The main window with the tab and file controllers on the real engine.
class FileE2E : public TEngineWindowSuite {
protected:
    FileE2E()
    {
        auto printer = std::make_unique<PdfPagePrinter>(&window.form(), home.file(QStringLiteral("printed.pdf")));
        this->printer = printer.get();
        auto action = std::make_unique<TFileAction>(std::move(printer));
        file = action.get();
        App().bus().AddListener(std::move(action));
    }

    // The text of the current page.
    QString pageText()
    {
        auto* view = dynamic_cast<TEngineBrowser*>(tabs->CurrentTabWindow()->Browser());
        QString text;
        bool done = false;
        view->page()->toPlainText([&](const QString& t) { text = t; done = true; });
        WaitUntil([&] { return done; });
        return text;
    }

    TFileAction* file = nullptr;
    PdfPagePrinter* printer = nullptr;
};

// A served page is saved as a web archive that reloads with its text, printed to a PDF,
// and a local file opened in its place.
TEST_F(FileE2E, SaveAsPrintAndOpenOnTheCurrentTab)
{
    s_server->addPage(QStringLiteral("/page.html"),
                      "<html><head><title>served</title></head><body><p>Served words 4711</p></body></html>");
    ASSERT_TRUE(go("/page.html"));
    ASSERT_TRUE(WaitUntil([&] { return Command("ActionFileSaveAs")->isEnabled() && Command("ActionFilePrint")->isEnabled(); }));

    QSignalSpy finished(printer, &TDialogPagePrinter::printFinished);
    Command("ActionFilePrint")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return finished.count() > 0; }, 30000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    QFile pdf(home.file(QStringLiteral("printed.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
    EXPECT_GT(pdf.size(), 500);

    const QString archive = home.file(QStringLiteral("saved.mht"));
    home.prompter().files.push_back(archive);
    QSignalSpy saved(file, &TFileAction::pageSaved);
    Command("ActionFileSaveAs")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return saved.count() > 0; }, 30000));
    EXPECT_EQ(saved.at(0).at(1).toString(), QString());
    EXPECT_TRUE(FileBytes(archive).contains("Served words 4711"));
    // A file that cannot be written (its folder is a file) is reported, not taken as saved.
    const QString impossible = archive + QStringLiteral("/inside.htm");
    home.prompter().files.push_back(impossible);
    Command("ActionFileSaveAs")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return saved.count() > 1; }, 30000));
    EXPECT_FALSE(saved.at(1).at(1).toString().isEmpty());
    EXPECT_TRUE(LoggedErrors().join('\n').contains(impossible)) << LoggedErrors().join('\n').toStdString();
    ASSERT_TRUE(window.go(QUrl::fromLocalFile(archive).toString()));
    EXPECT_TRUE(pageText().contains(QStringLiteral("Served words 4711")));

    const QString path = home.file(QStringLiteral("local page.html"));
    ASSERT_TRUE(WriteFileBytes(path, "<html><head><title>local</title></head><body><p>Local words 0815</p></body></html>"));
    const int before = window.parseCount();
    home.prompter().files.push_back(path);
    Command("ActionFileOpen")->trigger();
    const QString url = QUrl::fromLocalFile(path).toString();
    ASSERT_TRUE(WaitUntil([&] { return window.parseCount() > before && App().tabs->CurrentTab()->GetUrl() == url; }))
        << App().tabs->CurrentTab()->GetUrl().toStdString();
    EXPECT_EQ(App().tabs->TabCount(), 1);
    EXPECT_TRUE(pageText().contains(QStringLiteral("Local words 0815")));
}

} // namespace
