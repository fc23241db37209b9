#pragma once

#include "formdefine/formdefineeventhandler.h"
#include "formdefine/formdefinefilecommand.h"
#include "formdefine/formdefinerow.h"
#include "formdata/fieldaliases.h"

#include <QHash>
#include <QString>

#include <memory>

// The form definitions of every screen used in this run, loaded from their files on first
// request. A process-wide service: App().service<TFormDefineManager>().
class TFormDefineManager final : public TFieldAliases {
public:
    TFormDefineManager();
    ~TFormDefineManager();

    // The screen's definitions; loaded from its file on the first request.
    TFormDefineList& definitionList(const QString& screenId);
    // The row of the element; a new empty row (bound, not saved yet) when there is none.
    TFormDefineRow& definition(const QString& screenId, const QString& path);
    // The alias of the element, only when the screen's definitions are loaded already.
    QString field(const QString& screenId, const QString& path) const override;
    // Loads the screen's definitions (the aliases come with them).
    void loadScreen(const QString& screenId) override { definitionList(screenId); }
    // Removes the row and saves the screen's file.
    void deleteDefinition(const QString& screenId, const QString& path);

    // The screen's list when it is loaded, else none.
    TFormDefineList* loadedList(const QString& screenId) const;
    // Forgets every loaded screen (another project was opened).
    void clear();

    TFormDefineFileCommand& fileCommand();
    // Replaces the file strategy (tests); loaded screens are forgotten with the old one.
    void setFileCommand(std::unique_ptr<TFormDefineFileCommand> command);

private:
    struct Screen {
        TFormDefineList list;
        std::unique_ptr<TFormDefineEventHandler> handler;
    };

    QHash<QString, std::shared_ptr<Screen>> m_screens; // case-folded screen ID
    std::unique_ptr<TFormDefineFileCommand> m_fileCommand;
    // The list loadedList found last, under the screen ID it was asked with.
    mutable QString m_lastScreenId;
    mutable TFormDefineList* m_lastList = nullptr;
};
