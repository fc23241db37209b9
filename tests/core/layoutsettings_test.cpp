#include "core/inifile.h"
#include "core/layoutsettings.h"
#include "support/testhome.h"
#include "support/writelimit.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>


TEST(PanelSize, CollapsingRemembersAndExpandingRestores)
{
    TPanelSize p { 193, 193 };
    p.toggle();
    EXPECT_EQ(p.shown, 0);
    p.toggle();
    EXPECT_EQ(p.shown, 193);

    TPanelSize never; // never shown at a size
    never.toggle();
    EXPECT_EQ(never.shown, 100);

    TPanelSize dragged { 193, 193 };
    dragged.resize(260);
    dragged.resize(0); // dragged shut: the last open width comes back
    dragged.toggle();
    EXPECT_EQ(dragged.shown, 260);
}

TEST(LayoutSettings, ConsoleSplitterStaysWithinTheSpaceAvailable)
{
    const struct {
        const char* name;
        int height, press, release, available;
        int shown, remembered;
    } cases[] = {
        { "drag up 50", 168, 400, 350, 300, 218, 218 },
        { "drag above the tool bar", 168, 400, -900, 300, 300, 300 },
        { "drag down past the bottom", 168, 400, 900, 300, 0, 168 },
        { "no space at all", 168, 400, 300, 0, 0, 168 },
        { "far beyond int", 2000000000, 2000000000, -2000000000, 500, 500, 500 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TLayoutSettings layout;
        layout.dragConsoleSplitter(c.height, c.press, c.release, c.available);
        EXPECT_EQ(layout.panel(TPanel::Console).shown, c.shown);
        EXPECT_EQ(layout.panel(TPanel::Console).remembered, c.remembered);
    }
}

// Geometry, page indexes and collapsed panels are written and read back by the main window test.
TEST(LayoutSettings, ReadsShownAndRememberedSizesApartAndTheEditorHeights)
{
    TIniFile ini;
    ini.parseText("[PanelRight]\r\nShow=210\r\nWidth=150\r\n[PanelConsole]\r\nShow=0\r\nHeight=0\r\n"
                  "[EditForm]\r\nHeight=300\r\n[EditJS]\r\nHeight=280\r\n");
    TLayoutSettings layout;
    layout.read(ini);
    EXPECT_EQ(layout.panel(TPanel::Right).shown, 210);
    EXPECT_EQ(layout.panel(TPanel::Right).remembered, 150);
    EXPECT_EQ(layout.panel(TPanel::Console).shown, 0) << "nothing remembered: stays collapsed";
    layout.togglePanel(TPanel::Console);
    EXPECT_EQ(layout.panel(TPanel::Console).shown, 100);
    EXPECT_EQ(layout.editFormHeight(), 300);
    EXPECT_EQ(layout.editJSHeight(), 280);
}

TEST(LayoutSettings, NonsenseValuesGiveAUsableLayout)
{
    TIniFile ini;
    ini.parseText("[Form]\r\nWidth=-5\r\nHeight=abc\r\n[PanelLeft]\r\nIndex=7\r\nShow=-40\r\nWidth=-1\r\n"
                  "[PanelRight]\r\nIndex=-1\r\n[PanelFind]\r\nWidth=-3\r\n");
    TLayoutSettings layout;
    layout.read(ini);
    // Width, height (an unreadable number reads as the default), page indexes, the left
    // panel's shown and remembered widths, the find box's width.
    EXPECT_EQ(QList<int>({ layout.geometry().width(), layout.geometry().height(), layout.pageIndex(TPanel::Left),
                           layout.pageIndex(TPanel::Right), layout.panel(TPanel::Left).shown,
                           layout.panel(TPanel::Left).remembered, layout.findWidth() }),
              QList<int>({ TLayoutSettings::kMinimumWindowWidth, 768, 0, 0, 0, 0, 0 }));
}

TEST(LayoutSettings, KeysRoundTripAndOtherSectionsStay)
{
    TTestHome home;
    const QString path = home.file("Calverdine.ini");
    {
        TIniFile ini(path);
        ini.writeString("Global", "DefaultProject", "/h/DefaultProject.xml");
        ini.writeInteger("AutoOperation", "Interval", 800);
        ASSERT_TRUE(ini.save());
    }
    TLayoutSettings layout;
    layout.setGeometry(QRect(11, 22, 800, 600));
    layout.togglePanel(TPanel::Left);
    layout.setPageIndex(TPanel::Right, 1);
    layout.resizePanel(TPanel::Console, 120);
    ASSERT_TRUE(layout.save(path));
    EXPECT_EQ(FileBytes(path), QByteArray("[Global]\r\nDefaultProject=/h/DefaultProject.xml\r\n"
                                         "[AutoOperation]\r\nInterval=800\r\n"
                                         "[Form]\r\nTop=22\r\nLeft=11\r\nWidth=800\r\nHeight=600\r\n"
                                         "[PanelLeft]\r\nIndex=0\r\nShow=0\r\nWidth=193\r\n"
                                         "[PanelRight]\r\nIndex=1\r\nShow=178\r\nWidth=178\r\n"
                                         "[PanelConsole]\r\nIndex=0\r\nShow=120\r\nHeight=120\r\n"
                                         "[PanelFind]\r\nWidth=199\r\n[EditForm]\r\nHeight=532\r\n"
                                         "[EditJS]\r\nHeight=474\r\n"));
    EXPECT_EQ(QDir(home.path()).entryList({ "*.bak" }, QDir::Files), QStringList());
}

TEST(LayoutSettings, AFileThatCannotBeReadOrWrittenIsLeftWhole)
{
    TTestHome home;
    TLayoutSettings layout;
    const QString directory = home.file("Calverdine.ini");
    ASSERT_TRUE(QDir().mkpath(directory)); // a folder in place of the file: cannot be read
    QString error;
    EXPECT_FALSE(layout.save(directory, &error));
    EXPECT_FALSE(error.isEmpty());

    const QString path = home.file("Other.ini");
    const QByteArray before = QByteArray("[Global]\r\nDefaultProject=") + QByteArray(4000, 'x') + "\r\n";
    ASSERT_TRUE(WriteFileBytes(path, before));
    TWriteLimit limit(1000);
    EXPECT_FALSE(layout.save(path, &error));
    EXPECT_EQ(FileBytes(path), before);
}
