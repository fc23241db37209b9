#include "app/views/controllers.h"
#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/consolememos.h"
#include "core/inifile.h"
#include "core/layoutsettings.h"
#include "core/log.h"
#include "core/memo.h"
#include "core/views/consolesplitter.h"
#include "core/views/mainform.h"
#include "core/views/screenshot.h"
#include "support/faketabs.h"
#include "core/projectdocument.h"
#include "support/recordinglistener.h"
#include "support/testhome.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSet>
#include <QSplitter>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

void writeIni(const QString& path, const QString& text)
{
    TIniFile ini;
    ini.parseText(text);
    ini.setFileName(path);
    ASSERT_TRUE(ini.save());
}

int splitterSize(TMainForm& form, int index)
{
    return form.findChild<QSplitter*>("SplitterMain")->sizes().at(index);
}

QAction* cmd(const char* name)
{
    return App().commands().action(QString::fromLatin1(name));
}

} // namespace

TEST(MainForm, PageContentReplacesThePlaceholderAndTheWindowOutlivesTheAppState)
{
    TTestHome home;
    TMainForm form;
    form.FormCreate(CreateControllers);
    auto* content = new QLabel("data panel");
    TMainForm::setPageContent(form.rightPage(1), content);
    EXPECT_EQ(form.rightPage(1)->layout()->itemAt(0)->widget(), content);
    EXPECT_EQ(form.rightPage(1)->layout()->count(), 1);
    ResetApp();
}

TEST(MainForm, ConsoleAndStatusBarShowWhatTheControllersKeep)
{
    TTestHome home;
    TFakeTabs tabs;
    TMainForm form;
    form.FormCreate(CreateControllers);
    App().tabs = &tabs;
    tabs.statusText = "http://127.0.0.1/link";
    App().bus().NotifyBrowserStatusTextChanged(1);
    EXPECT_EQ(form.statusLabel()->text(), QString("http://127.0.0.1/link"));
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &move);
    EXPECT_EQ(form.statusLabel()->text(), QString()) << "the pointer over the window itself";
    App().bus().NotifyBrowserStatusTextChanged(1);
    EXPECT_EQ(form.statusLabel()->text(), QString("http://127.0.0.1/link")) << "the same text reported again";

    LogInfo("hello");
    App().service<TConsoleMemos>().compare.appendLine("1 [比較結果 OK]");
    auto* log = form.consolePage(0)->findChild<QPlainTextEdit*>("MemoLog");
    auto* compare = form.consolePage(6)->findChild<QPlainTextEdit*>("MemoCompare");
    ASSERT_TRUE(log && compare);
    EXPECT_TRUE(log->toPlainText().endsWith(": hello"));
    EXPECT_EQ(compare->toPlainText(), QString("1 [比較結果 OK]"));
    App().bus().NotifyProjectClosed(0);
    EXPECT_EQ(log->toPlainText(), QString());

    form.showConsolePage(6);
    EXPECT_EQ(form.consolePanel()->currentIndex(), 6);
    EXPECT_EQ(App().service<TLayoutSettings>().pageIndex(TPanel::Console), 6);
}

TEST(MainForm, EachComparisonReportIsScrolledIntoViewAndTheLogStaysWhereTheUserScrolled)
{
    TTestHome home;
    TMainForm form;
    form.resize(1000, 800);
    form.show();
    form.showConsolePage(6);
    auto* compare = form.consolePage(6)->findChild<QPlainTextEdit*>("MemoCompare");
    form.showConsolePage(0);
    auto* log = form.consolePage(0)->findChild<QPlainTextEdit*>("MemoLog");
    ASSERT_TRUE(compare && log);
    TMemo& memo = App().service<TConsoleMemos>().compare;
    auto report = [&memo](int lines) {
        for (int i = 0; i < lines; ++i)
            memo.appendLine(QStringLiteral("line %1").arg(i));
        QCoreApplication::processEvents();
    };

    form.showConsolePage(6);
    report(200);
    EXPECT_EQ(compare->verticalScrollBar()->value(), 0) << "a first report is shown from its top";
    compare->verticalScrollBar()->setValue(10); // the user reads the first report
    report(300);
    EXPECT_EQ(compare->verticalScrollBar()->value(), 200) << "the next report from its first line";
    report(5);
    EXPECT_GE(compare->verticalScrollBar()->value(), 300);
    EXPECT_EQ(compare->verticalScrollBar()->value(), compare->verticalScrollBar()->maximum());

    form.showConsolePage(0);
    for (int i = 0; i < 300; ++i)
        LogInfo(QStringLiteral("log %1").arg(i));
    QCoreApplication::processEvents();
    log->verticalScrollBar()->setValue(10);
    LogInfo(QStringLiteral("later"));
    EXPECT_EQ(log->verticalScrollBar()->value(), 10) << "the log keeps the user's place";
}

