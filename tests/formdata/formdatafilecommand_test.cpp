#include "core/error.h"
#include "core/inifile.h"
#include "core/safefile.h"
#include "core/eventbus.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "formdata/formdatafilecommand.h"
#include "formdata/formdatainfo.h"
#include "formdata/formdatapaths.h"
#include "formdata/formdatapopuphistory.h"
#include "formdata/formdatastore.h"
#include "formdata/formvaluelist.h"

#include "formdatafixture.h"
#include "support/recordinglistener.h"
#include "support/writelimit.h"

#include <QXmlStreamReader>

#include <functional>

#include <sys/stat.h>

namespace {

TFormValueList loginValues()
{
    TFormValueList values;
    values.append("//login/user", "admin");
    values.append("//login/pass", "0a1b2c3d4e5f6071");
    values.append("//login/remember", "__UN_CHECKED_VAL__");
    return values;
}

const QByteArray kLoginXml = "<FormData>"
                             "<FormDataItem key=\"//login/user\" atttype=\"text\">admin</FormDataItem>"
                             "<FormDataItem key=\"//login/pass\" atttype=\"password\">0a1b2c3d4e5f6071</FormDataItem>"
                             "<FormDataItem key=\"//login/remember\" atttype=\"checkbox\">__UN_CHECKED_VAL__</FormDataItem>"
                             "</FormData>";

class FormDataFileCommandTest : public FormDataFixture {
protected:
    int loadIndex(const QString& screenId, TFormDataPopupHistory* history = nullptr)
    {
        infos.clear();
        command.LoadIndex(screenId, infos, store, history);
        return infos.count();
    }

    TFormDataFileCommand command { [](const QString& path) {
        return QString(path.endsWith("user") ? "text" : path.endsWith("pass") ? "password" : path.endsWith("remember") ? "checkbox" : "");
    } };
    TFormDataInfoList infos;
    TFormDataStore store;
};

}

TEST_F(FormDataFileCommandTest, IndexAndDataFilesOfTwoSetsAndTheirRenameAndDelete)
{
    ASSERT_TRUE(command.SaveData("LOGIN", 1234567, "New Data", TFormValueList()));
    ASSERT_TRUE(command.SaveData("LOGIN", 1240012, "Admin", loginValues()));
    EXPECT_EQ(read("FormData/LOGIN.ini"), QByteArray("[Info]\r\n1234567=New Data\r\n1240012=Admin\r\n"));
    EXPECT_EQ(read("FormData/1240012.xml"), kLoginXml);
    EXPECT_EQ(read("FormData/1234567.xml"), QByteArray("<FormData></FormData>"));
    // Saving again rewrites in place and leaves no backups behind.
    ASSERT_TRUE(command.SaveData("LOGIN", 1234567, "Renamed", loginValues()));
    ASSERT_TRUE(command.SaveData("LOGIN", 3, "three", loginValues()));
    EXPECT_EQ(read("FormData/LOGIN.ini"), QByteArray("[Info]\r\n1234567=Renamed\r\n1240012=Admin\r\n3=three\r\n"));
    EXPECT_EQ(files("FormData"), QStringList({ "1234567.xml", "1240012.xml", "3.xml", "LOGIN.ini" }));

    // Rename and delete touch only their line.
    command.SetDataName("LOGIN", 1240012, "zwei");
    EXPECT_EQ(read("FormData/1240012.xml"), kLoginXml);
    QFile::remove(path("FormData/3.xml"));
    command.DeleteData("LOGIN", 3); // no data file: the index line goes all the same
    command.DeleteData("LOGIN", 1234567);
    EXPECT_EQ(read("FormData/LOGIN.ini"), QByteArray("[Info]\r\n1240012=zwei\r\n"));
    EXPECT_EQ(files("FormData"), QStringList({ "1240012.xml", "LOGIN.ini" }));
    EXPECT_TRUE(prompter().asked.empty());
}

