#include "core/projectdocument.h"
#include "project/views/formproject.h"

#include "support/scriptedprompter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

TEST(FormProject, ShowsTheProjectChecksOnOKAndWritesItBack)
{
    auto project = TXMLProjectType::FromXmlText(
        "<Project><Name>Shop</Name><RootDirectory>/nonexistent/Shop</RootDirectory><ScreenIdentify>2</ScreenIdentify>"
        "<ScreenIdentifyHidden>sid</ScreenIdentifyHidden><EncryptKey>0123456789abcdef0123456789abcdef</EncryptKey>"
        "<ProxyServer>2</ProxyServer><CaptureMarginWidth>5</CaptureMarginWidth><CaptureMarginHeight>6</CaptureMarginHeight>"
        "</Project>");
    TScriptedPrompter prompter;
    TFormProject dialog(*project, prompter);
    dialog.show();
    const auto edit = [&](const char* name) { return dialog.findChild<QLineEdit*>(name); };
    EXPECT_EQ(edit("LabeledEditName")->text(), QString("Shop"));
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("RadioButtonHidden")->isChecked());
    EXPECT_EQ(edit("LabeledEditHiddenName")->text(), QString("sid"));
    EXPECT_EQ(dialog.findChild<QComboBox*>("ComboBoxProxy")->currentIndex(), 2);
    EXPECT_TRUE(edit("LabeledEditEncryptKey")->text().isEmpty()); // the stored digest is never shown
    EXPECT_EQ(edit("LabeledEditEncryptKey")->echoMode(), QLineEdit::Password);

    dialog.findChild<QRadioButton*>("RadioButtonID")->setChecked(true);
    edit("LabeledEditIDName")->setText("main");
    edit("LabeledEditCaptureMarginHeight")->clear();
    dialog.findChild<QPushButton*>("ButtonOK")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter.messages(), QStringList({ "文字数が少なすぎます\r1 文字以上にしてください" }));
    EXPECT_EQ(dialog.focusWidget(), edit("LabeledEditCaptureMarginHeight"));
    EXPECT_EQ(project->ScreenIdentify(), 2);

    edit("LabeledEditCaptureMarginHeight")->setText("7");
    dialog.findChild<QPushButton*>("ButtonOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(project->ScreenIdentify(), 3);
    EXPECT_EQ(project->ScreenIdentifyID(), QString("main"));
    EXPECT_EQ(project->CaptureMarginHeight(), QString("7"));
    EXPECT_EQ(project->EncryptKey(), QString("0123456789abcdef0123456789abcdef"));
}
