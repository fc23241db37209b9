#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"
#include "operation/views/formautooperation.h"

#include "operationfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// The editor on an operation of the screen "login" with two saved data sets, two buttons and
// an anchor on the page, and two other stored operations.
class FormAutoOperationTest : public OperationFixture {
protected:
    FormAutoOperationTest()
    {
        for (auto [id, name] : { std::pair { 501, "open" }, std::pair { 502, "menu" } }) {
            auto stored = std::make_unique<TCommandAutoOperation>(id);
            stored->Name = QString::fromLatin1(name);
            operations.add(QString::number(id), std::move(stored));
        }
        operation.Name = QStringLiteral("login");
        operation.TargetScreenID = QStringLiteral("login");
        choices.dataSets = { { 701, QStringLiteral("first") }, { 702, QStringLiteral("second user") } };
        choices.buttons = { { QStringLiteral("form1.go"), QStringLiteral("Go (form1.go)") },
                            { QStringLiteral("form1.go[1]"), QStringLiteral("Go (form1.go[1])") } };
        choices.anchors = { { QStringLiteral("next.html"), QStringLiteral("Next (next.html)") } };
        choices.currentScreenId = QStringLiteral("login");
        choices.screenHistory = { QStringLiteral("menu"), QString(), QStringLiteral("LOGIN"), QStringLiteral("done") };
    }

    void open()
    {
        dialog = std::make_unique<TFormAutoOperation>(operation, operations, choices, prompter());
        dialog->show();
    }
    template <class T> T* child(const char* name) const { return dialog->findChild<T*>(QLatin1String(name)); }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QListWidget* list() const { return child<QListWidget>("ListBoxOperation"); }
    // Chooses a type and a content item.
    void choose(int type, int item)
    {
        combo("ComboBoxOperationType")->setCurrentIndex(type);
        combo("ComboBoxOperationSubstance")->setCurrentIndex(item);
    }
    QStringList items(const char* name) const
    {
        QStringList texts;
        for (int i = 0; i < combo(name)->count(); ++i)
            texts << combo(name)->itemText(i);
        return texts;
    }
    QStringList encodings() const
    {
        QStringList texts;
        for (int i = 0; i < operation.count(); ++i)
            texts << operation.at(i)->GetOperationType();
        return texts;
    }
    // Enabled list buttons as "UDRXA" letters (up, down, delete, replace, add), "-" when off.
    QString listButtons() const
    {
        QString s;
        const std::pair<const char*, char> names[] = {
            { "ButtonUp", 'U' }, { "ButtonDown", 'D' }, { "ButtonDelete", 'R' }, { "ButtonReplace", 'X' }, { "ButtonAdd", 'A' }
        };
        for (const auto& [name, letter] : names)
            s += button(name)->isEnabled() ? QChar(letter) : QChar('-');
        return s;
    }

    TOperationList operations;
    TCommandAutoOperation operation { 500 };
    TAutoOperationChoices choices;
    std::unique_ptr<TFormAutoOperation> dialog;
};

TEST_F(FormAutoOperationTest, PreconditionListLeavesOutTheEditedOperationAndCopiesTheChosenID)
{
    auto self = std::make_unique<TCommandAutoOperation>(500);
    self->Name = QStringLiteral("login");
    operations.add(QStringLiteral("500"), std::move(self));
    operation.OtherAutoOperationID = 502;
    open();
    EXPECT_EQ(items("ComboBoxOther"), QStringList({ "", "open", "menu" }));
    EXPECT_EQ(combo("ComboBoxOther")->currentText(), QString("menu"));

    combo("ComboBoxOther")->setCurrentIndex(1);
    dialog->CopyFields();
    EXPECT_EQ(operation.OtherAutoOperationID, 501);
    combo("ComboBoxOther")->setCurrentIndex(0);
    dialog->CopyFields();
    EXPECT_EQ(operation.OtherAutoOperationID, 0);

    operation.OtherAutoOperationID = 999; // names no stored operation
    open();
    EXPECT_EQ(combo("ComboBoxOther")->currentIndex(), 0);
}

TEST_F(FormAutoOperationTest, FinishedScreenListHoldsEmptyCurrentAndSeenScreensOnce)
{
    operation.FinishedScreenID = QStringLiteral("done");
    open();
    EXPECT_EQ(items("ComboBoxFinishedScreenID"), QStringList({ "", "login", "menu", "done" }));
    EXPECT_EQ(combo("ComboBoxFinishedScreenID")->currentIndex(), 3);

    // A stored ID that no page showed in this run is kept as it is.
    operation.FinishedScreenID = QStringLiteral("archived");
    open();
    dialog->CopyFields();
    EXPECT_EQ(operation.FinishedScreenID, QString("archived"));
}