TEST_F(FormDataFileCommandTest, ReadsHandWrittenFilesAndWritesThemBackInTheStoredForm)
{
    const QByteArray index = textcodec::toCp932("; kept\r\n[Info]\r\n1240012=管理者\r\n[Other]\r\nx=1\r\n");
    write("FormData/LOGIN.ini", index);
    write("FormData/1240012.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<FormData>\r\n"
          "  <FormDataItem key=\"//login/user\" atttype=\"text\">admin</FormDataItem>\r\n"
          "  <FormDataItem key=\"//login/pass\" atttype=\"password\">0a1b2c3d4e5f6071</FormDataItem>\r\n"
          "  <FormDataItem key=\"//login/remember\" atttype=\"ignored\">__UN_CHECKED_VAL__</FormDataItem>\r\n"
          "</FormData>\r\n");
    TFormDataPopupHistory history;
    ASSERT_EQ(loadIndex("login", &history), 1);
    EXPECT_EQ(infos.at(0)->ID, 1240012);
    EXPECT_EQ(infos.at(0)->Name, QStringLiteral("管理者"));
    EXPECT_TRUE(store.get(1240012).isEmpty()) << "values are read when the set is used";
    command.LoadValues(1240012, store.get(1240012));
    EXPECT_EQ(store.get(1240012), loginValues());
    EXPECT_EQ(history.last("LOGIN"), 1240012);

    ASSERT_TRUE(command.SaveData("LOGIN", 1240012, infos.at(0)->Name, store.get(1240012)));
    EXPECT_EQ(read("FormData/1240012.xml"), kLoginXml);
    EXPECT_EQ(read("FormData/LOGIN.ini"), index);
}

