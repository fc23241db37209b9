#include "enginetab.h"

#include "browser/engine/enginebrowser.h"
#include "browser/tabaction.h"
#include "capture/captureaction.h"
#include "core/commandlist.h"
#include "document/calverdinedocument.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>

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
class CaptureE2E : public TEngineWindowSuite {
protected:
    static void SetUpTestSuite()
    {
        TEngineSuite::SetUpTestSuite();
        s_server->addPage(QStringLiteral("/tall.html"), TallPage());
        s_server->addPage(QStringLiteral("/short.html"),
                          "<html><head><title>short</title></head><body style='margin:0;background:#0000ff'>"
                          "<div style='height:30px;background:#ff0000'></div></body></html>");
    }

    CaptureE2E()
    {
        auto capture = std::make_unique<TCaptureAction>();
        this->capture = capture.get();
        App().bus().AddListener(std::move(capture));
        QObject::connect(this->capture, &TCaptureAction::captureFinished, this->capture,
                         [this](bool ok, const QString& file) { finished.append({ ok, file }); });
    }

    void openProject(int marginWidth = 0, int marginHeight = 0)
    {
        TEngineWindowSuite::openProject(QString(), [&](TXMLProjectType& project) {
            project.SetCaptureMarginWidth(QString::number(marginWidth));
            project.SetCaptureMarginHeight(QString::number(marginHeight));
        });
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
        Command(command)->trigger();
        if (!WaitUntil([&] { return int(finished.size()) > before; }, 60000))
            return { false, QStringLiteral("timeout") };
        return finished.last();
    }

    void selectArea(int area)
    {
        QAction* select = Command("ActionCaptureSelectType");
        select->setData(area);
        select->trigger();
    }

    TCaptureAction* capture = nullptr;
    QList<std::pair<bool, QString>> finished;
};

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

// The commands follow the project, the tab and the last capture; the visible part goes to
// the clipboard as the viewport and replaces what the clipboard held; files are numbered per
// format, and a failed write is reported and keeps the earlier files.
TEST_F(CaptureE2E, ClipboardAndFileCapturesAndTheCommandsThatFollowTheProjectAndTheLastCapture)
{
    QAction* clip = Command("ActionCaptureClipboard");
    QAction* history = Command("ActionCaptureHistory");
    openProject(30, 50);
    EXPECT_FALSE(clip->isEnabled());
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    EXPECT_TRUE(clip->isEnabled());
    EXPECT_TRUE(Command("ActionCaptureFile")->isEnabled());
    EXPECT_FALSE(history->isEnabled()) << "nothing to repeat yet";
    QImage old(7, 7, QImage::Format_RGB32);
    old.fill(Qt::green);
    QGuiApplication::clipboard()->setImage(old);

    auto [ok, file] = trigger("ActionCaptureClipboard");
    ASSERT_TRUE(ok);
    EXPECT_TRUE(file.isEmpty());
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), browser()->size()); // no margins for the visible part
    EXPECT_TRUE(Near(image.pixel(5, 5), qRgb(255, 0, 0)));
    EXPECT_TRUE(Near(image.pixel(5, 100), qRgb(0, 0, 255)));
    EXPECT_TRUE(history->isEnabled());
    EXPECT_EQ(CommandHint(history), QStringLiteral("クリップボード(表示されている部分のみ)"));
    EXPECT_TRUE(QDir(capture->CaptureFolder()).entryList(QDir::Files).isEmpty());

    window.closeProject();
    EXPECT_FALSE(clip->isEnabled());
    EXPECT_FALSE(history->isEnabled());
    openProject();
    ASSERT_TRUE(go(QStringLiteral("/short.html")));
    EXPECT_TRUE(clip->isEnabled());
    EXPECT_FALSE(history->isEnabled()) << "closing the project forgot the last capture";
    EXPECT_EQ(capture->LastCommand(), nullptr);

    // Files of one screen in the capture folder (numbering itself has its unit test).
    const QDir folder(capture->CaptureFolder());
    const QString s = screenId();
    std::tie(ok, file) = trigger("ActionCaptureFile");
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(file).fileName(), s + "_001.bmp");
    // Repeating a file capture writes the next file, with the area of the last capture.
    selectArea(2);
    std::tie(ok, file) = trigger("ActionCaptureHistory");
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(file).fileName(), s + "_002.bmp");
    EXPECT_EQ(QImage(file).size(), browser()->size()) << "the repeat keeps the area of the capture it repeats";
    EXPECT_EQ(CommandHint(Command("ActionCaptureHistory")), QStringLiteral("ファイル(表示されている部分のみ)"));

    App().currentProject()->SetCaptureFileType(1);
    std::tie(ok, file) = trigger("ActionCaptureFile");
    ASSERT_TRUE(ok);
    EXPECT_EQ(QFileInfo(file).fileName(), s + "_001.png");
    const QByteArray first = FileBytes(file);
    EXPECT_TRUE(first.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8)));
    EXPECT_EQ(CommandHint(Command("ActionCaptureHistory")), QStringLiteral("ファイル(スクロール領域も含める)"));

    // Something that is not a file stands where the next capture goes.
    ASSERT_TRUE(folder.mkdir(s + "_002.png"));
    home.prompter().clear();
    std::tie(ok, file) = trigger("ActionCaptureFile");
    EXPECT_FALSE(ok);
    ASSERT_EQ(home.prompter().messages().size(), 1);
    EXPECT_TRUE(home.prompter().messages().first().contains(QStringLiteral("file save error: ") + file));
    EXPECT_EQ(FileBytes(folder.filePath(s + "_001.png")), first);
}

} // namespace