// The share of the picture that is drawn (its total opacity).
double Coverage(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x)
            sum += qAlpha(argb.pixel(x, y));
    }
    return sum / 255.0;
}

// Commands of areas not built yet are disabled, and look it: greyed tool buttons, and menus
// whose items are all disabled disabled themselves.
TEST(MainForm, PlaceholderCommandsLookAsDisabledAsTheyAre)
{
    TTestHome home;
    TMainForm form;
    form.FormCreate(CreateControllers);
    form.show();
    QCoreApplication::processEvents();
    for (const char* name : { "ToolButtonFind", "ToolButtonJS", "ToolButtonCapture" }) {
        auto* button = form.toolBar()->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->isEnabled()) << name;
        const QSize size = form.toolBar()->iconSize();
        const QImage normal = button->icon().pixmap(size, QIcon::Normal).toImage();
        const QImage disabled = button->icon().pixmap(size, QIcon::Disabled).toImage();
        ASSERT_FALSE(normal.isNull()) << name;
        EXPECT_LT(Coverage(disabled), 0.5 * Coverage(normal)) << name << ": a disabled button is drawn faint";
    }
    EXPECT_FALSE(form.findBox()->isEnabled()) << "the find box while finding does nothing";
    for (const char* name : { "MenuTestCase", "MenuServerProxy" }) {
        QMenu* menu = form.subMenu(QString::fromLatin1(name));
        ASSERT_NE(menu, nullptr) << name;
        EXPECT_FALSE(menu->menuAction()->isEnabled()) << name;
    }
}

TEST(MainForm, LayoutIsReadFromAndWrittenToCalverdineIni)
{
    TTestHome home;
    const QString ini = home.file("Calverdine.ini");
    writeIni(ini, "[Global]\r\nDefaultProject=" + home.file("DefaultProject.xml") + "\r\n"
                  "[Form]\r\nTop=10\r\nLeft=20\r\nWidth=760\r\nHeight=560\r\n"
                  "[PanelLeft]\r\nIndex=2\r\nShow=0\r\nWidth=250\r\n"
                  "[PanelRight]\r\nIndex=1\r\nShow=150\r\nWidth=150\r\n"
                  "[PanelConsole]\r\nIndex=3\r\nShow=120\r\nHeight=120\r\n[PanelFind]\r\nWidth=180\r\n");
    {
        TMainForm form;
        form.FormCreate(CreateControllers);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_EQ(form.geometry(), QRect(20, 10, 760, 560));
        // Left and right widths (the left one collapsed at exit, reopened at its remembered
        // width), the three page indexes, the console's height and the find box's width.
        EXPECT_EQ(QList<int>({ splitterSize(form, 0), splitterSize(form, 2), form.leftPanel()->currentIndex(),
                               form.rightPanel()->currentIndex(), form.consolePanel()->currentIndex(),
                               form.consolePanel()->height(), App().service<TLayoutSettings>().findWidth() }),
                  QList<int>({ 250, 150, 2, 1, 3, 120, 180 }));
        form.resize(640, 560);
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.findPanel()->width() < 180; }))
            << "a narrow centre keeps room for the address box";
        form.resize(1000, 560);
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.findPanel()->width() == 180; }));
        form.resize(760, 560);

        cmd("ActionViewShowLeftPanel")->trigger();
        EXPECT_EQ(splitterSize(form, 0), 0);
        cmd("ActionViewShowConsolePanel")->trigger();
        EXPECT_FALSE(form.consolePanel()->isVisible());
        form.setGeometry(40, 30, 640, 480);
        form.showMaximized();
        form.saveLayout();
    }
    TIniFile written(ini);
    ASSERT_TRUE(written.load());
    const QString expected[][3] = {
        { "Form", "Top", "30" },        { "Form", "Left", "40" },          { "Form", "Width", "640" },
        { "Form", "Height", "480" },    { "PanelLeft", "Index", "2" },     { "PanelLeft", "Show", "0" },
        { "PanelLeft", "Width", "250" }, { "PanelRight", "Show", "150" },   { "PanelConsole", "Index", "3" },
        { "PanelConsole", "Show", "0" }, { "PanelConsole", "Height", "120" }, { "PanelFind", "Width", "180" },
    };
    for (const auto& e : expected)
        EXPECT_EQ(written.readString(e[0], e[1]), e[2]) << qPrintable(e[0] + "/" + e[1]);
    EXPECT_EQ(written.readString("Global", "DefaultProject"), home.file("DefaultProject.xml"));
}