TEST_F(FormDataFileCommandTest, DataFilesThatAreMissingBrokenOrNoRegularFileFailNamingTheFile)
{
    struct Row {
        const char* name;
        std::function<void(const QString& path)> make;
        const char* reason;
    };
    const Row rows[] = {
        { "missing", [](const QString&) {}, "No such file or directory" },
        { "cut short", [this](const QString&) { write("FormData/99.xml", "<FormData><FormDataItem key=\"a\">x</FormData>"); },
          "not a form data file" },
        { "empty", [this](const QString&) { write("FormData/99.xml", ""); }, "not a form data file" },
        { "garbage", [this](const QString&) { write("FormData/99.xml", "\xff\xfe garbage"); }, "not a form data file" },
        // A FIFO would block a reader that opens it: it is refused without waiting.
        { "FIFO", [](const QString& p) { ASSERT_EQ(mkfifo(QFile::encodeName(p).constData(), 0600), 0); }, "not a regular file" },
        { "folder", [](const QString& p) { QDir().mkpath(p); }, "not a regular file" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString file = path("FormData/99.xml");
        QFile::remove(file);
        QDir().rmdir(file);
        row.make(file);
        TFormValueList values = loginValues();
        try {
            command.LoadValues(99, values);
            ADD_FAILURE() << "no failure";
        } catch (const TError& e) {
            EXPECT_EQ(e.message(), "ファイルが開けませんでした: " + file + ": " + row.reason);
        }
        EXPECT_EQ(values, loginValues());
    }
    EXPECT_TRUE(prompter().asked.empty()) << "the caller reports it, once";
}

TEST_F(FormDataFileCommandTest, LoadingAScreenOpensNoDataFile)
{
    write("FormData/S.ini", "[Info]\r\n1=fifo\r\n2=plain\r\n");
    ASSERT_EQ(mkfifo(QFile::encodeName(path("FormData/1.xml")).constData(), 0600), 0);
    write("FormData/2.xml", "<FormData><FormDataItem key=\"//f/a\">1</FormDataItem></FormData>");
    ASSERT_EQ(loadIndex("S"), 2); // returns at once: the FIFO is not opened
    command.LoadValues(2, store.get(2));
    EXPECT_EQ(store.get(2).lines(), QStringList { "//f/a=1" });
    EXPECT_THROW(command.LoadValues(1, store.get(1)), TError);
}

TEST_F(FormDataFileCommandTest, FailedWritesKeepThePreviousContentAndItsBackup)
{
    ASSERT_TRUE(command.SaveData("LOGIN", 5, "five", loginValues()));
    const QByteArray before = read("FormData/5.xml"), index = read("FormData/LOGIN.ini");
    TFormValueList bigger = loginValues();
    for (int i = 0; i < 200; ++i)
        bigger.append(QString("//login/extra%1").arg(i), "value");
    SetTickCountSource([] { return 777u; });
    {
        TWriteLimit limit(before.size() + 100); // the new data does not fit
        EXPECT_FALSE(command.SaveData("LOGIN", 5, "five", bigger));
    }
    EXPECT_EQ(read("FormData/5.xml"), before);
    EXPECT_EQ(read("FormData/5.xml.777.bak"), before);
    EXPECT_EQ(files("FormData"), QStringList({ "5.xml", "5.xml.777.bak", "LOGIN.ini" }))
        << "nothing half-written";
    const QString reason = path("FormData/5.xml") + ": File too large";
    EXPECT_EQ(prompter().messages(), QStringList({ "ファイルが保存できませんでした\n" + reason, "file save error: " + reason }));
}

TEST_F(FormDataFileCommandTest, AFailedStepOfAnyWriteFailsTheSaveNamingFileAndReason)
{
    struct Row {
        const char* name;
        safefile::Step step;
        const char* file; // the file whose step fails
        int errorNumber;
        const char* reason;
    };
    const Row rows[] = {
        { "data file cannot be created", safefile::Step::Open, ".xml", EROFS, "Read-only file system" },
        { "data file full", safefile::Step::Write, ".xml", ENOSPC, "No space left on device" },
        { "data file sync", safefile::Step::Sync, ".xml", EIO, "Input/output error" },
        { "index full", safefile::Step::Write, ".ini", ENOSPC, "No space left on device" },
        { "index sync", safefile::Step::Sync, ".ini", EIO, "Input/output error" },
        { "index rename", safefile::Step::Rename, ".ini", EACCES, "Permission denied" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(path("FormData")).removeRecursively();
        prompter().asked.clear();
        ASSERT_TRUE(command.SaveData("LOGIN", 5, "five", loginValues()));
        const QByteArray index = read("FormData/LOGIN.ini"), data = read("FormData/5.xml");
        TFormValueList changed = loginValues();
        changed.append("//login/more", "x");
        safefile::setFaultHook([&](safefile::Step step, const QString& file) {
            return step == row.step && file.endsWith(row.file) ? row.errorNumber : 0;
        });
        const QString failed = path(QString("FormData/") + (QString(row.file) == ".xml" ? "5.xml" : "LOGIN.ini"));
        const QString reason = failed + ": " + row.reason;
        if (QString(row.file) == ".xml") {
            EXPECT_FALSE(command.SaveData("LOGIN", 5, "five", changed));
            EXPECT_FALSE(command.SaveData("LOGIN", 6, "six", changed));
            EXPECT_EQ(prompter().messages().value(0), "ファイルが保存できませんでした\n" + reason);
            EXPECT_EQ(read("FormData/5.xml"), data);
        } else {
            try {
                command.SaveData("LOGIN", 6, "six", changed);
                ADD_FAILURE() << "no failure";
            } catch (const TError& e) {
                EXPECT_EQ(e.message(), "file save error: " + reason);
            }
            EXPECT_THROW(command.SetDataName("LOGIN", 5, "renamed"), TError);
            EXPECT_THROW(command.DeleteData("LOGIN", 5), TError);
            EXPECT_EQ(read("FormData/5.xml"), data) << "a failed delete keeps the data file";
        }
        safefile::setFaultHook({});
        EXPECT_EQ(read("FormData/LOGIN.ini"), index);
        EXPECT_FALSE(QFile::exists(path("FormData/6.xml"))) << "no set stored without its index line";
        EXPECT_EQ(files("FormData").filter(".tmp"), QStringList()) << "no temporary file left";
    }
}

TEST_F(FormDataFileCommandTest, LoadIndexSkipsLinesThatAreNoDataIdAndAnnouncesNames)
{
    auto log = std::make_shared<QStringList>();
    App().bus().AddListener(std::make_unique<TRecordingListener>(log, std::initializer_list<TEvent> { TEvent::FormDataNameModified }));
    write("FormData/S.ini", "[Info]\r\n10=ten\r\nabc=broken\r\n20=\r\n");
    write("FormData/10.xml", "<FormData><FormDataItem key=\"//f/a\">1</FormDataItem></FormData>");
    ASSERT_EQ(loadIndex("S"), 2);
    EXPECT_EQ(infos.at(1)->ID, 20);
    EXPECT_EQ(infos.at(1)->Name, QString());
    EXPECT_TRUE(store.contains(10) && store.contains(20));
    EXPECT_EQ(*log, QStringList { "FormDataNameModified:0" });
}

TEST_F(FormDataFileCommandTest, ScreenIdsNeverNameFilesOutsideTheFolder)
{
    // Blanks, as the hidden value and element text rules can give them, are kept verbatim.
    for (const QString& id : { QString("../../evil"), QString(".."), QString("a\\b"), QString("x\ny"),
                               QString("ログイン 画面"), QString(" two  blanks ") }) {
        SCOPED_TRACE(id.toStdString());
        EXPECT_TRUE(command.SaveData(id, 1, "n", TFormValueList()));
        EXPECT_EQ(loadIndex(id), 1);
    }
    EXPECT_EQ(files("FormData"), QStringList({ " two  blanks .ini", "%2E%2E.ini", "..%2F..%2Fevil.ini", "1.xml",
                                               "a%5Cb.ini", "x%0Ay.ini", "ログイン 画面.ini" }));
    EXPECT_FALSE(QFile::exists(m_home.file("evil.ini")));
}

TEST_F(FormDataFileCommandTest, EveryValueIsStoredAsXml10AndReadBackExactly)
{
    struct Row {
        const char* name;
        QString key, value;
        bool escaped; // needs the escaped form: XML 1.0 cannot hold a character of it
    };
    const QChar lone[] = { QChar(0xD800) };
    const Row rows[] = {
        { "control character", "//f/a", QString("a") + QChar(1) + "b", true },
        { "NUL inside", "//f/b", QString("x") + QChar(0) + "y", true },
        { "lone surrogate", "//f/c", QString("s") + QString(lone, 1) + "t", true },
        { "U+FFFF", "//f/d", QString("e") + QChar(0xFFFF), true },
        { "backslash with an escape", "//f/e", QString("\\u0041\\\\") + QChar(2), true },
        { "control character in the key", QString("//f/") + QChar(0x1B), "v", true },
        { "backslashes alone stay", "//f/f", "C:\\dir\\u0041", false },
        { "line ends, tabs and trailing blanks", "//f/g", "a\r\nb\rc\n\td  ", false },
        { "equals signs in key and value", "//f/a=b", "x=y==z", false },
        { "empty value", "//f/empty", "", false },
        { "markup", "//f/<&\"'>", "<&>\"'", false },
        { "astral plane", "//f/h", "😀 日本", false },
    };
    TFormValueList values;
    for (const Row& row : rows)
        values.append(row.key, row.value);
    ASSERT_TRUE(command.SaveData("S", 7, "n", values));
    TFormValueList loaded;
    command.LoadValues(7, loaded);
    EXPECT_EQ(loaded, values);

    // Any XML 1.0 reader accepts the file and reads the ordinary values as they are.
    QXmlStreamReader xml(read("FormData/7.xml"));
    int i = 0;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("FormDataItem"))
            continue;
        const Row& row = rows[i++];
        SCOPED_TRACE(row.name);
        const bool escaped = xml.attributes().value("escaped") == QLatin1String("1");
        EXPECT_EQ(escaped, row.escaped);
        const QString key = xml.attributes().value("key").toString();
        const QString text = xml.readElementText();
        if (!row.escaped) {
            EXPECT_EQ(key, row.key);
            EXPECT_EQ(text, row.value);
        }
    }
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    EXPECT_EQ(i, int(std::size(rows)));
}

