#include "core/safefile.h"
#include "core/tickcount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/writelimit.h"
#include "support/testhome.h"


TEST(SafeFile, SuccessfulRewriteLeavesNoBackup)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.xml");
    ASSERT_TRUE(safefile::write(path, "old"));
    ASSERT_TRUE(safefile::write(path, "new"));
    EXPECT_EQ(FileBytes(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({ "a.xml" }));
}

TEST(SafeFile, FailedWriteKeepsOldContentAndATickCountedBackup)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.xml");
    ASSERT_TRUE(safefile::write(path, "old"));
    SetTickCountSource([] { return 4242u; });
    QString error;
    {
        TWriteLimit limit(3); // the backup copy fits, the new content does not
        EXPECT_FALSE(safefile::write(path, "new content", safefile::Backup::Copy, &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(FileBytes(path), QByteArray("old"));
    EXPECT_EQ(FileBytes(path + ".4242.bak"), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({ "a.xml", "a.xml.4242.bak" }));

    SetTickCountSource([] { return 0xFFFFFFFEu; }); // the count is written signed
    EXPECT_EQ(safefile::backupPath("/d/LOGIN.ini"), QString("/d/LOGIN.ini.-2.bak"));
    SetTickCountSource({});
}
