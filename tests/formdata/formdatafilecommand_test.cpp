#include "core/error.h"
#include "core/eventbus.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "formdata/formdatafilecommand.h"
#include "formdata/formdatainfo.h"
#include "formdata/formdatapopuphistory.h"
#include "formdata/formdatastore.h"
#include "formdata/formvaluelist.h"

#include "formdatafixture.h"
#include "support/recordinglistener.h"
#include "support/writelimit.h"

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
    EXPECT_EQ(store.get(1240012), loginValues());
    EXPECT_EQ(history.last("LOGIN"), 1240012);

    ASSERT_TRUE(command.SaveData("LOGIN", 1240012, infos.at(0)->Name, store.get(1240012)));
    EXPECT_EQ(read("FormData/1240012.xml"), kLoginXml);
    EXPECT_EQ(read("FormData/LOGIN.ini"), index);
}

TEST_F(FormDataFileCommandTest, PathsAndValuesWithSpecialCharactersRoundTrip)
{
    TFormValueList values;
    values.append("//f/a=b", "x=y==z");
    values.append("//f/<q & \"r\">", "<&>\"'");
    values.append("//f/area", "line 1\r\nline 2\n\ttab  ");
    values.append("//f/empty", "");
    values.append("//f/jp", "日本語テキスト");
    ASSERT_TRUE(command.SaveData("S", 7, "n", values));
    TFormValueList loaded;
    command.LoadValues(7, loaded);
    EXPECT_EQ(loaded, values);
    EXPECT_EQ(loaded.name(0), QStringLiteral("//f/a=b"));
}

TEST_F(FormDataFileCommandTest, LoadValuesOfMissingAndMalformedFiles)
{
    TFormValueList values = loginValues();
    command.LoadValues(99, values); // no file: unchanged, no message
    EXPECT_EQ(values, loginValues());
    EXPECT_TRUE(prompter().asked.empty());
    for (const QByteArray& bad : { QByteArray("<FormData><FormDataItem key=\"a\">x</FormData>"), QByteArray(""),
                                   QByteArray("\xff\xfe garbage") }) {
        write("FormData/99.xml", bad);
        values = loginValues();
        command.LoadValues(99, values);
        EXPECT_TRUE(values.isEmpty()) << bad.constData();
    }
    EXPECT_EQ(prompter().messages(), QStringList(3, "ファイルが開けませんでした"));
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
        TWriteLimit limit(before.size() + 100); // the index and the backup copy fit, the new data not
        EXPECT_FALSE(command.SaveData("LOGIN", 5, "five", bigger));
    }
    EXPECT_EQ(read("FormData/5.xml"), before);
    EXPECT_EQ(read("FormData/5.xml.777.bak"), before);
    EXPECT_EQ(files("FormData"), QStringList({ "5.xml", "5.xml.777.bak", "LOGIN.ini" })) << "nothing half-written";
    EXPECT_EQ(prompter().messages(),
              QStringList({ "ファイルが保存できませんでした", "file save error: " + path("FormData/5.xml") }));

    SetTickCountSource([] { return 4242u; });
    {
        TWriteLimit limit(index.size()); // the backup copy fits, the longer index not
        EXPECT_THROW(command.SaveData("LOGIN", 6, "a much longer name than before", loginValues()), TError);
        EXPECT_THROW(command.SetDataName("LOGIN", 5, "a much longer name than before"), TError);
    }
    EXPECT_EQ(read("FormData/LOGIN.ini"), index);
    EXPECT_EQ(read("FormData/LOGIN.ini.4242.bak"), index);
    EXPECT_EQ(read("FormData/6.xml"), QByteArray("<missing>"));
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
    EXPECT_EQ(store.get(10).lines(), QStringList { "//f/a=1" });
    EXPECT_TRUE(store.get(20).isEmpty());
    EXPECT_EQ(*log, QStringList { "FormDataNameModified:0" });
}

TEST_F(FormDataFileCommandTest, ScreenIdsNeverNameFilesOutsideTheFolder)
{
    for (const QString& id : { QString("../../evil"), QString(".."), QString("a\\b"), QString("x\ny") }) {
        ASSERT_TRUE(command.SaveData(id, 1, "n", TFormValueList()));
        EXPECT_EQ(loadIndex(id), 1) << qPrintable(id);
    }
    EXPECT_EQ(files("FormData"), QStringList({ "%2E%2E.ini", "..%2F..%2Fevil.ini", "1.xml", "a%5Cb.ini", "x%0Ay.ini" }));
    EXPECT_FALSE(QFile::exists(m_home.file("evil.ini")));
}