TEST_F(FormDataFileCommandTest, IndexLinesASaveDoesNotChangeKeepTheirBytes)
{
    // Bytes that are not valid CP932, a key with blanks, a comment and another section.
    const QByteArray kept = "[Info]\r\n1=\x81\xff\xfe bytes\r\n 2 =\x82\xa0 kana\r\n; note\r\n[Other]\r\nx=\xa0\xfd\r\n";
    write("FormData/S.ini", kept);
    ASSERT_TRUE(command.SaveData("S", 3, "three", TFormValueList()));
    EXPECT_EQ(read("FormData/S.ini"), QByteArray(kept).insert(kept.indexOf("[Other]"), "3=three\r\n"));
    command.SetDataName("S", 1, "one");
    EXPECT_TRUE(read("FormData/S.ini").startsWith("[Info]\r\n1=one\r\n 2 =\x82\xa0 kana\r\n"));
    // A changed value keeps the bytes of its key.
    write("FormData/T.ini", "[Info]\r\n\x81\xff=x\r\n");
    TIniFile index(path("FormData/T.ini"));
    ASSERT_TRUE(index.load());
    index.writeString("Info", index.keyNames("Info").first(), "y");
    EXPECT_EQ(index.toBytes(), QByteArray("[Info]\r\n\x81\xff=y\r\n"));
}

