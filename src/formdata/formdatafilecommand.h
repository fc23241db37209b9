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
// An item whose key or value holds a character XML 1.0 cannot (control characters, NUL,
// lone surrogates) carries escaped="1" and writes such characters as "\uXXXX" and a
// backslash as "\\"; all other items are written as they are.
class TFormDataFileCommand {
public:
    // Without a look-up the types come from the current tab's document.
    explicit TFormDataFileCommand(TPartTypeLookup typeLookup = {});
    virtual ~TFormDataFileCommand() = default;

    // Writes the data file, then the index entry of one data set, holding the data folder's
    // lock. The previous content of either file stays under its ".bak" name while it is
    // rewritten, and the file itself is always either the old or the new content. A failed
    // index write raises TError (a new data file is then removed again); a failed data file
    // write is reported to the user with the file and the reason, and returns false with
    // the index untouched.
    virtual bool SaveData(const QString& screenId, int dataId, const QString& name, const TFormValueList& values);
    // Raise TError("file save error: " + index path) when the index cannot be written.
    virtual void SetDataName(const QString& screenId, int dataId, const QString& name);
    virtual void DeleteData(const QString& screenId, int dataId);
    // Reads the data file into the list. A data file that is missing, not a regular file,
    // unreadable or not a data file raises TError("ファイルが開けませんでした: " + the file
    // and the reason) and leaves the list as it was.
    virtual void LoadValues(int dataId, TFormValueList& values);
    // Reads the screen's index into the infos, makes an empty store entry per data set,
    // records each in the save history (when given) and raises FormDataNameModified. No data
    // file is opened here.
    virtual void LoadIndex(const QString& screenId, TFormDataInfoList& infos, TFormDataStore& store,
                           TFormDataPopupHistory* saveHistory);

    // The byte form of a data file, and back; false for text that is not a data file.
    static QByteArray DataFileBytes(const TFormValueList& values, const TPartTypeLookup& typeLookup);
    static bool ParseDataFile(const QByteArray& bytes, TFormValueList& values);

private:
    TPartTypeLookup m_typeLookup;
};
