#include "core/inifile.h"
#include "core/textcodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/testhome.h"

TEST(IniFile, KeepsKeyOrderAndOtherLinesAndLooksUpWithoutCase)
{
    TIniFile ini;
    ini.parseText("; written by hand\r\n[Other]\r\nx=1\r\nfree text line\r\n[Info]\r\n1234567=New Data\r\na=b=c\r\n");
    ini.writeString("Info", "1240012", "Admin");
    ini.writeString("info", "1234567", "Renamed");
    EXPECT_EQ(ini.keyNames("Info"), QStringList({ "1234567", "a", "1240012" }));
    EXPECT_EQ(ini.readString("INFO", "A"), QString("b=c"));
    EXPECT_TRUE(ini.keyExists("other", "X"));
    EXPECT_EQ(ini.readInteger("oTHER", "x", 7), 1);
    EXPECT_EQ(ini.readInteger("Other", "Missing", 7), 7);
    EXPECT_EQ(ini.toText(),
              QString("; written by hand\r\n[Other]\r\nx=1\r\nfree text line\r\n[Info]\r\n1234567=Renamed\r\na=b=c\r\n"
                      "1240012=Admin\r\n"));
}

TEST(IniFile, KeysWrittenByHandWithBlanksAroundThemAreFound)
{
    TIniFile ini;
    ini.parseText("[Global]\r\nDefaultProject = /p/Shop.xml\r\n[Form]\r\n Top =12\r\nTop=5\r\n");
    EXPECT_EQ(ini.readString("Global", "DefaultProject").trimmed(), QString("/p/Shop.xml"));
    EXPECT_EQ(ini.readInteger("Form", "Top", 0), 5); // a key written exactly wins
    ini.writeString("Global", "DefaultProject", "/q.xml");
    EXPECT_EQ(ini.toText(), QString("[Global]\r\nDefaultProject =/q.xml\r\n[Form]\r\n Top =12\r\nTop=5\r\n"));

    // A key written twice by hand, in any letter case: the first value counts and the key is
    // listed, and written back, once.
    ini.parseText("[Info]\r\n100=first\r\nKey=a\r\n100=second\r\nKEY=b\r\n200=x\r\n");
    EXPECT_EQ(ini.keyNames("Info"), QStringList({ "100", "Key", "200" }));
    EXPECT_EQ(ini.readString("Info", "100"), QString("first"));
    EXPECT_EQ(ini.readString("Info", "key"), QString("a"));
    ini.writeString("Info", "key", "c");
    EXPECT_EQ(ini.toText(), QString("[Info]\r\n100=first\r\nKey=c\r\n200=x\r\n"));
}

TEST(IniFile, MalformedInputFallsBackAndLineBreaksInValuesAreFlattened)
{
    TIniFile ini;
    ini.parseText("[Form]\nTop=abc\nLeft=\n[Broken\nWidth=12\n");
    EXPECT_EQ(ini.readInteger("Form", "Top", 5), 5);
    EXPECT_EQ(ini.readInteger("Form", "Left", 6), 6);
    EXPECT_EQ(ini.readInteger("Form", "Width", 0), 12);

    ini.writeString("Info", "1", "two\r\nlines");
    TIniFile back;
    back.parseText(ini.toText());
    EXPECT_EQ(back.keyNames("Info"), QStringList({ "1" }));
    EXPECT_EQ(back.readString("Info", "1"), QString("two lines"));
}

TEST(IniFile, AMissingFileLoadsEmpty)
{
    QTemporaryDir dir;
    TIniFile missing(dir.filePath("LOGIN.ini"));
    EXPECT_TRUE(missing.load());
    EXPECT_TRUE(missing.sectionNames().isEmpty());
}

TEST(TextCodec, UnmappableCharactersAndInvalidBytesDoNotStopConversion)
{
    EXPECT_EQ(textcodec::toCp932(QStringLiteral("管")), QByteArray("\x8a\xc7")); // Shift-JIS
    EXPECT_EQ(textcodec::toCp932(QString::fromUtf8("a\xF0\x9F\x98\x80" "b")), QByteArray("a?b"));
    const QString decoded = textcodec::fromCp932(QByteArray("x\xa0y\x81", 4));
    EXPECT_TRUE(decoded.startsWith('x'));
    EXPECT_TRUE(decoded.contains(QChar(QChar::ReplacementCharacter)));
}

// Settings such as a home folder's path hold whatever the file system allows.
TEST(IniFile, TextIsStoredInCp932WhenItCanBeAndOtherwiseInUtf8WithAByteOrderMark)
{
    struct Row {
        const char* name;
        QString value;
        bool utf8;
    };
    const Row rows[] = {
        { "ASCII path", "/home/tester/calverdine", false },
        { "Japanese path", "/home/試験/データ", false },
        { "accented path", "/home/hé_ü", true },
        { "emoji", QString::fromUtf8("é😀x"), true },
        { "question mark stays", "/a?b", false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        TIniFile ini(dir.filePath("Calverdine.ini"));
        ini.writeString("Global", "HomeDirectory", row.value);
        ASSERT_TRUE(ini.save());
        const QString text = "[Global]\r\nHomeDirectory=" + row.value + "\r\n";
        EXPECT_EQ(FileBytes(ini.fileName()), row.utf8 ? "\xEF\xBB\xBF" + text.toUtf8() : textcodec::toCp932(text));
        TIniFile back(ini.fileName());
        ASSERT_TRUE(back.load());
        EXPECT_EQ(back.readString("Global", "HomeDirectory"), row.value);
    }
}
