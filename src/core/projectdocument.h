#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <memory>

class TXMLProjectType;

// The URL pattern of the screen identification rule: the child element ScreenIdentifyURL.
class TXMLScreenIdentifyURLType {
public:
    explicit TXMLScreenIdentifyURLType(pugi::xml_node node) : m_node(node) {}

    int ProtocolType();
    void SetProtocolType(int value);
    int DomainName();
    void SetDomainName(int value);
    int PortNumber();
    void SetPortNumber(int value);
    int DirectoryName();
    void SetDirectoryName(int value);
    QString DirectoryNameTarget();
    void SetDirectoryNameTarget(const QString& value);
    int FileName();
    void SetFileName(int value);
    int FileExtension();
    void SetFileExtension(int value);
    QString QueryParameter();
    void SetQueryParameter(const QString& value);

private:
    pugi::xml_node m_node;
};

// The project file in memory: a typed view over the XML document with root "Project".
// Reading or writing an element that does not exist creates it, empty, as the last child,
// so the element order of a file is the order in which elements were first touched.
// Elements the program does not know are kept and written back unchanged.
class TXMLProjectType {
public:
    // A new document with an empty root "Project".
    static std::unique_ptr<TXMLProjectType> NewProjectDocument();
    // Parses the file; raises TError when it is missing, unreadable or not a project file.
    static std::unique_ptr<TXMLProjectType> LoadProjectDocument(const QString& path);
    // Parses XML text; raises TError when it is not a project document.
    static std::unique_ptr<TXMLProjectType> FromXmlText(const QByteArray& xml);

    // Sets the values of a new project in their order (the element order of its file):
    // the data directory becomes homeDirectory + "/" + name.
    void ApplyNewProjectValues(const QString& name, const QString& homeDirectory);

    // The XML text of the Project element alone, UTF-8, without declaration.
    QByteArray ProjectXmlText() const;

    // The file the document was last read from or written to.
    const QString& fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    QString Name();
    void SetName(const QString& value);
    QString RootDirectory();
    void SetRootDirectory(const QString& value);
    QString HomePage();
    void SetHomePage(const QString& value);
    int ScreenIdentify();
    void SetScreenIdentify(int value);
    TXMLScreenIdentifyURLType ScreenIdentifyURL();
    QString ScreenIdentifyHidden();
    void SetScreenIdentifyHidden(const QString& value);
    QString ScreenIdentifyID();
    void SetScreenIdentifyID(const QString& value);
    QString EncryptKey();
    void SetEncryptKey(const QString& value);
    int ViewAlert();
    void SetViewAlert(int value);
    QString HistorySaveNumber();
    void SetHistorySaveNumber(const QString& value);
    int ProxyServer();
    void SetProxyServer(int value);
    QString ProxyServerAddress();
    void SetProxyServerAddress(const QString& value);
    QString ProxyServerPort();
    void SetProxyServerPort(const QString& value);
    QString CaptureMarginWidth();
    void SetCaptureMarginWidth(const QString& value);
    QString CaptureMarginHeight();
    void SetCaptureMarginHeight(const QString& value);
    int CaptureFileType();
    void SetCaptureFileType(int value);
    int OutputStatusText();
    void SetOutputStatusText(int value);
    int OutputWarning();
    void SetOutputWarning(int value);

    pugi::xml_node root() const { return m_root; }

private:
    TXMLProjectType() = default;

    pugi::xml_document m_doc;
    pugi::xml_node m_root;
    QString m_fileName;
};

namespace projectxml {
// Element access shared by the two views.
pugi::xml_node child(pugi::xml_node parent, const char* name);
QString text(pugi::xml_node parent, const char* name);
void setText(pugi::xml_node parent, const char* name, const QString& value);
// Raises TError when the text is empty or not a whole number.
int integer(pugi::xml_node parent, const char* name);
void setInteger(pugi::xml_node parent, const char* name, int value);
}
