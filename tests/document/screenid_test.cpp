#include "core/appcontext.h"
#include "core/tickcount.h"
#include "document/calverdinedocument.h"
#include "document/localhost.h"
#include "document/pagesnapshot.h"
#include "document/screenidparser.h"
#include "document/support/documenttesting.h"
#include "document/support/snapshotbuilder.h"
#include "document/urlextract.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* url;
    const char* protocol;
    const char* domain;
    const char* port;
    QStringList directories;
    const char* fileName;
    const char* extension;
    QStringList query; // "name=value"
};

class UrlSplitter : public ::testing::TestWithParam<SplitCase> {};

TEST_P(UrlSplitter, SplitsIntoItsParts)
{
    const SplitCase& c = GetParam();
    const TURLExtract parts(QString::fromUtf8(c.url));
    EXPECT_EQ(parts.Protocol, c.protocol);
    EXPECT_EQ(parts.Domain, c.domain);
    EXPECT_EQ(parts.Port, c.port);
    EXPECT_EQ(parts.Directories, c.directories);
    EXPECT_EQ(parts.FileName, c.fileName);
    EXPECT_EQ(parts.Extension, c.extension);
    QStringList query;
    for (const TQueryParameter& p : parts.QueryParameters)
        query.append(p.Name + "=" + p.Value);
    EXPECT_EQ(query, c.query);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, UrlSplitter,
    ::testing::Values(
        SplitCase { "http://host:8080/app/user/edit.jsp?id=5&mode", "http", "host", "8080", { "app", "user" }, "edit",
                    "jsp", { "id=5" } },
        SplitCase { R"(file://C:\dir\a.html)", "file", "C", "", { "dir" }, "a", "html", {} },
        SplitCase { "file:///C:/dir/a.html", "file", "C", "/dir/a.html", {}, "", "", {} },
        SplitCase { "http://h/a//b/c.x.y?p=1=2&q=&r", "http", "h", "", { "a", "", "b" }, "c.x", "y", { "p=1=2", "q=" } },
        SplitCase { "http://h/page#frag", "http", "h", "", {}, "page#frag", "", {} },
        SplitCase { "http://h/p.html?a=1#top", "http", "h", "", {}, "p", "html", { "a=1#top" } },
        SplitCase { "http://h/dir/p?next=/x/y", "http", "h", "", { "dir", "p?next=", "x" }, "y", "", {} },
        SplitCase { "no scheme/at/all.txt", "", "no scheme", "", { "at" }, "all", "txt", {} },
        SplitCase { "", "", "", "", {}, "", "", {} }));

TScreenIDSettings urlRule()
{
    TScreenIDSettings s;
    s.protocolType = s.domainName = s.portNumber = s.fileName = s.fileExtension = true;
    s.directoryNameTarget = "2";
    s.queryParameter = "mode,id";
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
    const QString url = "http://host:8080/app/user/edit.jsp?id=5&mode";
    EXPECT_EQ(screenId(urlRule(), url), "http_host_8080_user_edit_jsp_5");

    TScreenIDSettings missing = urlRule();
    missing.queryParameter = "nothing";
    EXPECT_EQ(screenId(missing, url), "http_host_8080_user_edit_jsp_");

    TScreenIDSettings gap = urlRule();
    gap.directoryNameTarget = "7,1";
    EXPECT_EQ(screenId(gap, url), "http_host_8080__app_edit_jsp_5");

    TScreenIDSettings defaults; // a new project's settings
    EXPECT_EQ(screenId(defaults, url), "host_app_user_edit");
    EXPECT_EQ(screenId(defaults, "http://host/"), "host");
}

TEST(UrlRule, BadDirectoryEntriesAreSkippedNotFatal)
{
    TDocumentTestHome home;
    const std::pair<const char*, const char*> cases[] = {
        { "1,2,", "host_a_b_c" }, { "1,,2", "host_a_b_c" }, { "1,x,2", "host_a_b_c" },
        { "0,1,2", "host__a_b_c" }, { "x", "host_c" }, { "", "host_c" },
    };
    TScreenIDSettings s;
    for (const auto& [target, id] : cases) {
        s.directoryNameTarget = target;
        EXPECT_EQ(screenId(s, "http://host/a/b/c.html"), id) << target;
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

TEST(HiddenRule, TakesTheLastHiddenInputOfThatExactName)
{
    TDocumentTestHome home;
    SetTickCountSource([] { return 99u; });
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/a.html");
    const int f = top.form("f");
    top.input(f, "hidden", "SID", "wrong case");
    top.input(f, "hidden", "sid", "first");
    top.input(f, "text", "sid", "not hidden");
    top.input(top.form("g"), "hidden", "sid", "second");
    top.input(-1, "hidden", "sid", "outside any form");
    TScreenIDSettings s;
    s.rule = 2;
    s.hiddenName = "sid";
    TCalverdineDocument model("http://localhost/a.html");
    model.Parse(b.build(), s);
    EXPECT_EQ(model.ScreenID(), "second");

    s.hiddenName = "none";
    TCalverdineDocument unknown("http://localhost/a.html");
    unknown.Parse(b.build(), s);
    EXPECT_EQ(unknown.ScreenID(), "VOID_SID_99");
    EXPECT_EQ(unknown.ScreenID(), unknown.ScreenID());
}

TEST(IdRule, TakesTheTextOfTheElementInLeafDocuments)
{
    TDocumentTestHome home;
    TSnapshotBuilder b;
    auto& top = b.document("http://localhost/index.html");
    top.setId(top.element("DIV"), "screen", "top text");
    top.frame("IFRAME", "i", "i.html", 1);
    auto& inner = b.document("http://localhost/i.html");
    inner.setId(inner.element("H1"), "screen", "inner text");
    TScreenIDSettings s;
    s.rule = 3;
    s.elementId = "screen";
    TCalverdineDocument model("http://localhost/index.html");
    model.Parse(b.build(), s);
    // The top document has frames, so only the inline frame's document is checked.
    EXPECT_EQ(model.ScreenID(), "inner text");

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

TEST(LocalPages, TheDefaultListHoldsTheLoopbackNames)
{
    const TLocalHostList list;
    EXPECT_TRUE(list.contains("localhost"));
    EXPECT_TRUE(list.contains("127.0.0.1"));
    EXPECT_FALSE(list.contains("127.0.0.2"));
    EXPECT_FALSE(list.contains("C"));
}

} // namespace