TEST_F(FormAutoOperationTest, OKChecksNameAndFinishedScreenLengthsInCharacters)
{
    // 255 characters outside the basic plane are 510 UTF-16 units.
    const QString supplementary255 = QString::fromUcs4(std::u32string(255, U'\U00020B9F').c_str());
    const struct {
        const char* name;
        QString operationName;
        QString finished;
        QString message; // empty: accepted
        const char* focus;
    } rows[] = {
        { "empty name", "", "", "文字数が少なすぎます\r1 文字以上にしてください", "EditName" },
        { "name of 256", QString(256, 'a'), "", "文字数が多すぎます\r255 文字以内にしてください", "EditName" },
        { "name of 255 wide characters", supplementary255, "", "", nullptr },
        { "finished ID of 1025", "ok", QString(1025, 'x'), "文字数が多すぎます\r1024 文字以内にしてください",
          "ComboBoxFinishedScreenID" },
        { "finished ID of 1024", "ok", QString(1024, 'x'), "", nullptr },
    };
    for (const auto& row : rows) {
        prompter().clear();
        open();
        child<QLineEdit>("EditName")->setText(row.operationName);
        combo("ComboBoxFinishedScreenID")->setEditText(row.finished);
        button("ButtonOK")->click();
        if (row.message.isEmpty()) {
            EXPECT_EQ(dialog->result(), QDialog::Accepted) << row.name;
            EXPECT_TRUE(prompter().messages().isEmpty()) << row.name;
            continue;
        }
        EXPECT_TRUE(dialog->isVisible()) << row.name;
        EXPECT_EQ(prompter().messages(), QStringList({ row.message })) << row.name;
        EXPECT_EQ(dialog->focusWidget(), child<QWidget>(row.focus)) << row.name;
    }
}

TEST_F(FormAutoOperationTest, EachTypeMakesItsCommandAndAClickShowsItAgain)
{
    open();
    EXPECT_EQ(listButtons(), QString("-----"));
    const struct {
        int type;
        int item;
        QStringList contents;
        QString encoding;
    } rows[] = {
        { TFormAutoOperation::InputData, 1, { "first", "second user" }, "0,702,second user" },
        { TFormAutoOperation::Alert, 0, { "OK ボタン" }, "1,1" },
        { TFormAutoOperation::Confirm, 1, { "OK ボタン", "キャンセルボタン" }, "1,2,2" },
        { TFormAutoOperation::ClickButton, 1, { "Go (form1.go)", "Go (form1.go[1])" }, "2,form1.go[1]" },
        { TFormAutoOperation::ClickAnchor, 0, { "Next (next.html)" }, "3,next.html" },
        { TFormAutoOperation::FormCompare, 0, { "first", "second user" }, "4,701,first" },
    };
    for (const auto& row : rows) {
        combo("ComboBoxOperationType")->setCurrentIndex(row.type);
        EXPECT_EQ(items("ComboBoxOperationSubstance"), row.contents) << row.type;
        EXPECT_EQ(combo("ComboBoxOperationSubstance")->currentIndex(), 0) << row.type;
        combo("ComboBoxOperationSubstance")->setCurrentIndex(row.item);
        EXPECT_EQ(combo("ComboBoxOperationSubstance")->toolTip(), row.contents.at(row.item)) << row.type;
        button("ButtonAdd")->click();
        EXPECT_EQ(operation.at(operation.count() - 1)->GetOperationType(), row.encoding) << row.type;
        EXPECT_EQ(list()->currentRow(), operation.count() - 1);
    }
    EXPECT_EQ(operation.at(0)->Owner, &operation);
    EXPECT_EQ(static_cast<TCommandInputData*>(operation.at(0))->ScreenID, QString("login"));

    // A click on an entry shows its type and content; clicks go from the last entry up, so
    // every entry changes both boxes.
    for (int i = int(std::size(rows)) - 1; i >= 0; --i) {
        list()->setCurrentRow(i);
        EXPECT_EQ(combo("ComboBoxOperationType")->currentIndex(), rows[i].type) << i;
        EXPECT_EQ(combo("ComboBoxOperationSubstance")->currentIndex(), rows[i].item) << i;
    }
}

TEST_F(FormAutoOperationTest, ListButtonsMoveReplaceAndDeleteWithTheirStates)
{
    open();
    choose(TFormAutoOperation::Alert, 0);
    button("ButtonAdd")->click();
    choose(TFormAutoOperation::Confirm, 0);
    button("ButtonAdd")->click();
    choose(TFormAutoOperation::ClickAnchor, 0);
    button("ButtonAdd")->click();
    EXPECT_EQ(encodings(), QStringList({ "1,1", "1,2,1", "3,next.html" }));
    EXPECT_EQ(listButtons(), QString("U-RXA")); // the last entry is selected

    button("ButtonUp")->click();
    EXPECT_EQ(encodings(), QStringList({ "1,1", "3,next.html", "1,2,1" }));
    EXPECT_EQ(list()->currentRow(), 1);
    EXPECT_EQ(listButtons(), QString("UDRXA"));
    button("ButtonUp")->click();
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(listButtons(), QString("-DRXA"));
    button("ButtonDown")->click();
    EXPECT_EQ(encodings(), QStringList({ "1,1", "3,next.html", "1,2,1" }));

    list()->setCurrentRow(2);
    choose(TFormAutoOperation::Confirm, 1);
    button("ButtonReplace")->click();
    EXPECT_EQ(encodings(), QStringList({ "1,1", "3,next.html", "1,2,2" }));
    EXPECT_EQ(list()->currentRow(), 2);
    EXPECT_EQ(list()->item(2)->text(), QString("Confirm … キャンセルボタン"));

    for (int left = 2; left >= 0; --left) {
        list()->setCurrentRow(0);
        button("ButtonDelete")->click();
        EXPECT_EQ(operation.count(), left);
        EXPECT_EQ(list()->count(), left);
        EXPECT_EQ(combo("ComboBoxOperationType")->currentIndex(), -1);
        EXPECT_EQ(listButtons(), QString("-----")) << left;
    }
}

} // namespace
