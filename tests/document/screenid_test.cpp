#include "core/appcontext.h"
#include "core/tickcount.h"
#include "document/localhost.h"
#include "document/screenidparser.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/urlextract.h"

#include <gtest/gtest.h>

namespace {

using HiddenRule = TPageTest;
using IdRule = TPageTest;

// Protocol, domain, port, directories, file name, extension and query of an address.
QString splitText(const QString& url)
{
    const TURLExtract parts(url);
    QString directories;
    for (const QString& directory : parts.Directories)
        directories += "/" + directory;
    QStringList query;
    for (const TQueryParameter& p : parts.QueryParameters)
        query.append(p.Name + "=" + p.Value);
    return QStringList({ parts.Protocol, parts.Domain, parts.Port, directories, parts.FileName, parts.Extension,
                         query.join("&") })
        .join(" | ");
}

TEST(UrlSplitter, SplitsIntoItsParts)
{
    const std::pair<const char*, const char*> cases[] = {
        { "http://host:8080/app/user/edit.jsp?id=5&mode", "http | host | 8080 | /app/user | edit | jsp | id=5" },
        { R"(file://C:\dir\a.html)", "file | C |  | /dir | a | html | " },
        { "file:///C:/dir/a.html", "file | C | /dir/a.html |  |  |  | " },
        { "http://h/a//b/c.x.y?p=1=2&q=&r", "http | h |  | /a//b | c.x | y | p=1=2&q=" },
        { "http://h/page#frag", "http | h |  |  | page#frag |  | " },
        { "http://h/p.html?a=1#top", "http | h |  |  | p | html | a=1#top" },
        { "http://h/dir/p?next=/x/y", "http | h |  | /dir/p?next=/x | y |  | " },
        { "no scheme/at/all.txt", " | no scheme |  | /at | all | txt | " },
        { "", " |  |  |  |  |  | " },
    };
    for (const auto& [url, parts] : cases)
        EXPECT_EQ(splitText(url), parts) << url;
}

// The address rule with every part chosen.
TScreenIDSettings urlRule(const char* directories, const char* query)
{
    TScreenIDSettings s;
    s.protocolType = s.domainName = s.portNumber = s.fileName = s.fileExtension = true;
    s.directoryNameTarget = directories;
    s.queryParameter = query;
    return s;
}

QString screenId(const TScreenIDSettings& settings, const QString& url)
{
    auto rule = CreateScreenIDParser(settings);
    rule->SetURL(url);
    return rule->GetScreenID();
}

TEST(UrlRule, JoinsTheChosenParts)
{
    TDocumentTestHome home;
    const QString edit = "http://host:8080/app/user/edit.jsp?id=5&mode";
    const TScreenIDSettings defaults; // a new project's settings
    TScreenIDSettings portOnly;
    portOnly.domainName = portOnly.portNumber = true;
    portOnly.directoryNameTarget = "";
    portOnly.fileName = false;
    const auto dirs = [](const char* target) {
        TScreenIDSettings s;
        s.directoryNameTarget = target;
        return s;
    };
    const QString abc = "http://host/a/b/c.html";
    const struct {
        const char* name;
        TScreenIDSettings settings;
        QString url;
        QString id;
    } rows[] = {
        { "every part", urlRule("2", "mode,id"), edit, "http_host_8080_user_edit_jsp_5" },
        { "a missing parameter leaves an empty part", urlRule("2", "nothing"), edit, "http_host_8080_user_edit_jsp_" },
        { "directories in list order", urlRule("7,1", "mode,id"), edit, "http_host_8080__app_edit_jsp_5" },
        { "a new project's settings", defaults, edit, "host_app_user_edit" },
        { "a new project's settings, no path", defaults, "http://host/", "host" },
        { "port switch on, address without a port", urlRule("2", ""), "http://host/app/user/edit.jsp",
          "http_host_user_edit_jsp" },
        { "port switch on, only the host", portOnly, "https://host/", "host" },
        { "port switch on, explicit port", portOnly, "https://host:443/", "host_443" },
        // Bad directory entries are skipped, not fatal.
        { "entry not a number", dirs("1,x,2"), abc, "host_a_b_c" },
        { "entry zero", dirs("0,1,2"), abc, "host__a_b_c" },
        { "no number at all", dirs("x"), abc, "host_c" },
        { "no entry", dirs(""), abc, "host_c" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(screenId(row.settings, row.url), row.id);
    }
}

TEST(UrlRule, ReadsTheProjectSettings)
{
    TDocumentTestHome home;
    TXMLProjectType* project = App().currentProject();
    project->ScreenIdentifyURL().SetPortNumber(1);
    project->ScreenIdentifyURL().SetDirectoryNameTarget("1");
    project->ScreenIdentifyURL().SetQueryParameter("id");
    SetTickCountSource([] { return 7u; });
    auto model = ParsePage("http://host:81/a/b/p.jsp?id=3", nullptr);
    EXPECT_EQ(model->ScreenID(), "host_81_a_p_3");

    App().setCurrentProject(nullptr);
    EXPECT_EQ(ParsePage("http://host:81/a/b/p.jsp?id=3", nullptr)->ScreenID(), "host_a_b_p");
}

TEST_F(HiddenRule, TakesTheLastHiddenInputOfThatExactName)
{
    SetTickCountSource([] { return 99u; });
    const int f = top.form("f");
    top.input(f, "hidden", "SID", "wrong case");
    top.input(f, "hidden", "sid", "first");
    top.input(f, "text", "sid", "not hidden");
    top.input(top.form("g"), "hidden", "sid", " second screen ");
    top.input(-1, "hidden", "sid", "outside any form");
    TScreenIDSettings s;
    s.rule = 2;
    s.hiddenName = "sid";
    EXPECT_EQ(parse(s)->ScreenID(), " second screen ") << "the value as it is, blanks too";
    s.hiddenName = "none";
    EXPECT_EQ(parse(s)->ScreenID(), "VOID_SID_99");
}

TEST_F(IdRule, TakesTheTextOfTheElementInLeafDocuments)
{
    top.setId(top.element("DIV"), "screen", "top text");
    top.frame("IFRAME", "i", "i.html", 1);
    auto& inner = builder.document("http://localhost/i.html");
    inner.setId(inner.element("H1"), "screen", "inner  text ");
    TScreenIDSettings s;
    s.rule = 3;
    s.elementId = "screen";
    // The top document has frames, so only the inline frame's document is checked.
    EXPECT_EQ(parse(s)->ScreenID(), "inner  text ");

    App().currentProject()->SetScreenIdentify(3);
    App().currentProject()->SetScreenIdentifyID("screen");
    EXPECT_EQ(SnapshotInnerTextIds(), QStringList({ "screen" }));
    App().currentProject()->SetScreenIdentify(1);
    EXPECT_TRUE(SnapshotInnerTextIds().isEmpty());
}

TEST(LocalPages, LoopbackOwnNamesAndFiles)
{
    TDocumentTestHome home;
    App().setService(std::make_shared<TLocalHostList>(QStringList({ "LOCALHOST", "127.0.0.1", "::1", "mybox" })));
    for (const char* url : { "http://localhost/a", "http://LOCALHOST:8080/a", "https://127.0.0.1/", "http://[::1]/",
                             "http://MyBox/x", "file:///home/user/page.html", "FILE://C:\\dir\\a.html" })
        EXPECT_TRUE(IsLocalURL(url)) << url;
    for (const char* url : { "http://127.0.0.2/", "http://example.com/", "http://localhost@example.com/",
                             "http://localhost:80@example.com/", "about:blank", "", "http://localhost.example.com/" })
        EXPECT_FALSE(IsLocalURL(url)) << url;
}

} // namespace
