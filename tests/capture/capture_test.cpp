#include "browser/engine/pagecapture.h"
#include "capture/capturefiles.h"
#include "capture/savetocommand.h"
#include "support/testhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct NumberingCase {
    const char* name;
    QStringList existing;
    QString screen;
    QString extension;
    QString expected;
};

class NextFileName : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(NextFileName, CountsTheFilesOfTheScreenAndExtension)
{
    const NumberingCase& c = GetParam();
    QTemporaryDir dir;
    for (const QString& name : c.existing) {
        const QString path = QDir(dir.path()).filePath(name);
        ASSERT_TRUE(name.endsWith(QLatin1Char('/')) ? QDir().mkdir(path) : WriteFileBytes(path, QByteArray())) << name.toStdString();
    }
    const QString result = NextCaptureFileName(dir.path(), c.screen, c.extension);
    EXPECT_EQ(QFileInfo(result).fileName(), c.expected);
    EXPECT_EQ(QFileInfo(result).absolutePath(), QFileInfo(dir.path()).absoluteFilePath()) << "always inside the folder";
}

INSTANTIATE_TEST_SUITE_P(Cases, NextFileName, ::testing::Values(
    NumberingCase { "EmptyFolder", {}, "LOGIN", "bmp", "LOGIN_001.bmp" },
    NumberingCase { "GreatestPlusOneAndTextCountsZero", { "LOGIN_001.bmp", "LOGIN_007.bmp", "LOGIN_x.bmp" }, "LOGIN", "bmp", "LOGIN_008.bmp" },
    NumberingCase { "AnotherScreenWithTheSamePrefixCounts", { "LOGIN_A_001.bmp" }, "LOGIN", "bmp", "LOGIN_002.bmp" },
    NumberingCase { "OtherScreensDoNot", { "LOGINX_009.bmp", "MENU_004.bmp" }, "LOGIN", "bmp", "LOGIN_001.bmp" },
    NumberingCase { "OnlyTheChosenExtension", { "LOGIN_040.png", "LOGIN_002.bmp" }, "LOGIN", "bmp", "LOGIN_003.bmp" },
    NumberingCase { "PngCountsPng", { "LOGIN_040.png", "LOGIN_002.bmp" }, "LOGIN", "png", "LOGIN_041.png" },
    NumberingCase { "CaseOfNamesIsIgnored", { "login_005.BMP" }, "LOGIN", "bmp", "LOGIN_006.bmp" },
    NumberingCase { "MoreThanThreeDigits", { "LOGIN_999.bmp" }, "LOGIN", "bmp", "LOGIN_1000.bmp" },
    NumberingCase { "FoldersAreNoFiles", { "LOGIN_020.bmp/" }, "LOGIN", "bmp", "LOGIN_001.bmp" },
    NumberingCase { "EmptyNumberIsZero", { "LOGIN_.bmp" }, "LOGIN", "bmp", "LOGIN_001.bmp" },
    NumberingCase { "HugeNumberIsNotANumber", { "LOGIN_99999999999999999999999.bmp", "LOGIN_003.bmp" }, "LOGIN", "bmp", "LOGIN_004.bmp" },
    NumberingCase { "SlashInTheScreenStaysInside", { "a%2Fb_002.bmp" }, "a/b", "bmp", "a%2Fb_003.bmp" },
    NumberingCase { "WildcardsAreNoPattern", { "Ab_005.bmp" }, "[A]b", "bmp", "[A]b_001.bmp" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureNameOfScreen, MakesEveryIdASingleSafeDistinctName)
{
    struct Case {
        const char* name;
        QString id;
        QString expected;
    };
    const Case cases[] = {
        { "Plain", QStringLiteral("LOGIN"), QStringLiteral("LOGIN") },
        { "Japanese", QStringLiteral("ログイン画面"), QStringLiteral("ログイン画面") },
        { "Separators", QStringLiteral("a/b\\c"), QStringLiteral("a%2Fb%5Cc") },
        { "Nul", QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b"), QStringLiteral("a%00b") },
        { "PercentItself", QStringLiteral("50%"), QStringLiteral("50%25") },
        { "DotDot", QStringLiteral(".."), QStringLiteral("%2E.") },
        { "ReservedOnOtherSystems", QStringLiteral("a:b*?\"<>|"), QStringLiteral("a%3Ab%2A%3F%22%3C%3E%7C") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CaptureNameOfScreen(c.id), c.expected);
    }
    const QString longA = QString(400, QLatin1Char('a'));
    const QString longB = QString(399, QLatin1Char('a')) + QLatin1Char('b');
    const QString nameA = CaptureNameOfScreen(longA);
    EXPECT_LE(nameA.toUtf8().size(), 200);
    EXPECT_NE(nameA, CaptureNameOfScreen(longB)) << "long IDs that differ at their end keep different names";
    const QString longJapanese = QString(300, QChar(0x3042));
    EXPECT_LE((CaptureNameOfScreen(longJapanese) + QStringLiteral("_1000.bmp")).toUtf8().size(), 255);
}

TEST(SaveToCommand, FileFormatsAndAFailedWriteLeavesNoFile)
{
    QTemporaryDir dir;
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    TSaveToFileBmp bmp(QStringLiteral("ファイル(&F)"));
    bmp.FileName = dir.filePath(QStringLiteral("a_001.bmp"));
    QString error;
    ASSERT_TRUE(bmp.Output(image, &error)) << error.toStdString();
    EXPECT_TRUE(FileBytes(bmp.FileName).startsWith("BM"));
    EXPECT_EQ(QImage(bmp.FileName).pixel(3, 3), qRgb(1, 2, 3));

    TSaveToFilePng png(QStringLiteral("ファイル(&F)"));
    png.FileName = dir.filePath(QStringLiteral("missing/a_001.png"));
    EXPECT_FALSE(png.Output(image, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("file save error: ") + png.FileName)) << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList { QStringLiteral("a_001.bmp") });
}

TEST(PageCapture, FittedSizeKeepsWithinOneImage)
{
    struct Case {
        const char* name;
        QSize content, margin, expected;
        bool clipped;
    };
    const Case cases[] = {
        { "WithMargins", { 1280, 20000 }, { 30, 50 }, { 1310, 20050 }, false },
        { "NegativeMarginsCountZero", { 800, 600 }, { -5, -5 }, { 800, 600 }, false },
        { "TooTall", { 1000, 90000 }, { 0, 0 }, { 1000, TPageCapture::kMaxSide }, true },
        { "TooManyPixels", { 20000, 20000 }, { 0, 0 }, { 20000, int(TPageCapture::kMaxPixels / 20000) }, true },
        { "EmptyPage", { 0, 0 }, { 0, 0 }, { 1, 1 }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool clipped = !c.clipped;
        EXPECT_EQ(TPageCapture::FittedSize(c.content, c.margin, &clipped), c.expected);
        EXPECT_EQ(clipped, c.clipped);
    }
}

} // namespace
