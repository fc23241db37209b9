#include "core/appcontext.h"
#include "core/error.h"
#include "core/tickcount.h"
#include "core/fileidallocator.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/testhome.h"

namespace {

class FileIdAllocatorTest : public ::testing::Test {
protected:
    void touch(const QString& relative) { ASSERT_TRUE(WriteFileBytes(home.file(relative), QByteArray())); }
    int allocateAt(quint32 tick)
    {
        SetTickCountSource([tick] { return tick; });
        return allocator.allocate();
    }
    TTestHome home;
    TFileIdAllocator allocator;
};

}

TEST_F(FileIdAllocatorTest, SkipsBaseNamesOfFilesInTheDataFolders)
{
    for (const char* used : { "data/Favorite/1500.xml", "data/FormData/1501.INI", "data/TabWindow/1502.txt.1234.bak",
                              "data/Capture/1503.bmp", "data/Other/1504.xml" })
        touch(used);
    allocator.setDataDirectory(home.file("data"));
    EXPECT_EQ(allocateAt(1500), 1503);
    // The same millisecond again: still different and increasing.
    EXPECT_EQ(allocator.allocate(), 1504);
    EXPECT_EQ(allocator.allocate(), 1505);
}

TEST_F(FileIdAllocatorTest, UsedNamesAreReadOncePerDataDirectory)
{
    allocator.setDataDirectory(home.file("a"));
    EXPECT_EQ(allocateAt(100), 100);
    touch("a/FormData/101.xml"); // written by this run: above the last ID anyway
    EXPECT_EQ(allocator.allocate(), 101);
    // Another project's folder has its own files, which must never be named again.
    touch("b/OperationData/102.xml");
    allocator.setDataDirectory(home.file("b"));
    EXPECT_EQ(allocator.allocate(), 103);
}

TEST_F(FileIdAllocatorTest, GoesOnAboveTheLastIdWhenTheTickCountWraps)
{
    touch("data/FormData/5001.xml");
    allocator.setDataDirectory(home.file("data"));
    EXPECT_EQ(allocateAt(0x80000010u), 1) << "after 24.8 days of uptime the tick count reads as negative";
    EXPECT_EQ(allocateAt(5000), 5000);
    EXPECT_EQ(allocateAt(quint32(5000 - 20000)), 5002);
    EXPECT_TRUE(home.prompter().messages().isEmpty());
    // Nothing above the largest ID: an error, never an ID issued twice.
    EXPECT_EQ(allocateAt(0x7fffffffu), 2147483647);
    EXPECT_THROW(allocator.allocate(), TError);
    EXPECT_EQ(home.prompter().messages(), QStringList { "create favorite error. " });
}

TEST_F(FileIdAllocatorTest, TwoProcessesInTheSameMillisecondGetDifferentIds)
{
    // Each allocator stands for the allocator of its own process: they share only the folder.
    TFileIdAllocator other;
    allocator.setDataDirectory(home.file("data"));
    other.setDataDirectory(home.file("data"));
    QSet<int> ids;
    for (int i = 0; i < 5; ++i) {
        ids << allocateAt(7000);
        ids << other.allocate();
    }
    EXPECT_EQ(ids.size(), 10);
}