TEST(MainForm, FirstRunKeepsTheDesignLayout)
{
    TTestHome home;
    writeIni(home.file("Calverdine.ini"), "[PanelLeft]\r\nShow=300\r\n");
    App().projectUnsaved = true; // the default project was created in this run
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues("DefaultProject", home.path());
    App().setCurrentProject(std::move(project));
    TMainForm form;
    form.FormCreate(CreateControllers);
    EXPECT_EQ(App().service<TLayoutSettings>().panel(TPanel::Left).shown, TLayoutSettings::kDesignLeftWidth);
}

TEST(MainForm, ConsoleSplitterDragIsLimitedToTheSpaceAvailable)
{
    TTestHome home;
    TMainForm form;
    form.FormCreate(CreateControllers);
    form.resize(800, 600);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TConsoleSplitter* handle = form.consoleSplitter();
    const int before = form.consolePanel()->height();

    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 2));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(10, 2 - 40));
    EXPECT_EQ(form.consolePanel()->height(), before + 40);

    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 2));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(10, -2000)); // far above the tool bar
    const int available = form.consolePanel()->height();
    EXPECT_GT(available, before + 40);
    EXPECT_EQ(form.addressBox()->parentWidget()->height() + form.tabStrip()->height() + handle->height() + available,
              form.centralWidget()->findChild<QWidget*>("PanelCenter")->height());
    EXPECT_EQ(App().service<TLayoutSettings>().panel(TPanel::Console).remembered, available);
}

TEST(MainForm, FormActivatedIsRaisedOnceAndOnlyWithAHomeDirectory)
{
    for (bool withHome : { true, false }) {
        SCOPED_TRACE(withHome);
        TTestHome home;
        if (!withHome)
            App().homeDirectory.clear();
        auto events = std::make_shared<QStringList>();
        TMainForm form;
        form.FormCreate(CreateControllers);
        App().bus().AddListener(std::make_unique<TRecordingListener>(events, std::initializer_list<TEvent> { TEvent::FormActivated }));
        form.FormActivate();
        form.FormActivate();
        EXPECT_EQ(*events, withHome ? QStringList({ "FormActivated:0" }) : QStringList());
    }
}

