#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "core/textcodec.h"

#include <vector>

// The in-memory INI model every INI file of the system goes through: sections and keys
// keep their order, look-ups ignore letter case, sections and lines the program does not
// know are kept, lines a change does not touch keep their exact bytes, CRLF line ends. Text
// is CP932 whenever it can be written in CP932, otherwise UTF-8 with a byte order mark.
class TIniFile {
public:
    TIniFile() = default;
    explicit TIniFile(QString fileName) : m_fileName(std::move(fileName)) {}

    const QString& fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // Reads the file; a missing file reads as empty and succeeds.
    bool load(QString* error = nullptr);
    // Writes the whole file atomically (with a backup copy when asked).
    bool save(QString* error = nullptr, bool withBackup = false) const;

    void parse(const QByteArray& bytes);
    void parseText(const QString& text);
    QByteArray toBytes() const;
    QString toText() const;

    QStringList sectionNames() const;
    QStringList keyNames(const QString& section) const;
    bool sectionExists(const QString& section) const;
    bool keyExists(const QString& section, const QString& key) const;

    QString readString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // A value that is not a decimal integer reads as the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

    void deleteKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);
    void clear();

private:
    struct Line {
        QString key;   // empty for a line that is not "key=value"
        QString value; // the value, or the raw text of a line that is not "key=value"
        bool isPair = true;
        QByteArray raw; // the bytes read, without the line end; written back while clean
        bool clean = false;
        QString text() const { return isPair ? key + QLatin1Char('=') + value : value; }
    };
    struct Section {
        QString name;
        QByteArray rawHead; // the bytes of the section line as read
        bool headClean = false;
        std::vector<Line> lines;
        QHash<QString, int> index; // lower-case key -> position in lines
        // Keys written by hand as "Key = value" also answer to "Key"; the line stays as it is.
        QHash<QString, int> looseIndex;
        void reindex();
        void addPair(const QString& key, const QString& value);
        int find(const QString& key) const;
    };

    Section* section(const QString& name);
    const Section* section(const QString& name) const;
    Section& ensureSection(const QString& name);
    void parseLines(const QStringList& texts, const QList<QByteArray>& raws);

    QString m_fileName;
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // lower-case name -> position
    textcodec::Encoding m_encoding = textcodec::Encoding::Cp932; // of the raw bytes
};
