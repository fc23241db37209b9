#include "core/popupinfo.h"
#include "core/safefile.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"
#include "operation/testfilecommand.h"

#include "operationfixture.h"
#include "support/writelimit.h"

#include <cerrno>

namespace {

// The login operation: data input, a button click and a confirm answered with OK.
std::unique_ptr<TCommandAutoOperation> loginOperation()
{
    auto op = std::make_unique<TCommandAutoOperation>(1240001);
    op->Name = QStringLiteral("ログイン");
    op->OtherAutoOperationID = 1239001;
    op->TargetScreenID = "LOGIN";
    auto input = std::make_unique<TCommandInputData>();
    input->ScreenID = "LOGIN";
    input->DataID = "1239876";
    input->DataName = "user1";
    op->append(std::move(input));
    auto button = std::make_unique<TCommandClickButton>();
    button->ButtonKey = "form1.login";
    op->append(std::move(button));
    auto confirm = std::make_unique<TCommandClickPopup>();
    confirm->BoxType = TPopupMessageInfo::kConfirm;
    confirm->Button = 1;
    op->append(std::move(confirm));
    return op;
}

const QByteArray kLoginFile = textcodec::toCp932(QStringLiteral(
    "[Info]\r\n"
    "OperationID=1240001\r\n"
    "OperationName=ログイン\r\n"
    "OtherAutoOperationID=1239001\r\n"
    "MoveAddress=\r\n"
    "TargetScreenID=LOGIN\r\n"
    "FinishedScreenID=\r\n"
    "OperationType[0]=0,1239876,user1\r\n"
    "OperationType[1]=2,form1.login\r\n"
    "OperationType[2]=1,2,1\r\n"
    "\r\n"));

QStringList storedTexts(const TCommandAutoOperation& op)
{
    QStringList texts;
    for (int i = 0; i < op.count(); ++i)
        texts << op.at(i)->GetOperationType();
    return texts;
}

class TestFileCommandTest : public OperationFixture {
protected:
    TTestFileCommand command { folder() };
    TOperationList operations;
};

}

TEST_F(TestFileCommandTest, WritesTheLoginOperationAndTheListByteForByte)
{
    auto first = std::make_unique<TCommandAutoOperation>(1239001);
    first->Name = "open";
    ASSERT_TRUE(command.AddOperation(*first));
    ASSERT_TRUE(command.AddOperation(*loginOperation()));

    EXPECT_EQ(read("OperationList.txt"), QByteArray("1239001\r\n1240001\r\n"));
    EXPECT_EQ(read("1240001.ini"), kLoginFile);
    // An operation without commands has the six keys only.
    EXPECT_EQ(read("1239001.ini"), QByteArray("[Info]\r\nOperationID=1239001\r\nOperationName=open\r\n"
                                              "OtherAutoOperationID=0\r\nMoveAddress=\r\nTargetScreenID=\r\n"
                                              "FinishedScreenID=\r\n\r\n"));
    // No backup copies stay behind after writes that succeeded.
    EXPECT_EQ(files(), QStringList({ "1239001.ini", "1240001.ini", "OperationList.txt" }));
}

TEST_F(TestFileCommandTest, ReadsTheLoginOperationBackInListOrder)
{
    write("OperationList.txt", "1240001\r\n1239001\r\n");
    write("1240001.ini", kLoginFile);
    write("1239001.ini", "[Info]\r\nOperationName=open\r\n");
    command.LoadOperations(operations);

    ASSERT_EQ(operations.count(), 2);
    EXPECT_EQ(QStringList({ operations.keyAt(0), operations.keyAt(1) }), QStringList({ "1240001", "1239001" }));
    // Written again, it is the same file: every field and command was read.
    const TCommandAutoOperation& login = *operations.at(0);
    EXPECT_EQ(TTestFileCommand::OperationFileBytes(login), kLoginFile);
    auto* input = dynamic_cast<TCommandInputData*>(login.at(0));
    ASSERT_TRUE(input);
    EXPECT_EQ(input->ScreenID, "LOGIN");
    EXPECT_EQ(input->Owner, &login);

    const TCommandAutoOperation& open = *operations.at(1);
    EXPECT_EQ(QString("%1 %2 %3").arg(open.Name).arg(open.OtherAutoOperationID).arg(open.count()), "open 0 0");
}

