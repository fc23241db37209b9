#include "enginetab.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace {

class CliCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_server = new THttpServer();
        ASSERT_TRUE(s_server->start());
        QByteArray tall = "<html><head><style>html{background:#808080}body{margin:0;width:500px}"
                          "#h{position:fixed;top:0;left:0;width:500px;height:40px;background:#000}"
                          "div.b{height:1000px}</style></head><body><div id=h></div>";
        for (int i = 0; i < 12; ++i)
            tall += i % 2 ? "<div class=b style='background:#ff0000'></div>" : "<div class=b style='background:#0000ff'></div>";
        s_server->addPage(QStringLiteral("/tall.html"), tall + "</body></html>");
    }
    static void TearDownTestSuite() { delete s_server; }

    QString url() const { return s_server->urlText(QStringLiteral("/tall.html")); }

    QTemporaryDir dir;
    static THttpServer* s_server;
};

THttpServer* CliCapture::s_server = nullptr;

TEST_F(CliCapture, VisibleAreaOfTheGivenSizeInTheFormatOfTheExtension)
{
    struct Case {
        const char* name;
        QStringList options;
        const char* file;
        QSize size;
        QByteArray magic;
    };
    const Case cases[] = {
        { "DefaultSizeBmp", {}, "a.bmp", { 1280, 800 }, "BM" },
        { "GivenSizePng", { "--size", "640x480" }, "b.PNG", { 640, 480 }, "\x89PNG" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QString::fromLatin1(c.file));
        const TCliRun result = RunCli(QStringList { "capture" } + c.options + QStringList { url(), file });
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.read(c.magic.size()), c.magic);
        const QImage image(file);
        EXPECT_EQ(image.size(), c.size);
        EXPECT_EQ(image.pixel(100, 10), qRgb(0, 0, 0)) << "the fixed header";
    }
}

TEST_F(CliCapture, FullPageWithTheProjectsMargins)
{
    const QString projectFile = WriteNewProject(dir.path(), "P", [](TXMLProjectType& project) {
        project.SetCaptureMarginWidth(QStringLiteral("20"));
        project.SetCaptureMarginHeight(QStringLiteral("60"));
    });
    ASSERT_FALSE(projectFile.isEmpty());
    const QString file = dir.filePath("full.png");
    const TCliRun result = RunCli({ "capture", "--project", projectFile, "--full", "--size", "800x600", url(), file });
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QImage image(file);
    ASSERT_EQ(image.height(), 12000 + 60);
    // The page's width is the view's less its vertical scroll bar, if the engine shows one.
    EXPECT_LE(image.width(), 800 + 20);
    EXPECT_GE(image.width(), 780 + 20);
    // The stitching of the whole page is the window's, checked band by band there.
    EXPECT_EQ(image.pixel(100, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 11 * 1000 + 5), qRgb(255, 0, 0)) << "no repeated header on the last band";
    EXPECT_EQ(image.pixel(100, image.height() - 5), qRgb(0x80, 0x80, 0x80));
}

TEST_F(CliCapture, ExitStatusOfFailures)
{
    struct Case {
        const char* name;
        QStringList arguments;
        int exitCode;
        const char* message;
    };
    const QString out = dir.filePath("x.bmp");
    const Case cases[] = {
        { "PageDidNotLoad", { "capture", s_server->urlText(QStringLiteral("/missing.html")).replace("127.0.0.1", "127.0.0.3"), out }, 1, "load error" },
        { "UnknownFormat", { "capture", url(), dir.filePath("x.jpg") }, 2, ".bmp or .png" },
        { "BadSize", { "capture", "--size", "0x10", url(), out }, 2, "usage" },
        { "MissingFile", { "capture", url() }, 2, "usage" },
        { "UnwritableFile", { "capture", url(), dir.filePath("no/such/folder/x.bmp") }, 1, "file save error" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TCliRun result = RunCli(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
