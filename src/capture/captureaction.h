#pragma once

#include "capture/savetocommand.h"
#include "core/eventbus.h"

#include <QString>

#include <memory>

class QAction;
class TTabView;

// The capture controller: renders the current tab's page (the visible part or the whole
// page with the project's margins) to the clipboard or to the next numbered file of the
// project's "Capture" folder, and repeats the last capture.
class TCaptureAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TCaptureAction(QObject* parent = nullptr);
    ~TCaptureAction() override;

    QString CaptureFolder() const { return m_captureFolder; }
    // "bmp", or "png" when the project's CaptureFileType is 1.
    QString FileExtension() const;
    int Area() const { return m_area; }
    TSaveToCommand* LastCommand() const { return m_lastCommand; }

    void CaptureToClipboard();
    void CaptureToFile();
    void RepeatCapture();

Q_SIGNALS:
    // A capture ended: its output was written (ok) or it failed (the message was logged).
    void captureFinished(bool ok, const QString& fileName);

private:
    void handleProjectOpened(int);
    void handleProjectClosed(int);
    void handleDisable(int);
    void handleTabActivated(int);
    void handleDocumentCompleted(int);
    void setActionStates();
    void run(TSaveToCommand* command);
    TSaveToFileCommand* fileCommand();

    QString m_captureFolder;
    int m_area = 1;
    std::unique_ptr<TSaveToClipboard> m_clipboard;
    std::unique_ptr<TSaveToFileBmp> m_fileBmp;
    std::unique_ptr<TSaveToFilePng> m_filePng;
    TSaveToCommand* m_lastCommand = nullptr;

    QAction* m_selectType = nullptr;
    QAction* m_toClipboard = nullptr;
    QAction* m_toFile = nullptr;
    QAction* m_history = nullptr;
};