TEST_F(TestFileCommandTest, CommandTextsReadBack)
{
    struct Case {
        const char* name;
        QString stored;
        QString readBack; // empty: left out
    };
    const Case cases[] = {
        { "alert", "1,1", "1,1" },
        { "confirm cancel", "1,2,2", "1,2,2" },
        { "anchor", "3,/next.html[1]", "3,/next.html[1]" },
        { "compare", "4,1239876,user1", "4,1239876,user1" },
        { "blanks in a data name", "0,1239876,user one  two ", "0,1239876,user one  two " },
        { "comma in a data name", "0,1239876,Smith, John", "0,1239876,Smith, John" },
        { "comma in a compare name", "4,17,a,b,,c", "4,17,a,b,,c" },
        { "comma in a button key", "2,a,b.go", "2,a,b.go" },
        { "comma in an anchor key", "3,list.cgi?a=1,2", "3,list.cgi?a=1,2" },
        { "unknown kind", "7,x", "" },
        { "kind not a number", "x,1", "" },
        { "box type unknown", "1,3", "" },
        { "confirm button unknown", "1,2,5", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto command = TTestFileCommand::ParseCommand(c.stored, "S");
        EXPECT_EQ(command ? command->GetOperationType() : QString(), c.readBack);
    }
}

TEST_F(TestFileCommandTest, DeleteKeepsTheOrderOfTheRestAndRemovesTheFile)
{
    for (int id : { 11, 12, 13 }) {
        TCommandAutoOperation op(id);
        ASSERT_TRUE(command.AddOperation(op));
    }
    ASSERT_TRUE(command.DeleteOperation("12"));
    EXPECT_EQ(read("OperationList.txt"), QByteArray("11\r\n13\r\n"));
    EXPECT_EQ(files(), QStringList({ "11.ini", "13.ini", "OperationList.txt" }));
}

// An operation is listed only once its file is stored: whichever write fails, the list
// keeps its bytes and no file of the new operation is left.
TEST_F(TestFileCommandTest, AFailedAddListsNothingAndLeavesNoOperationFile)
{
    struct Row {
        const char* name;
        const char* failing; // the file whose write fails
        const char* backup;  // the backup left beside it
    };
    const Row rows[] = {
        { "list cannot be written", "OperationList.txt", "OperationList.txt.41234567.bak" },
        { "operation file cannot be written", "1240001.ini", nullptr },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const QString& name : files())
            QFile::remove(path(name));
        prompter().asked.clear();
        SetTickCountSource([] { return 41234567u; });
        write("OperationList.txt", "1239001\r\n");
        safefile::setFaultHook([&](safefile::Step step, const QString& file) {
            return step == safefile::Step::Write && file == path(row.failing) ? ENOSPC : 0;
        });
        EXPECT_FALSE(command.AddOperation(*loginOperation()));
        safefile::setFaultHook({});
        SetTickCountSource({});
        EXPECT_EQ(read("OperationList.txt"), QByteArray("1239001\r\n"));
        EXPECT_FALSE(QFile::exists(path("1240001.ini")));
        if (row.backup) {
            EXPECT_EQ(read(row.backup), QByteArray("1239001\r\n"));
        }
        const QString message = "file save error: " + path(row.failing);
        EXPECT_EQ(prompter().messages(), QStringList({ message }));
        EXPECT_TRUE(log().contains("[ERROR] " + message)) << log().join("\n").toStdString();
    }
}