TEST_F(FormDataFileCommandTest, TextCp932CannotHoldIsStoredAsUtf8WithAByteOrderMark)
{
    const QString name = QString::fromUtf8("é😀x");
    ASSERT_TRUE(command.SaveData("S", 1, "データ", TFormValueList()));
    EXPECT_EQ(read("FormData/S.ini"), textcodec::toCp932("[Info]\r\n1=データ\r\n"));
    ASSERT_TRUE(command.SaveData("S", 2, name, TFormValueList()));
    EXPECT_EQ(read("FormData/S.ini"), QByteArray("\xEF\xBB\xBF") + QString("[Info]\r\n1=データ\r\n2=" + name + "\r\n").toUtf8());
    ASSERT_EQ(loadIndex("S"), 2);
    EXPECT_EQ(infos.at(1)->Name, name);
    // Back to CP932 once every line can be written in it again.
    command.SetDataName("S", 2, "二");
    EXPECT_EQ(read("FormData/S.ini"), textcodec::toCp932("[Info]\r\n1=データ\r\n2=二\r\n"));
}

TEST_F(FormDataFileCommandTest, AScreenIdTooLongForAFileNameGetsAStableShortName)
{
    const QString longId = QString("画面").repeated(150) + "/A";
    const QString otherId = QString("画面").repeated(150) + "/B";
    ASSERT_TRUE(command.SaveData(longId, 1, "one", TFormValueList()));
    ASSERT_TRUE(command.SaveData(otherId, 2, "two", TFormValueList()));
    ASSERT_TRUE(command.SaveData(longId.toLower(), 3, "three", TFormValueList()));
    const QStringList indexes = files("FormData").filter(".ini");
    ASSERT_EQ(indexes.size(), 2) << "one file per ID, letter case ignored";
    for (const QString& name : indexes)
        EXPECT_LE(QFile::encodeName(name).size(), 220);
    EXPECT_EQ(loadIndex(longId), 2);
    EXPECT_EQ(loadIndex(otherId), 1);
}
