#pragma once

#include "formdata/formdatafilecommand.h"
#include "formdata/formdatainfo.h"
#include "formdata/formdatastore.h"

#include <QHash>
#include <QString>

#include <memory>

class TTagBase;

// The data sets of every screen used in this run and their values; all file work goes
// through the file strategy. A process-wide service: App().service<TFormDataManager>().
class TFormDataManager {
public:
    TFormDataManager();
    ~TFormDataManager();

    // The screen's data sets; on the first request the screen's index is read (each data set
    // is recorded in the current tab's save history). Data files are read when used.
    TFormDataInfoList& dataList(const QString& screenId);
    bool exists(const QString& screenId, int dataId);
    QString dataName(const QString& screenId, int dataId);
    // Line breaks in the name become blanks.
    void changeName(const QString& screenId, int dataId, const QString& newName);
    void deleteData(const QString& screenId, int dataId);

    // Saves the values under the tag (a frame or a form) as the data set; a data ID the
    // screen does not have (0 among them) makes a new data set, named "New Data" unless a
    // name is given. Returns the data ID; *written is false when the data file could not be
    // written (already reported). Index failures raise TError. A new set that could not be
    // stored is not kept in the list.
    int save(const QString& screenId, const TTagBase& tag, int dataId, bool* written = nullptr,
             const QString& newName = QString());
    // The values of the data set, read again from its data file. Raises
    // TError("データは削除されています") when the data set is gone, and a TError naming
    // the file and the reason when its data file is missing or cannot be read.
    TFormValueList& loadValues(const QString& screenId, int dataId);

    TFormDataStore& store() { return m_store; }

    // Whether saves collect hidden inputs (ActionFormSaveHidden).
    bool includeHidden() const { return m_includeHidden; }
    void setIncludeHidden(bool include) { m_includeHidden = include; }

    // Forgets every screen and value loaded (another project was opened).
    void clear();

    TFormDataFileCommand& fileCommand();
    void setFileCommand(std::unique_ptr<TFormDataFileCommand> command) { m_fileCommand = std::move(command); }

private:
    TFormDataStore m_store;
    QHash<QString, std::shared_ptr<TFormDataInfoList>> m_screens; // case-folded screen ID
    std::unique_ptr<TFormDataFileCommand> m_fileCommand;
    bool m_includeHidden = false;
};

// "New Data"
QString NewDataName();