// The list is changed under the data folder's lock: where the lock cannot be taken, the
// list and the files stay as they are and the reason is reported.
TEST_F(TestFileCommandTest, AddAndDeleteChangeNothingWithoutTheDataFolderLock)
{
    write("OperationList.txt", "1239001\r\n");
    write("1239001.ini", "[Info]\r\n");
    const QString lockPath = m_home.file("data/.calverdine.lock");
    ASSERT_TRUE(QDir().mkpath(lockPath)); // a folder where the lock file belongs
    EXPECT_FALSE(command.AddOperation(*loginOperation()));
    EXPECT_FALSE(command.DeleteOperation("1239001"));
    EXPECT_EQ(read("OperationList.txt"), QByteArray("1239001\r\n"));
    EXPECT_EQ(files(), QStringList({ "1239001.ini", "OperationList.txt" }));
    EXPECT_EQ(prompter().messages(), QStringList(2, "file save error: " + safefile::systemError(lockPath, EISDIR)));
}

TEST_F(TestFileCommandTest, FailedOperationSaveKeepsTheOldContentInTheBackup)
{
    auto op = loginOperation();
    ASSERT_TRUE(command.SaveOperation(*op));
    SetTickCountSource([] { return 777u; });
    op->Name = QString(200, QChar('x'));
    bool saved = true;
    {
        TWriteLimit limit(rlim_t(kLoginFile.size()));
        saved = command.SaveOperation(*op);
    }
    SetTickCountSource({});
    EXPECT_FALSE(saved);
    EXPECT_EQ(read("1240001.ini.777.bak"), kLoginFile);
    EXPECT_EQ(read("1240001.ini"), kLoginFile);
    EXPECT_EQ(prompter().messages(), QStringList({ "file save error: " + path("1240001.ini") }));
}

// Reading keeps what it can of damaged files: each operation as "key name precondition
// [stored commands]".
TEST_F(TestFileCommandTest, ReadingKeepsWhatItCanOfDamagedFiles)
{
    struct Row {
        const char* name;
        QList<std::pair<QString, QByteArray>> files;
        QStringList operations;
        QStringList messages;
        QString logged;
    };
    const Row rows[] = {
        { "no list file: created empty", {}, {}, {}, {} },
        { "a gap in the command numbers ends the commands",
          { { "OperationList.txt", "5\r\n" },
            { "5.ini", "[Info]\r\nOperationName=gap\r\nOperationType[0]=2,f.go\r\nOperationType[2]=3,a\r\n" } },
          { "5 gap 0 [2,f.go]" }, {}, {} },
        { "no operation file: an empty operation", { { "OperationList.txt", "6\r\n" } }, { "6  0 []" }, {}, {} },
        { "an unknown kind is left out with a warning, a bad precondition is none",
          { { "OperationList.txt", "7\r\n" },
            { "7.ini", "[Info]\r\nOperationName=odd\r\nOtherAutoOperationID=x\r\n"
                       "OperationType[0]=2,f.go\r\nOperationType[1]=9,what\r\nOperationType[2]=1,1\r\n" } },
          { "7 odd 0 [2,f.go|1,1]" }, {}, "[WARN] operation 7: unknown command left out: OperationType[1]=9,what" },
        { "an unreadable file is left out with a load error",
          { { "OperationList.txt", "21\r\n22\r\n" }, { "21.ini/", "" }, { "22.ini", "[Info]\r\nOperationName=fine\r\n" } },
          { "22 fine 0 []" }, { "file load error: " + path("21.ini") }, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
        prompter().clear();
        App().operationLog().clear();
        for (const auto& [name, bytes] : row.files) {
            if (name.endsWith('/'))
                QDir().mkpath(path(name)); // a folder in the file's place cannot be read
            else
                write(name, bytes);
        }
        operations.clear();
        command.LoadOperations(operations);
        QStringList loaded;
        for (int i = 0; i < operations.count(); ++i) {
            const TCommandAutoOperation& op = *operations.at(i);
            loaded << QString("%1 %2 %3 [%4]").arg(operations.keyAt(i), op.Name).arg(op.OtherAutoOperationID).arg(storedTexts(op).join('|'));
        }
        EXPECT_EQ(loaded, row.operations);
        EXPECT_EQ(prompter().messages(), row.messages);
        if (!row.logged.isEmpty()) {
            EXPECT_TRUE(log().join("\n").contains(row.logged)) << log().join("\n").toStdString();
        }
        if (row.files.isEmpty()) {
            EXPECT_EQ(read("OperationList.txt"), QByteArray());
        }
    }
}
