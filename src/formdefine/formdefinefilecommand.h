#pragma once

#include "formdata/formdatafilecommand.h"

#include <QString>

class TFormDefineEventHandler;
class TFormDefineList;
class TFormDefineManager;

// The definition file of a screen: FormDefine/<screen ID>.ini, CP932, section "Info" with
// tag path = the row's comma text, then section "Type" with tag path = the element's type.
class TFormDefineFileCommand {
public:
    // Without a look-up the types come from the current tab's document.
    explicit TFormDefineFileCommand(TFormDefineManager& manager, TPartTypeLookup typeLookup = {});
    virtual ~TFormDefineFileCommand() = default;

    // Rewrites the whole file from the screen's loaded list (nothing when it is not loaded);
    // the previous file stays under its ".bak" name when the write fails (TError).
    virtual void SaveDefinitions(const QString& screenId);
    // Fills the list from the file (missing: nothing) and binds every row to the handler.
    virtual void LoadDefinitions(const QString& screenId, TFormDefineList& list, TFormDefineEventHandler* handler);

private:
    TFormDefineManager& m_manager;
    TPartTypeLookup m_typeLookup;
};
