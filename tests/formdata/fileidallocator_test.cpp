#include "core/appcontext.h"
#include "core/error.h"
#include "core/tickcount.h"
#include "formdata/fileidallocator.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/testhome.h"

namespace {
void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}
}

TEST(FileIdAllocator, SkipsBaseNamesOfFilesInTheDataFolders)
{
    TTestHome home;
    touch(home.file("data/Favorite/1500.xml"));
    touch(home.file("data/FormData/1501.INI"));
    touch(home.file("data/TabWindow/1502.txt.1234.bak"));
    touch(home.file("data/Capture/1503.bmp"));
    touch(home.file("data/Other/1504.xml"));
    TFileIdAllocator allocator;
    allocator.setDataDirectory(home.file("data"));
    SetTickCountSource([] { return 1500u; });
    EXPECT_EQ(allocator.allocate(), 1503);
    // The same millisecond again: still different and increasing.
    EXPECT_EQ(allocator.allocate(), 1504);
    EXPECT_EQ(allocator.allocate(), 1505);
}

TEST(FileIdAllocator, UsedNamesAreReadOncePerDataDirectory)
{
    TTestHome home;
    TFileIdAllocator allocator;
    allocator.setDataDirectory(home.file("a"));
    SetTickCountSource([] { return 100u; });
    EXPECT_EQ(allocator.allocate(), 100);
    touch(home.file("a/FormData/101.xml")); // written by this run: above the last ID anyway
    EXPECT_EQ(allocator.allocate(), 101);

    // Another project's folder has its own files, which must never be named again.
    touch(home.file("b/OperationData/102.xml"));
    allocator.setDataDirectory(home.file("b"));
    EXPECT_EQ(allocator.allocate(), 103);
}

TEST(FileIdAllocator, GoesOnAboveTheLastIdWhenTheTickCountWraps)
{
    TTestHome home;
    touch(home.file("data/FormData/5001.xml"));
    TFileIdAllocator allocator;
    allocator.setDataDirectory(home.file("data"));
    // After 24.8 days of uptime the tick count reads as negative.
    SetTickCountSource([] { return 0x80000010u; });
    EXPECT_EQ(allocator.allocate(), 1);
    SetTickCountSource([] { return 5000u; });
    EXPECT_EQ(allocator.allocate(), 5000);
    SetTickCountSource([] { return quint32(5000 - 20000); });
    EXPECT_EQ(allocator.allocate(), 5002);
    EXPECT_TRUE(home.prompter().messages().isEmpty());

    // Nothing above the largest ID: an error, never an ID issued twice.
    SetTickCountSource([] { return 0x7fffffffu; });
    EXPECT_EQ(allocator.allocate(), 2147483647);
    EXPECT_THROW(allocator.allocate(), TError);
    EXPECT_EQ(home.prompter().messages(), QStringList { "create favorite error. " });
}
