#pragma once

#include "core/eventbus.h"
#include "core/prompter.h"

#include <QString>

#include <memory>

class QAction;
class TXMLProjectType;

// Shows the project settings dialog on a project; the view implements it, tests fake it.
class TProjectSettingsEditor {
public:
    virtual ~TProjectSettingsEditor() = default;
    // True when the user confirmed and the settings were written into the project.
    virtual bool edit(TXMLProjectType& project) = 0;
};

// The project controller: new, open, save, save as, close, settings, reopen and exit,
// the known projects of CalverdineProjects.ini, and the states of the project commands.
class TMainAction final : public TActionCalverdine {
    Q_OBJECT
public:
    explicit TMainAction(std::unique_ptr<TProjectSettingsEditor> editor, QObject* parent = nullptr);
    ~TMainAction() override;

    // The commands.
    void New();
    void Open();
    void Save();
    void SaveAs();
    void Close();
    void Settings();
    void InternetOptions();
    void Exit();
    void Reopen(const QString& path);

    // The operations behind them. AskSaveIfUnsaved returns the answer, 0 when nothing was
    // asked, and Cancel when the user chose Yes but the project is still unsaved afterwards
    // (the save dialog was cancelled or the write failed); OpenProject and SaveProject report
    // their failure in a dialog and return false.
    int AskSaveIfUnsaved();
    void CloseProject();
    bool OpenProject(const QString& path);
    bool SaveProject(const QString& path);
    void RegisterProject(const QString& name, const QString& path);
    void RebuildKnownProjects();
    void CheckKnownProject(const QString& path);

private:
    void handleFormActivated(int);
    void handleProjectNewed(int);
    void handleProjectOpened(int);
    void handleProjectSaved(int);
    void handleProjectClosed(int);
    void handleProjectModified(int);
    void handleTabWindowAdded(int);
    void handleTabWindowWasNothing(int);

    void connectCommand(const char* name, void (TMainAction::*method)());
    void setEnabled(const char* name, bool enabled);
    void projectStarted();
    void showProjectName();
    QString caption(const char* name) const;
    TPrompter::FileRequest projectFileRequest(const char* command) const;
    bool askOverwrite(const QString& chosen) const;

    std::unique_ptr<TProjectSettingsEditor> m_editor;
    // The current project was announced (ProjectNewed or ProjectOpened); the one made in
    // memory on a first run is not until the main window first becomes active.
    bool m_projectAnnounced = false;
};
