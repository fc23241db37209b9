#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/engine/engineprofile.h"
#include "browser/tabaction.h"
#include "browser/views/tabwidgets.h"
#include "capture/captureaction.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/projectdocument.h"
#include "core/projectstate.h"
#include "core/views/mainform.h"
#include "document/calverdinedocument.h"
#include "support/httpserver.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kBands = 20;
constexpr int kBandHeight = 1000;
constexpr int kHeader = 40;

QRgb BandColour(int band)
{
    // Distinct, far from black (the header), white and the grey of the margins.
    return qRgb(40 + (band * 53) % 200, 200 - (band * 37) % 150, 30 + (band * 71) % 180);
}

QByteArray TallPage()
{
    QByteArray html = "<html><head><title>tall</title><style>"
                      "html{background:#808080}body{margin:0;width:600px}"
                      "#h{position:fixed;top:0;left:0;width:600px;height:40px;background:#000}"
                      ".b{height:1000px}</style></head><body><div id=h></div>";
    for (int i = 0; i < kBands; ++i)
        html += QStringLiteral("<div class=b style='background:%1'></div>").arg(QColor(BandColour(i)).name()).toUtf8();
    return html + "</body></html>";
}

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 3 && std::abs(qGreen(a) - qGreen(b)) <= 3 && std::abs(qBlue(a) - qBlue(b)) <= 3;
}

// The main window with the tab and capture controllers on the real engine, a project in a
// temporary home.
class CaptureE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_profile = new TEngineProfile();
        s_server = new THttpServer();
        ASSERT_TRUE(s_server->start());
        s_server->addPage(QStringLiteral("/tall.html"), TallPage());
        s_server->addPage(QStringLiteral("/short.html"),
                          "<html><head><title>short</title></head><body style='margin:0;background:#0000ff'>"
                          "<div style='height:30px;background:#ff0000'></div></body></html>");
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        delete s_profile;
        ProcessDeferredDeletes();
    }

    CaptureE2E()
    {
        form = std::make_unique<TMainForm>();
        form->resize(1200, 800);
        form->show();
        TEventBus& bus = App().bus();
        auto action = CreateTabAction(*form, s_profile);
        tabs = static_cast<TTabAction*>(action.get());
        bus.AddListener(std::move(action));
        auto capture = std::make_unique<TCaptureAction>();
        this->capture = capture.get();
        bus.AddListener(std::move(capture));
        bus.AddListener(std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> { TEvent::DocumentParseCompleted }));
        QObject::connect(this->capture, &TCaptureAction::captureFinished, this->capture,
                         [this](bool ok, const QString& file) { finished.append({ ok, file }); });
    }

    ~CaptureE2E() override
    {
        closeProject();
        form.reset();
        ProcessDeferredDeletes();
    }

    void openProject(int marginWidth = 0, int marginHeight = 0)
    {
        OpenE2EProject(home.path(), QString(), [&](TXMLProjectType& project) {
            project.SetCaptureMarginWidth(QString::number(marginWidth));
            project.SetCaptureMarginHeight(QString::number(marginHeight));
        });
    }

    void closeProject() { CloseE2EProject(); }

    bool go(const QString& path)
    {
        const int before = int(events->size());
        const QString url = s_server->urlText(path);
        App().tabs->NavigateCurrentTab(url);
        return WaitUntil([&] { return int(events->size()) > before && App().tabs->CurrentTab()->GetUrl() == url; });
    }

    TEngineBrowser* browser() const
    {
        return dynamic_cast<TEngineBrowser*>(static_cast<TTabWindow*>(App().tabs->CurrentTab())->Browser());
    }
    QString screenId() const { return App().tabs->CurrentTab()->GetDocumentModel()->ScreenID(); }

    // Triggers the command and waits for the capture to end; the result of that capture.
    std::pair<bool, QString> trigger(const char* command)
    {
        const int before = int(finished.size());
        App().commands().action(QString::fromLatin1(command))->trigger();
        if (!WaitUntil([&] { return int(finished.size()) > before; }, 60000))
            return { false, QStringLiteral("timeout") };
        return finished.last();
    }

    void selectArea(int area)
    {
        QAction* select = App().commands().action(QStringLiteral("ActionCaptureSelectType"));
        select->setData(area);
        select->trigger();
    }

    QVariant run(const QString& script)
    {
        QVariant result;
        bool done = false;
        browser()->page()->runJavaScript(script, [&](const QVariant& v) { result = v; done = true; });
        WaitUntil([&] { return done; });
        return result;
    }

    QAction* command(const char* name) const { return App().commands().action(QString::fromLatin1(name)); }

    TTestHome home;
    std::unique_ptr<TMainForm> form;
    TTabAction* tabs = nullptr;
    TCaptureAction* capture = nullptr;
    QList<std::pair<bool, QString>> finished;
    std::shared_ptr<QStringList> events = std::make_shared<QStringList>();
    static THttpServer* s_server;
    static TEngineProfile* s_profile;
};

THttpServer* CaptureE2E::s_server = nullptr;
TEngineProfile* CaptureE2E::s_profile = nullptr;

