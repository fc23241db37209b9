#include "capture/captureaction.h"

#include "capture/capturefiles.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/log.h"
#include "core/projectdocument.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"

#include <QAction>
#include <QDir>
#include <QPointer>

namespace {

QString Caption(QAction* action, const char* fallback)
{
    return action ? action->text() : QString::fromUtf8(fallback);
}

int MarginOf(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

TCaptureAction::TCaptureAction(QObject* parent) : TActionCalverdine(parent)
{
    setObjectName(QStringLiteral("TCaptureAction"));
    TCommandList& commands = App().commands();
    const QString owner = objectName();
    m_selectType = commands.claim(QStringLiteral("ActionCaptureSelectType"), owner);
    m_toClipboard = commands.claim(QStringLiteral("ActionCaptureClipboard"), owner);
    m_toFile = commands.claim(QStringLiteral("ActionCaptureFile"), owner);
    m_history = commands.claim(QStringLiteral("ActionCaptureHistory"), owner);

    m_clipboard = std::make_unique<TSaveToClipboard>(Caption(m_toClipboard, "クリップボード(&C)"));
    m_fileBmp = std::make_unique<TSaveToFileBmp>(Caption(m_toFile, "ファイル(&F)"));
    m_filePng = std::make_unique<TSaveToFilePng>(Caption(m_toFile, "ファイル(&F)"));

    if (m_selectType) {
        m_selectType->setData(m_area);
        connect(m_selectType, &QAction::triggered, this, [this] {
            const int area = m_selectType->data().toInt();
            if (area == 1 || area == 2)
                m_area = area;
            m_selectType->setData(m_area);
        });
    }
    if (m_toClipboard)
        connect(m_toClipboard, &QAction::triggered, this, &TCaptureAction::CaptureToClipboard);
    if (m_toFile)
        connect(m_toFile, &QAction::triggered, this, &TCaptureAction::CaptureToFile);
    if (m_history)
        connect(m_history, &QAction::triggered, this, &TCaptureAction::RepeatCapture);
    for (QAction* a : { m_toClipboard, m_toFile, m_history }) {
        if (a)
            a->setEnabled(false);
    }
    if (m_history)
        SetCommandHint(m_history, QString());

    handle(TEvent::ProjectNewed, &TCaptureAction::handleProjectOpened);
    handle(TEvent::ProjectOpened, &TCaptureAction::handleProjectOpened);
    handle(TEvent::ProjectClosed, &TCaptureAction::handleProjectClosed);
    handle(TEvent::TabWindowAdded, &TCaptureAction::handleDisable);
    handle(TEvent::TabWindowWasNothing, &TCaptureAction::handleDisable);
    handle(TEvent::TabWindowActivated, &TCaptureAction::handleTabActivated);
    handle(TEvent::BrowserDocumentCompleted, &TCaptureAction::handleDocumentCompleted);
}

TCaptureAction::~TCaptureAction() = default;

QString TCaptureAction::FileExtension() const
{
    const TXMLProjectType* project = App().currentProject();
    return project && const_cast<TXMLProjectType*>(project)->CaptureFileType() == 1 ? QStringLiteral("png")
                                                                                      : QStringLiteral("bmp");
}

TSaveToFileCommand* TCaptureAction::fileCommand()
{
    if (FileExtension() == QLatin1String("png"))
        return m_filePng.get();
    return m_fileBmp.get();
}

void TCaptureAction::handleDisable(int)
{
    for (QAction* a : { m_toClipboard, m_toFile, m_history }) {
        if (a)
            a->setEnabled(false);
    }
}

void TCaptureAction::handleProjectOpened(int argument)
{
    handleDisable(argument);
    TXMLProjectType* project = App().currentProject();
    const QString root = project ? project->RootDirectory().trimmed() : QString();
    m_captureFolder = root.isEmpty() ? QString() : QDir(root).filePath(QStringLiteral("Capture"));
    if (!m_captureFolder.isEmpty() && !QDir(m_captureFolder).exists())
        QDir().mkdir(m_captureFolder);
}

void TCaptureAction::handleProjectClosed(int argument)
{
    handleDisable(argument);
    m_lastCommand = nullptr;
    if (m_history)
        SetCommandHint(m_history, QString());
}

void TCaptureAction::handleTabActivated(int)
{
    TTabView* tab = CurrentTabView();
    if (tab && tab->IsReady())
        setActionStates();
}

void TCaptureAction::handleDocumentCompleted(int)
{
    setActionStates();
}

void TCaptureAction::setActionStates()
{
    TTabView* tab = CurrentTabView();
    const bool capturable = App().currentProject() && tab && tab->IsHtmlDocument();
    if (m_toClipboard)
        m_toClipboard->setEnabled(capturable);
    if (m_toFile)
        m_toFile->setEnabled(capturable);
    if (m_history)
        m_history->setEnabled(capturable && m_lastCommand);
}

void TCaptureAction::CaptureToClipboard()
{
    m_clipboard->Area = m_area;
    run(m_clipboard.get());
}

void TCaptureAction::CaptureToFile()
{
    TSaveToFileCommand* command = fileCommand();
    command->Area = m_area;
    run(command);
}

void TCaptureAction::RepeatCapture()
{
    if (m_lastCommand)
        run(m_lastCommand);
}

void TCaptureAction::run(TSaveToCommand* command)
{
    TTabView* tab = CurrentTabView();
    TXMLProjectType* project = App().currentProject();
    if (!tab || !project)
        return;
    QString fileName;
    if (auto* file = dynamic_cast<TSaveToFileCommand*>(command)) {
        if (m_captureFolder.isEmpty()) {
            LogError(QStringLiteral("file save error: the project has no data directory for its captures"));
            return;
        }
        if (!QDir(m_captureFolder).exists())
            QDir().mkpath(m_captureFolder);
        const TCalverdineDocument* model = tab->GetDocumentModel();
        const QString extension = file == m_filePng.get() ? QStringLiteral("png") : QStringLiteral("bmp");
        file->FileName = NextCaptureFileName(m_captureFolder, model ? model->ScreenID() : QString(), extension);
        fileName = file->FileName;
    }
    m_lastCommand = command;
    if (m_history) {
        m_history->setEnabled(true);
        SetCommandHint(m_history, command->GetDescription());
    }
    const QSize margin(MarginOf(project->CaptureMarginWidth()), MarginOf(project->CaptureMarginHeight()));
    QPointer<TCaptureAction> self(this);
    tab->Capture(command->Area, margin, [self, command, fileName](const TCaptureImage& result) {
        if (!self)
            return;
        if (result.image.isNull()) {
            LogError(QStringLiteral("capture error: ") + result.error);
            Q_EMIT self->captureFinished(false, fileName);
            return;
        }
        if (!result.note.isEmpty())
            LogInfo(QStringLiteral("capture warning: ") + result.note);
        QString error;
        // The file command may have been given the next name meanwhile: write this one.
        bool ok = false;
        if (auto* file = dynamic_cast<TSaveToFileCommand*>(command)) {
            const QString next = file->FileName;
            file->FileName = fileName;
            ok = file->Output(result.image, &error);
            file->FileName = next;
        } else {
            ok = command->Output(result.image, &error);
        }
        if (!ok)
            LogError(error);
        Q_EMIT self->captureFinished(ok, fileName);
    });
}
