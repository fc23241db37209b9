#pragma once

#include "capture/fileaction.h"

#include <QObject>
#include <QPointer>
#include <QPrinter>
#include <QWidget>

class QPrintPreviewDialog;

// Page setup, printing and print preview with Qt's print dialogs. One printer keeps the
// page setup and the printer chosen last for the whole session.
class TDialogPagePrinter : public QObject, public TPagePrinter {
    Q_OBJECT
public:
    explicit TDialogPagePrinter(QWidget* window, QObject* parent = nullptr);
    ~TDialogPagePrinter() override;

    QPrinter& printer() { return m_printer; }
    bool printing() const { return m_printing; }

    void PageSetup() override;
    void Print(TTabView& tab) override;
    void PrintPreview(TTabView& tab) override;

Q_SIGNALS:
    // A print ended (the page reached the printer, or failed with a message in the log).
    void printFinished(bool ok);

protected:
    // The dialogs; false when the user cancels.
    virtual bool askPageSetup(QPrinter& printer);
    virtual bool askPrint(QPrinter& printer);
    virtual void showPreview(QPrintPreviewDialog& dialog);

private:
    QPointer<QWidget> m_window;
    QPrinter m_printer;
    bool m_printing = false;
};