TEST_F(CaptureE2E, WholePageOfATallPageHasEveryBandOnceTheHeaderOnceAndTheMargins)
{
    openProject(30, 50);
    ASSERT_TRUE(go(QStringLiteral("/tall.html")));
    run(QStringLiteral("window.scrollTo(0, 5000)"));
    ASSERT_TRUE(WaitUntil([&] { return run(QStringLiteral("window.scrollY")).toInt() == 5000; }));
    const QSize before = browser()->size();

    selectArea(2);
    const auto [ok, file] = trigger("ActionCaptureFile");
    ASSERT_TRUE(ok) << file.toStdString();
    EXPECT_EQ(QFileInfo(file).fileName(), screenId() + QStringLiteral("_001.bmp"));
    EXPECT_EQ(QFileInfo(file).absolutePath(), QDir(capture->CaptureFolder()).absolutePath());

    QImage image(file, "BMP");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.height(), kBands * kBandHeight + 50);
    EXPECT_GE(image.width(), 600 + 30);
    // The fixed header is drawn once, at the top, over the first band.
    EXPECT_TRUE(Near(image.pixel(100, 10), qRgb(0, 0, 0)));
    for (int band = 0; band < kBands; ++band) {
        SCOPED_TRACE(band);
        const int top = band * kBandHeight;
        if (band > 0) {
            EXPECT_TRUE(Near(image.pixel(100, top + 5), BandColour(band))) << "a header repeated at the band's top";
        }
        EXPECT_TRUE(Near(image.pixel(100, top + kHeader + 10), BandColour(band)));
        EXPECT_TRUE(Near(image.pixel(100, top + kBandHeight - 5), BandColour(band)));
    }
    // Margins: beyond the page's content at the right and the bottom.
    EXPECT_TRUE(Near(image.pixel(image.width() - 5, 500), qRgb(0x80, 0x80, 0x80)));
    EXPECT_TRUE(Near(image.pixel(100, image.height() - 5), qRgb(0x80, 0x80, 0x80)));

    // The view is given back its size and the user's place in the page.
    EXPECT_EQ(browser()->size(), before);
    EXPECT_TRUE(WaitUntil([&] { return run(QStringLiteral("window.scrollY")).toInt() == 5000; }));
}

TEST_F(CaptureE2E, VisiblePartToTheClipboardIsTheViewportAndReplacesTheClipboard)
{
    openProject(30, 50);
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    QImage old(7, 7, QImage::Format_RGB32);
    old.fill(Qt::green);
    QGuiApplication::clipboard()->setImage(old);

    const auto [ok, file] = trigger("ActionCaptureClipboard");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(file.isEmpty());
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), browser()->size()); // no margins for the visible part
    EXPECT_TRUE(Near(image.pixel(5, 5), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(image.pixel(5, 100), qRgb(0, 0, 255)));
    EXPECT_EQ(CommandHint(command("ActionCaptureHistory")), QStringLiteral("クリップボード(表示されている部分のみ)"));
    EXPECT_TRUE(QDir(capture->CaptureFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(CaptureE2E, FilesAreNumberedAfterTheGreatestOfTheScreenAndTheChosenFormat)
{
    openProject();
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    const QString folder = capture->CaptureFolder();
    const QString s = screenId();
    for (const QString& name : QStringList { s + "_001.bmp", s + "_007.bmp", s + "_x.bmp", s + "_050.png" }) {
        QFile f(QDir(folder).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }

    auto [ok, file] = trigger("ActionCaptureFile");
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(file).fileName(), s + "_008.bmp");
    // Repeating a file capture writes the next file, with the area of the last capture.
    selectArea(2);
    std::tie(ok, file) = trigger("ActionCaptureHistory");
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(file).fileName(), s + "_009.bmp");
    EXPECT_EQ(QImage(file).size(), browser()->size()) << "the repeat keeps the area of the capture it repeats";
    EXPECT_EQ(CommandHint(command("ActionCaptureHistory")), QStringLiteral("ファイル(表示されている部分のみ)"));

    App().currentProject()->SetCaptureFileType(1);
    std::tie(ok, file) = trigger("ActionCaptureFile");
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(file).fileName(), s + "_051.png");
    QFile png(file);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_EQ(png.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(CommandHint(command("ActionCaptureHistory")), QStringLiteral("ファイル(スクロール領域も含める)"));
}

TEST_F(CaptureE2E, AFailedWriteIsReportedAndKeepsTheEarlierFiles)
{
    openProject();
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    const QDir folder(capture->CaptureFolder());
    auto [ok, file] = trigger("ActionCaptureFile");
    ASSERT_TRUE(ok);
    const QByteArray first = [&] { QFile f(file); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    // Something that is not a file stands where the next capture goes.
    ASSERT_TRUE(folder.mkdir(screenId() + "_002.bmp"));

    home.prompter().clear();
    std::tie(ok, file) = trigger("ActionCaptureFile");
    EXPECT_FALSE(ok);
    ASSERT_EQ(home.prompter().messages().size(), 1);
    EXPECT_TRUE(home.prompter().messages().first().contains(QStringLiteral("file save error: ") + file));
    QFile kept(folder.filePath(screenId() + "_001.bmp"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), first);
}

TEST_F(CaptureE2E, CommandsFollowTheProjectTheTabAndTheLastCapture)
{
    QAction* clip = command("ActionCaptureClipboard");
    QAction* file = command("ActionCaptureFile");
    QAction* history = command("ActionCaptureHistory");
    openProject();
    EXPECT_FALSE(clip->isEnabled());
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    EXPECT_TRUE(clip->isEnabled());
    EXPECT_TRUE(file->isEnabled());
    EXPECT_FALSE(history->isEnabled()) << "nothing to repeat yet";
    ASSERT_TRUE(trigger("ActionCaptureClipboard").first);
    EXPECT_TRUE(history->isEnabled());

    closeProject();
    EXPECT_FALSE(clip->isEnabled());
    EXPECT_FALSE(history->isEnabled());
    openProject();
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    EXPECT_TRUE(clip->isEnabled());
    EXPECT_FALSE(history->isEnabled()) << "closing the project forgot the last capture";
    EXPECT_EQ(capture->LastCommand(), nullptr);
}

} // namespace
