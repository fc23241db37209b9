#include "core/inifile.h"
#include "core/textcodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(IniFile, KeepsKeyOrderAndReplacesInPlace)
{
    TIniFile ini;
    ini.writeString("Info", "1234567", "New Data");
    ini.writeString("Info", "1240012", "Admin");
    ini.writeString("info", "1234567", "Renamed");
    EXPECT_EQ(ini.keyNames("Info"), QStringList({ "1234567", "1240012" }));
    EXPECT_EQ(ini.toText(), QString("[Info]\r\n1234567=Renamed\r\n1240012=Admin\r\n"));
}

TEST(IniFile, LooksUpSectionsAndKeysWithoutCase)
{
    TIniFile ini;
    ini.parseText("[PanelLeft]\r\nShow=0\r\nWidth=250\r\n");
    EXPECT_EQ(ini.readInteger("panelleft", "WIDTH", 1), 250);
    EXPECT_EQ(ini.readInteger("PanelLeft", "Show", 1), 0);
    EXPECT_EQ(ini.readInteger("PanelLeft", "Missing", 7), 7);
    EXPECT_TRUE(ini.keyExists("PANELLEFT", "show"));
}

TEST(IniFile, KeepsForeignSectionsAndLines)
{
    const QString text = "; written by hand\r\n[Other]\r\nx=1\r\nfree text line\r\n[Info]\r\na=b=c\r\n";
    TIniFile ini;
    ini.parseText(text);
    ini.writeString("Info", "d", "e");
    EXPECT_EQ(ini.readString("Info", "a"), QString("b=c"));
    EXPECT_EQ(ini.toText(), QString("; written by hand\r\n[Other]\r\nx=1\r\nfree text line\r\n[Info]\r\na=b=c\r\nd=e\r\n"));
}

TEST(IniFile, KeysWrittenByHandWithBlanksAroundThemAreFound)
{
    TIniFile ini;
    ini.parseText("[Global]\r\nDefaultProject = /p/Shop.xml\r\n[Form]\r\n Top =12\r\nTop=5\r\n");
    EXPECT_EQ(ini.readString("Global", "DefaultProject").trimmed(), QString("/p/Shop.xml"));
    EXPECT_EQ(ini.readInteger("Form", "Top", 0), 5); // a key written exactly wins
    ini.writeString("Global", "DefaultProject", "/q.xml");
    EXPECT_EQ(ini.toText(), QString("[Global]\r\nDefaultProject =/q.xml\r\n[Form]\r\n Top =12\r\nTop=5\r\n"));
}

TEST(IniFile, MalformedNumbersAndBrokenLinesFallBackToDefaults)
{
    TIniFile ini;
    ini.parseText("[Form]\nTop=abc\nLeft=\n[Broken\nWidth=12\n");
    EXPECT_EQ(ini.readInteger("Form", "Top", 5), 5);
    EXPECT_EQ(ini.readInteger("Form", "Left", 6), 6);
    EXPECT_EQ(ini.readInteger("Form", "Width", 0), 12);
}

TEST(IniFile, ValuesWithLineBreaksStayOnOneLine)
{
    TIniFile ini;
    ini.writeString("Info", "1", "two\r\nlines");
    TIniFile back;
    back.parseText(ini.toText());
    EXPECT_EQ(back.keyNames("Info"), QStringList({ "1" }));
    EXPECT_EQ(back.readString("Info", "1"), QString("two lines"));
}

TEST(IniFile, RoundTripsJapaneseTextAsCp932)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("LOGIN.ini");
    TIniFile ini(path);
    ini.writeString("Info", "1240012", "管理者データ");
    ASSERT_TRUE(ini.save());

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // 管 is 0x8AC7 in Shift-JIS.
    EXPECT_TRUE(bytes.contains(QByteArray("\x8a\xc7", 2)));
    EXPECT_TRUE(bytes.endsWith("\r\n"));

    TIniFile back(path);
    ASSERT_TRUE(back.load());
    EXPECT_EQ(back.readString("Info", "1240012"), QString("管理者データ"));
}

TEST(IniFile, MissingFileLoadsEmpty)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("none.ini"));
    EXPECT_TRUE(ini.load());
    EXPECT_TRUE(ini.sectionNames().isEmpty());
}

TEST(TextCodec, UnmappableCharactersAndInvalidBytesDoNotStopConversion)
{
    EXPECT_EQ(textcodec::toCp932(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), QByteArray("a?b"));
    const QString decoded = textcodec::fromCp932(QByteArray("x\xa0y\x81", 4));
    EXPECT_TRUE(decoded.startsWith('x'));
    EXPECT_TRUE(decoded.contains(QChar(QChar::ReplacementCharacter)));
}
