#include "core/projectdocument.h"

#include "core/error.h"
#include "core/safefile.h"

#include <sstream>

namespace projectxml {

pugi::xml_node child(pugi::xml_node parent, const char* name)
{
    pugi::xml_node node = parent.child(name);
    if (!node)
        node = parent.append_child(name);
    return node;
}

QString text(pugi::xml_node parent, const char* name)
{
    return QString::fromUtf8(child(parent, name).text().get());
}

void setText(pugi::xml_node parent, const char* name, const QString& value)
{
    pugi::xml_node node = child(parent, name);
    // Replace the whole content, so an element that held markup holds the value alone.
    while (pugi::xml_node c = node.first_child())
        node.remove_child(c);
    if (!value.isEmpty())
        node.text().set(value.toUtf8().constData());
}

int integer(pugi::xml_node parent, const char* name)
{
    const QString value = text(parent, name);
    bool ok = false;
    const int result = value.trimmed().toInt(&ok, 10);
    if (!ok)
        throw TError(QStringLiteral("'%1' is not a valid integer value").arg(value));
    return result;
}

void setInteger(pugi::xml_node parent, const char* name, int value)
{
    setText(parent, name, QString::number(value));
}

} // namespace projectxml

using namespace projectxml;

#define CV_INT_PROPERTY(Class, Name, node)                                                                             \
    int Class::Name() { return integer(node, #Name); }                                                                 \
    void Class::Set##Name(int value) { setInteger(node, #Name, value); }
#define CV_TEXT_PROPERTY(Class, Name, node)                                                                            \
    QString Class::Name() { return text(node, #Name); }                                                                \
    void Class::Set##Name(const QString& value) { setText(node, #Name, value); }

CV_INT_PROPERTY(TXMLScreenIdentifyURLType, ProtocolType, m_node)
CV_INT_PROPERTY(TXMLScreenIdentifyURLType, DomainName, m_node)
CV_INT_PROPERTY(TXMLScreenIdentifyURLType, PortNumber, m_node)
CV_INT_PROPERTY(TXMLScreenIdentifyURLType, DirectoryName, m_node)
CV_TEXT_PROPERTY(TXMLScreenIdentifyURLType, DirectoryNameTarget, m_node)
CV_INT_PROPERTY(TXMLScreenIdentifyURLType, FileName, m_node)
CV_INT_PROPERTY(TXMLScreenIdentifyURLType, FileExtension, m_node)
CV_TEXT_PROPERTY(TXMLScreenIdentifyURLType, QueryParameter, m_node)

CV_TEXT_PROPERTY(TXMLProjectType, Name, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, RootDirectory, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, HomePage, m_root)
CV_INT_PROPERTY(TXMLProjectType, ScreenIdentify, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, ScreenIdentifyHidden, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, ScreenIdentifyID, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, EncryptKey, m_root)
CV_INT_PROPERTY(TXMLProjectType, ViewAlert, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, HistorySaveNumber, m_root)
CV_INT_PROPERTY(TXMLProjectType, ProxyServer, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, ProxyServerAddress, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, ProxyServerPort, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, CaptureMarginWidth, m_root)
CV_TEXT_PROPERTY(TXMLProjectType, CaptureMarginHeight, m_root)
CV_INT_PROPERTY(TXMLProjectType, CaptureFileType, m_root)
CV_INT_PROPERTY(TXMLProjectType, OutputStatusText, m_root)
CV_INT_PROPERTY(TXMLProjectType, OutputWarning, m_root)

#undef CV_INT_PROPERTY
#undef CV_TEXT_PROPERTY

TXMLScreenIdentifyURLType TXMLProjectType::ScreenIdentifyURL()
{
    return TXMLScreenIdentifyURLType(child(m_root, "ScreenIdentifyURL"));
}

std::unique_ptr<TXMLProjectType> TXMLProjectType::NewProjectDocument()
{
    std::unique_ptr<TXMLProjectType> p(new TXMLProjectType());
    p->m_root = p->m_doc.append_child("Project");
    return p;
}

std::unique_ptr<TXMLProjectType> TXMLProjectType::FromXmlText(const QByteArray& xml)
{
    std::unique_ptr<TXMLProjectType> p(new TXMLProjectType());
    // A value of blanks alone is a value too, and comments among the settings are kept.
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments
        | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_result r = p->m_doc.load_buffer(xml.constData(), size_t(xml.size()), options,
                                                          pugi::encoding_auto);
    if (!r)
        throw TError(QStringLiteral("XML error: %1 (offset %2)").arg(QString::fromUtf8(r.description())).arg(r.offset));
    p->m_root = p->m_doc.document_element();
    if (!p->m_root || QLatin1String(p->m_root.name()) != QLatin1String("Project"))
        throw TError(QStringLiteral("the root element is not \"Project\""));
    return p;
}

std::unique_ptr<TXMLProjectType> TXMLProjectType::LoadProjectDocument(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!safefile::read(path, &bytes, &error))
        throw TError(error); // the reason names the file
    std::unique_ptr<TXMLProjectType> p = FromXmlText(bytes);
    p->m_fileName = path;
    return p;
}

void TXMLProjectType::ApplyNewProjectValues(const QString& name, const QString& homeDirectory)
{
    SetName(name);
    SetRootDirectory(homeDirectory + QLatin1Char('/') + name);
    SetHomePage(QStringLiteral("about:blank"));
    SetScreenIdentify(1);
    TXMLScreenIdentifyURLType url = ScreenIdentifyURL();
    url.SetProtocolType(0);
    url.SetDomainName(1);
    url.SetPortNumber(0);
    url.SetDirectoryName(1);
    url.SetDirectoryNameTarget(QStringLiteral("1,2,3,4,5,6,7,8,9"));
    url.SetFileName(1);
    url.SetFileExtension(0);
    SetViewAlert(1);
    SetProxyServer(0);
    SetCaptureMarginWidth(QStringLiteral("0"));
    SetCaptureMarginHeight(QStringLiteral("0"));
    SetCaptureFileType(0);
    SetOutputStatusText(0);
    SetOutputWarning(0);
}

QByteArray TXMLProjectType::ProjectXmlText() const
{
    std::ostringstream out;
    m_root.print(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string s = out.str();
    return QByteArray(s.data(), qsizetype(s.size()));
}
