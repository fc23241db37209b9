#include "capture/fileaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/log.h"
#include "core/prompter.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString DocumentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

// The page's title as a file name: characters no file name may hold become "_".
QString FileNameOfTitle(const QString& title)
{
    QString name = title.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]")), QStringLiteral("_"));
    name = name.left(100).trimmed();
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("page") : name;
}

} // namespace

QString TFileAction::SaveFilter()
{
    return QStringLiteral("Webページ、完全|*.htm;*.html|Webアーカイブ、単一のファイル|*.mht;*.mhtml");
}

TTabView::PageFileFormat TFileAction::FormatOfFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mht") || suffix == QLatin1String("mhtml"))
        return TTabView::PageFileFormat::SingleFile;
    return TTabView::PageFileFormat::Complete;
}

TFileAction::TFileAction(std::unique_ptr<TPagePrinter> printer, QObject* parent)
    : TActionCalverdine(parent), m_printer(std::move(printer))
{
    setObjectName(QStringLiteral("TFileAction"));
    TCommandList& commands = App().commands();
    const QString owner = objectName();
    m_open = commands.claim(QStringLiteral("ActionFileOpen"), owner);
    m_saveAs = commands.claim(QStringLiteral("ActionFileSaveAs"), owner);
    m_config = commands.claim(QStringLiteral("ActionFileConfig"), owner);
    m_print = commands.claim(QStringLiteral("ActionFilePrint"), owner);
    m_preview = commands.claim(QStringLiteral("ActionFilePrintPreview"), owner);

    if (m_open)
        connect(m_open, &QAction::triggered, this, &TFileAction::OpenFile);
    if (m_saveAs)
        connect(m_saveAs, &QAction::triggered, this, &TFileAction::SaveAs);
    if (m_config)
        connect(m_config, &QAction::triggered, this, [this] {
            if (m_printer)
                m_printer->PageSetup();
        });
    if (m_print)
        connect(m_print, &QAction::triggered, this, [this] {
            TTabView* tab = CurrentTabView();
            if (m_printer && tab && tab->IsHtmlDocument())
                m_printer->Print(*tab);
        });
    if (m_preview)
        connect(m_preview, &QAction::triggered, this, [this] {
            TTabView* tab = CurrentTabView();
            if (m_printer && tab && tab->IsHtmlDocument())
                m_printer->PrintPreview(*tab);
        });
    setFileCommands(false);

    for (TEvent e : { TEvent::ProjectNewed, TEvent::ProjectOpened, TEvent::ProjectClosed, TEvent::TabWindowWasNothing })
        handle(e, &TFileAction::handleOff);
    handle(TEvent::TabWindowAdded, &TFileAction::handleTabAdded);
    handle(TEvent::TabWindowActivated, &TFileAction::handleTabActivated);
    handle(TEvent::BrowserDocumentCompleted, &TFileAction::handleDocumentCompleted);
}

TFileAction::~TFileAction() = default;

void TFileAction::setFileCommands(bool on)
{
    TTabView* tab = on ? CurrentTabView() : nullptr;
    SetCommandEnabled(m_open, on);
    SetCommandEnabled(m_saveAs, on && tab && tab->CanSavePage());
    const bool html = on && tab && tab->IsHtmlDocument();
    SetCommandEnabled(m_config, html);
    SetCommandEnabled(m_print, html);
    SetCommandEnabled(m_preview, html);
}

void TFileAction::handleOff(int)
{
    setFileCommands(false);
}

void TFileAction::handleTabAdded(int)
{
    setFileCommands(false);
    SetCommandEnabled(m_open, true);
}

void TFileAction::handleTabActivated(int)
{
    TTabView* tab = CurrentTabView();
    setFileCommands(tab && tab->NavigationState() >= 2);
}

void TFileAction::handleDocumentCompleted(int)
{
    setFileCommands(true);
}

void TFileAction::OpenFile()
{
    TPrompter* prompter = App().prompter();
    if (!prompter || !App().tabs)
        return;
    TPrompter::FileRequest request;
    request.title = m_open ? m_open->text() : QStringLiteral("開く(&O)...");
    request.filter = QStringLiteral("HTMLファイル|*.htm;*.html");
    request.directory = DocumentsFolder();
    const QString path = prompter->openFile(request);
    if (path.isEmpty())
        return;
    App().tabs->NavigateCurrentTab(QFileInfo(path).absoluteFilePath());
}

void TFileAction::SaveAs()
{
    TPrompter* prompter = App().prompter();
    TTabView* tab = CurrentTabView();
    if (!prompter || !tab || !tab->CanSavePage())
        return;
    const int tabId = tab->TabId();
    TPrompter::FileRequest request;
    request.title = m_saveAs ? m_saveAs->text() : QStringLiteral("名前をつけて保存(&A)...");
    request.filter = SaveFilter();
    request.directory = DocumentsFolder();
    request.fileName = FileNameOfTitle(tab->GetTitle()) + QStringLiteral(".htm");
    const QString path = prompter->saveFile(request);
    if (path.isEmpty())
        return;
    // The user may have closed the tab while the dialog was open.
    tab = App().tabs ? App().tabs->FindTab(tabId) : nullptr;
    if (!tab) {
        LogError(QStringLiteral("file save error: the tab was closed"));
        Q_EMIT pageSaved(path, QStringLiteral("the tab was closed"));
        return;
    }
    QPointer<TFileAction> self(this);
    tab->SavePage(path, FormatOfFile(path), [self, path](const QString& error) {
        if (!error.isEmpty())
            LogError(QStringLiteral("file save error: %1: %2").arg(path, error));
        if (self)
            Q_EMIT self->pageSaved(path, error);
    });
}
