#pragma once

#include "core/eventbus.h"
#include "core/tabaccess.h"

#include <QString>

#include <memory>

class QAction;

// Page setup, printing and print preview of a page: the dialogs and the printer belong to
// the window; tests answer them.
class TPagePrinter {
public:
    virtual ~TPagePrinter() = default;
    virtual void PageSetup() = 0;
    virtual void Print(TTabView& tab) = 0;
    virtual void PrintPreview(TTabView& tab) = 0;
};

// The file controller: opens a local HTML file in the current tab, saves the current page
// as a file through the engine, and hands page setup, printing and print preview to the
// page printer.
class TFileAction final : public TActionCalverdine {
    Q_OBJECT
public:
    // The filters of the save dialog: the complete page (a file and a folder of its
    // resources) and the web archive (one MHTML file).
    static QString SaveFilter();
    // The format a chosen file name asks for: a web archive for ".mht" and ".mhtml", the
    // complete page otherwise.
    static TTabView::PageFileFormat FormatOfFile(const QString& path);

    // The printer may be none (printing commands then do nothing).
    explicit TFileAction(std::unique_ptr<TPagePrinter> printer, QObject* parent = nullptr);
    ~TFileAction() override;

    void OpenFile();
    void SaveAs();
    TPagePrinter* Printer() const { return m_printer.get(); }

Q_SIGNALS:
    // A save of the page ended: error is empty on success.
    void pageSaved(const QString& path, const QString& error);

private:
    void handleOff(int);
    void handleTabAdded(int);
    void handleTabActivated(int);
    void handleDocumentCompleted(int);
    void setFileCommands(bool on);

    std::unique_ptr<TPagePrinter> m_printer;
    QAction* m_open = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_config = nullptr;
    QAction* m_print = nullptr;
    QAction* m_preview = nullptr;
};
