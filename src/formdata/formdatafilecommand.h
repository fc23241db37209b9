#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class TFormDataInfoList;
class TFormDataPopupHistory;
class TFormDataStore;
class TFormValueList;

// The type text ("text", "password", "select"...) of the form part under a tag path in
// the current tab's document; empty when the document has no such part.
using TPartTypeLookup = std::function<QString(const QString& tagPath)>;
QString CurrentDocumentPartType(const QString& tagPath);

// All reading and writing of form data files: per screen an INI index (section "Info",
// data ID = data name, CP932) and per data set an XML data file (UTF-8, no declaration,
// no indentation: <FormData><FormDataItem key=".." atttype="..">value</FormDataItem>...).
class TFormDataFileCommand {
public:
    // Without a look-up the types come from the current tab's document.
    explicit TFormDataFileCommand(TPartTypeLookup typeLookup = {});
    virtual ~TFormDataFileCommand() = default;

    // Writes the index entry and the data file of one data set. The previous content of
    // either file stays under its ".bak" name while it is rewritten, and the file itself
    // is always either the old or the new content. A failed index write raises TError;
    // a failed data file write is reported to the user and returns false.
    virtual bool SaveData(const QString& screenId, int dataId, const QString& name, const TFormValueList& values);
    // Raise TError("file save error: " + index path) when the index cannot be written.
    virtual void SetDataName(const QString& screenId, int dataId, const QString& name);
    virtual void DeleteData(const QString& screenId, int dataId);
    // A missing data file leaves the list as it is; one that cannot be read or parsed
    // shows "ファイルが開けませんでした" and leaves the list empty.
    virtual void LoadValues(int dataId, TFormValueList& values);
    // Reads the screen's index and every data file it names into the infos and the store,
    // records each data set in the save history (when given) and raises FormDataNameModified.
    virtual void LoadIndex(const QString& screenId, TFormDataInfoList& infos, TFormDataStore& store,
                           TFormDataPopupHistory* saveHistory);

    // The byte form of a data file, and back; false for text that is not a data file.
    static QByteArray DataFileBytes(const TFormValueList& values, const TPartTypeLookup& typeLookup);
    static bool ParseDataFile(const QByteArray& bytes, TFormValueList& values);

private:
    TPartTypeLookup m_typeLookup;
};
