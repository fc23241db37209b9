#include "core/error.h"
#include "core/projectdocument.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {
QStringList childNames(TXMLProjectType& p)
{
    QStringList names;
    for (pugi::xml_node n : p.root().children())
        names << QString::fromUtf8(n.name());
    return names;
}
} // namespace

// Files that cannot be read are checked through the open command (mainaction_test).
TEST(ProjectDocument, NewProjectWritesExactlyItsElementsInOrder)
{
    auto p = TXMLProjectType::NewProjectDocument();
    p->ApplyNewProjectValues("DefaultProject", "/home/u/Calverdine");
    EXPECT_EQ(childNames(*p),
              QStringList({ "Name", "RootDirectory", "HomePage", "ScreenIdentify", "ScreenIdentifyURL", "ViewAlert",
                            "ProxyServer", "CaptureMarginWidth", "CaptureMarginHeight", "CaptureFileType",
                            "OutputStatusText", "OutputWarning" }));
    EXPECT_EQ(p->RootDirectory(), QString("/home/u/Calverdine/DefaultProject"));
    const QByteArray xml = p->ProjectXmlText();
    EXPECT_TRUE(xml.startsWith("<Project>"));
    EXPECT_TRUE(xml.contains("<DirectoryNameTarget>1,2,3,4,5,6,7,8,9</DirectoryNameTarget>"));
}

TEST(ProjectDocument, ForeignElementsAndOrderSurviveARoundTrip)
{
    const QByteArray body = "<Project><HomePage>http://x/</HomePage><Extra a=\"1\"><Deep>keep</Deep></Extra>"
                            "<!-- note --><Name>日本語</Name><ScreenIdentify>2</ScreenIdentify>"
                            "<ScreenIdentifyHidden>  </ScreenIdentifyHidden></Project>";
    for (const QByteArray& declaration : { QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"), QByteArray() }) {
        SCOPED_TRACE(declaration.isEmpty() ? "without declaration" : "with declaration");
        auto p = TXMLProjectType::FromXmlText(declaration + body);
        EXPECT_EQ(p->Name(), QString("日本語"));
        EXPECT_EQ(p->ScreenIdentify(), 2);
        p->SetHomePage("about:blank");
        const QByteArray out = p->ProjectXmlText();
        EXPECT_FALSE(out.contains("<?xml"));
        auto back = TXMLProjectType::FromXmlText(out);
        EXPECT_EQ(childNames(*back),
                  QStringList({ "HomePage", "Extra", "", "Name", "ScreenIdentify", "ScreenIdentifyHidden" }));
        EXPECT_TRUE(out.contains("<Extra a=\"1\">"));
        EXPECT_TRUE(out.contains("<Deep>keep</Deep>"));
        EXPECT_TRUE(out.contains("<!-- note -->"));
        EXPECT_EQ(back->HomePage(), QString("about:blank"));
        EXPECT_EQ(back->ScreenIdentifyHidden(), QString("  ")); // blanks are a value, not layout
    }
}

TEST(ProjectDocument, MissingElementsAreCreatedLastWhenTouched)
{
    auto p = TXMLProjectType::FromXmlText("<Project><Name>a</Name></Project>");
    EXPECT_EQ(p->HistorySaveNumber(), QString());
    EXPECT_EQ(childNames(*p), QStringList({ "Name", "HistorySaveNumber" }));
    EXPECT_THROW(p->OutputWarning(), TError); // empty integer element
    p->SetCaptureMarginWidth("0");
    EXPECT_EQ(p->CaptureMarginWidth(), QString("0"));
}