TEST(MainForm, PageShortcutsBringTheirPagesToTheFrontWithTheKeyboardFocus)
{
    TTestHome home;
    TMainForm form;
    form.FormCreate(CreateControllers);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    TLayoutSettings& layout = App().service<TLayoutSettings>();
    layout.togglePanel(TPanel::Right); // collapsed: showing a page opens it again
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QTabWidget* panel;
        int page;
    } pages[] = {
        { Qt::Key_H, Qt::ControlModifier, form.leftPanel(), 1 },
        { Qt::Key_F, Qt::ControlModifier | Qt::AltModifier, form.rightPanel(), 0 },
        { Qt::Key_D, Qt::ControlModifier | Qt::AltModifier, form.rightPanel(), 1 },
        { Qt::Key_J, Qt::ControlModifier | Qt::AltModifier, form.rightPanel(), 2 },
        { Qt::Key_T, Qt::ControlModifier, form.leftPanel(), 2 },
        { Qt::Key_I, Qt::ControlModifier, form.leftPanel(), 0 },
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(QKeySequence(p.key | p.modifiers).toString().toStdString());
        QTest::keyClick(&form, p.key, p.modifiers);
        EXPECT_EQ(p.panel->currentIndex(), p.page);
        if (p.key == Qt::Key_T) {
            EXPECT_EQ(QApplication::focusWidget(), form.tabTree());
        }
    }
    EXPECT_EQ(QApplication::focusWidget(), form.findChild<QTreeWidget*>(QStringLiteral("TreeViewFavorite"))) << "the favorites tree";
    EXPECT_EQ(layout.panel(TPanel::Right).shown, TLayoutSettings::kDesignRightWidth);
}

TEST(MainForm, ScreenshotIsWrittenAtTheRequestedSizeAndEndsTheRun)
{
    TTestHome home;
    TMainForm form;
    form.FormCreate(CreateControllers);
    form.show();
    TScreenshotRequest request;
    request.fileName = home.file("main.png");
    request.size = QSize(1100, 700);
    ScheduleScreenshot(form, request);
    EXPECT_EQ(QApplication::exec(), 0);
    const QImage image(request.fileName);
    ASSERT_EQ(image.size(), QSize(1100, 700));
    // Captions are drawn: the menu bar is not one flat colour.
    const QRect bar = form.menuBar()->geometry();
    QSet<QRgb> colours;
    for (int x = bar.left(); x < bar.right(); ++x)
        colours.insert(image.pixel(x, bar.center().y()));
    EXPECT_GT(colours.size(), 2);

    request.fileName = home.file("missing/main.png");
    ScheduleScreenshot(form, request);
    EXPECT_EQ(QApplication::exec(), 1) << "a picture that cannot be written fails the run";
}

TEST(MainForm, ScreenshotOptionsAreTakenFromTheCommandLine)
{
    const struct {
        QStringList arguments;
        const char* file;
        QSize size;
        QStringList rest;
        const char* error;
    } cases[] = {
        { { "--home", "h", "p.xml" }, "", QSize(), { "--home", "h", "p.xml" }, "" },
        { { "--screenshot", "a.png", "--home", "h" }, "a.png", QSize(), { "--home", "h" }, "" },
        { { "--screenshot-size", "1400x900", "--screenshot", "a.png" }, "a.png", QSize(1400, 900), {}, "" },
        { { "--", "--screenshot", "a.png" }, "", QSize(), { "--", "--screenshot", "a.png" }, "" },
        { { "--screenshot" }, "", QSize(), { "--screenshot" }, "--screenshot needs a file name" },
        { { "--screenshot", "a.png", "--screenshot-size", "big" }, "a.png", QSize(), {}, "--screenshot-size needs WIDTHxHEIGHT, not big" },
        { { "--screenshot-size", "800x600" }, "", QSize(800, 600), {}, "--screenshot-size goes with --screenshot FILE" },
        { { "--screenshot-compare", "--screenshot", "a.png", "p.xml" }, "a.png", QSize(), { "p.xml" }, "" },
        { { "--screenshot-compare" }, "", QSize(), {}, "--screenshot-compare goes with --screenshot FILE" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.arguments.join(' ')));
        QStringList arguments = c.arguments;
        const TScreenshotRequest request = TakeScreenshotArguments(arguments);
        EXPECT_EQ(request.fileName, QString(c.file));
        EXPECT_EQ(request.size, c.size);
        EXPECT_EQ(request.error, QString(c.error));
        EXPECT_EQ(request.compare, c.arguments.contains("--screenshot-compare"));
        if (request.error.isEmpty()) {
            EXPECT_EQ(arguments, c.rest);
        }
    }
}
