#include "app/views/pageprinter.h"

#include "core/appcontext.h"
#include "core/log.h"

#include <QEventLoop>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>

TDialogPagePrinter::TDialogPagePrinter(QWidget* window, QObject* parent)
    : QObject(parent), m_window(window), m_printer(QPrinter::HighResolution)
{
}

TDialogPagePrinter::~TDialogPagePrinter() = default;

bool TDialogPagePrinter::askPageSetup(QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, m_window);
    return dialog.exec() == QDialog::Accepted;
}

bool TDialogPagePrinter::askPrint(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_window);
    return dialog.exec() == QDialog::Accepted;
}

void TDialogPagePrinter::showPreview(QPrintPreviewDialog& dialog)
{
    dialog.exec();
}

void TDialogPagePrinter::PageSetup()
{
    askPageSetup(m_printer);
}

void TDialogPagePrinter::Print(TTabView& tab)
{
    // The printer is in use until the engine finished the last print.
    if (m_printing) {
        LogError(QStringLiteral("print error: the previous page is still being printed"));
        return;
    }
    if (!askPrint(m_printer))
        return;
    m_printing = true;
    QPointer<TDialogPagePrinter> self(this);
    tab.PrintPage(&m_printer, [self](bool ok) {
        if (!self)
            return;
        self->m_printing = false;
        if (!ok)
            LogError(QStringLiteral("print error: the page could not be printed"));
        Q_EMIT self->printFinished(ok);
    });
}

void TDialogPagePrinter::PrintPreview(TTabView& tab)
{
    if (m_printing) {
        LogError(QStringLiteral("print error: the previous page is still being printed"));
        return;
    }
    const int tabId = tab.TabId();
    QPrintPreviewDialog dialog(&m_printer, m_window);
    m_printing = true;
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [tabId](QPrinter* printer) {
        // The preview wants its pages drawn before this returns; the engine prints later.
        TTabView* current = App().tabs ? App().tabs->FindTab(tabId) : nullptr;
        if (!current)
            return;
        QEventLoop loop;
        bool finished = false;
        current->PrintPage(printer, [&](bool) {
            finished = true;
            loop.quit();
        });
        if (!finished)
            loop.exec();
    });
    showPreview(dialog);
    m_printing = false;
}
