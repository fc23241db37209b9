#include "project/projectdocument.h"
#include "project/views/formproject.h"

#include "support/scriptedprompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

template <class W>
W* find(const TFormProject& dialog, const char* name)
{
    W* w = dialog.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

TEST(FormProject, ShowsTheProjectAndWritesItBackOnOK)
{
    auto project = TXMLProjectType::FromXmlText(
        "<Project><Name>Shop</Name><RootDirectory>/nonexistent/Shop</RootDirectory><HomePage>http://shop/</HomePage>"
        "<ScreenIdentify>2</ScreenIdentify><ScreenIdentifyHidden>sid</ScreenIdentifyHidden>"
        "<EncryptKey>0123456789abcdef0123456789abcdef</EncryptKey><ViewAlert>0</ViewAlert><ProxyServer>2</ProxyServer>"
        "<CaptureMarginWidth>5</CaptureMarginWidth><CaptureMarginHeight>6</CaptureMarginHeight>"
        "<OutputWarning>1</OutputWarning></Project>");
    TScriptedPrompter prompter;
    TFormProject dialog(*project, prompter);

    EXPECT_EQ(find<QLineEdit>(dialog, "LabeledEditName")->text(), QString("Shop"));
    EXPECT_TRUE(find<QRadioButton>(dialog, "RadioButtonHidden")->isChecked());
    EXPECT_EQ(find<QLineEdit>(dialog, "LabeledEditHiddenName")->text(), QString("sid"));
    EXPECT_FALSE(find<QCheckBox>(dialog, "CheckBoxViewAlert")->isChecked());
    EXPECT_TRUE(find<QCheckBox>(dialog, "CheckBoxOutputWarning")->isChecked());
    EXPECT_EQ(find<QComboBox>(dialog, "ComboBoxProxy")->currentIndex(), 2);
    QLineEdit* key = find<QLineEdit>(dialog, "LabeledEditEncryptKey");
    EXPECT_TRUE(key->text().isEmpty()); // the stored digest is never shown
    EXPECT_EQ(key->echoMode(), QLineEdit::Password);

    find<QRadioButton>(dialog, "RadioButtonID")->setChecked(true);
    find<QLineEdit>(dialog, "LabeledEditIDName")->setText("main");
    find<QComboBox>(dialog, "ComboBoxProxy")->setCurrentIndex(1);
    find<QPushButton>(dialog, "ButtonOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(project->ScreenIdentify(), 3);
    EXPECT_EQ(project->ScreenIdentifyID(), QString("main"));
    EXPECT_EQ(project->ProxyServer(), 1);
    EXPECT_EQ(project->EncryptKey(), QString("0123456789abcdef0123456789abcdef"));
}

TEST(FormProject, AFailedCheckKeepsTheDialogOpenWithTheFocusOnItsField)
{
    auto project = TXMLProjectType::NewProjectDocument();
    project->ApplyNewProjectValues("P", "/nonexistent");
    TScriptedPrompter prompter;
    TFormProject dialog(*project, prompter);
    dialog.show();
    find<QLineEdit>(dialog, "LabeledEditCaptureMarginHeight")->clear();
    find<QPushButton>(dialog, "ButtonOK")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter.messages(), QStringList({ "文字数が少なすぎます\r1 文字以上にしてください" }));
    EXPECT_EQ(dialog.focusWidget(), find<QLineEdit>(dialog, "LabeledEditCaptureMarginHeight"));
    find<QPushButton>(dialog, "ButtonCancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(project->Name(), QString("P"));
    EXPECT_EQ(project->CaptureMarginHeight(), QString("0"));
}
