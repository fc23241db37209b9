#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class TCommandAbstract;
class TCommandAutoOperation;
class TOperationList;

// All reading and writing of operation files: the list file "OperationList.txt" (one
// decimal OperationID a line, CP932, CRLF) and one INI file "<OperationID>.ini" per
// operation, in the folder "OperationData" of the project's data directory. Every rewrite
// keeps the previous content as "<file>.<tick>.bak" until the new content is in place.
class TTestFileCommand {
public:
    // The folder of the operation files (the project's "OperationData").
    explicit TTestFileCommand(QString folder);
    virtual ~TTestFileCommand() = default;

    // The current project's folder; raises TError when no project is open.
    static QString CurrentFolder();

    const QString& folder() const { return m_folder; }
    const QString& listFileName() const { return m_listFileName; }
    QString operationFileName(int operationId) const;

    // Empties the list and reads every operation the list file names, in its order; an
    // operation whose file cannot be read is left out. A missing list file is created empty.
    virtual void LoadOperations(TOperationList& operations);
    // Writes the operation's file, then (only if that succeeded) appends it to the list file;
    // a new file whose list line could not be written is removed again.
    virtual bool AddOperation(const TCommandAutoOperation& operation);
    // Rewrites the operation's file only.
    virtual bool SaveOperation(const TCommandAutoOperation& operation);
    // Removes the line from the list file, then (only if that succeeded) deletes the file.
    // Both change the list under the lock of the project's data folder.
    virtual bool DeleteOperation(const QString& operationId);

    // The stored form of one operation, and back. Reading fills an operation whose ID is
    // set; a command text of unknown kind is left out with a warning.
    static QByteArray OperationFileBytes(const TCommandAutoOperation& operation);
    static void ParseOperationFile(const QByteArray& bytes, TCommandAutoOperation& operation);
    // The command a stored text stands for; none for an unknown kind.
    static std::unique_ptr<TCommandAbstract> ParseCommand(const QString& text, const QString& targetScreenId);

private:
    bool writeOperation(const TCommandAutoOperation& operation);
    bool readOperation(TCommandAutoOperation& operation);
    bool readList(QStringList* lines);
    // Writes the lines with a backup; reports "file save error: " with the path on failure.
    bool saveLines(const QString& path, const QStringList& lines);
    bool saveBytes(const QString& path, const QByteArray& bytes);

    QString m_folder;
    QString m_listFileName;
};
