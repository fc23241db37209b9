#include "app/qttranslations.h"
#include "app/views/dialogprompter.h"
#include "core/views/mainform.h"
#include "support/testhome.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>

TEST(DialogPrompter, FiltersTakeQtsFormAndSavedNamesTheFirstExtension)
{
    const struct {
        QString filter, qtFilter, suffix;
    } cases[] = {
        { "XMLファイル|*.xml", "XMLファイル (*.xml)", "xml" },
        { "画像|*.bmp;*.png|すべて|*.*", "画像 (*.bmp *.png);;すべて (*.*)", "bmp" },
        { "Text|*.txt; *.log", "Text (*.txt *.log)", "txt" },
        { "すべて|*.*", "すべて (*.*)", "" },
        { "*.xml", "*.xml", "" }, // no description: passed on as it is, and adds nothing
        { "", "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter.toStdString());
        EXPECT_EQ(QtFileFilter(c.filter), c.qtFilter);
        EXPECT_EQ(DefaultSuffix(c.filter), c.suffix);
    }
}

TEST(DialogPrompter, CarriageReturnsBreakLines)
{
    EXPECT_EQ(MessageBoxText("文字数が多すぎます\r255 文字以内にしてください"),
              QString("文字数が多すぎます\n255 文字以内にしてください"));
    EXPECT_EQ(MessageBoxText("a\r\nb\nc"), QString("a\nb\nc"));
}

TEST(DialogPrompter, TitlesOfCommandsLoseTheirAccessKeysAndEllipses)
{
    const struct {
        const char* caption;
        const char* title;
    } cases[] = {
        { "上書き保存(&S)", "上書き保存" },
        { "名前を付けて保存(&A)...", "名前を付けて保存" },
        { "&Save", "Save" },
        { "A && B", "A & B" },
        { "(注意)", "(注意)" },
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DialogTitle(QString::fromUtf8(c.caption)), QString::fromUtf8(c.title)) << c.caption;
}

namespace {

bool IsJapanese(const QString& text)
{
    for (const QChar c : text) {
        if ((c.unicode() >= 0x3040 && c.unicode() <= 0x30ff) || (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff))
            return true;
    }
    return false;
}

// Runs the action on the next modal dialog once it shows, then closes it.
void OnNextDialog(const std::function<void(QDialog*)>& action)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        action(dialog);
        dialog->reject();
        poll->deleteLater();
    });
    poll->start();
}

} // namespace

TEST(QtTranslations, StandardButtonsAndDialogsSpeakJapanese)
{
    QTranslator* translator = InstallQtJapaneseTranslations(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "qt6-translations-l10n is not installed";

    QMessageBox box;
    // "OK" reads the same in Japanese.
    for (QMessageBox::StandardButton b : { QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel }) {
        QAbstractButton* button = box.addButton(b);
        EXPECT_TRUE(IsJapanese(button->text())) << button->text().toStdString();
    }

    QFileDialog dialog(nullptr, QStringLiteral("保存"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    for (const char* name : { "lookInLabel", "fileNameLabel", "fileTypeLabel" }) {
        auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_TRUE(IsJapanese(label->text())) << name << ": " << label->text().toStdString();
    }
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    for (QAbstractButton* button : buttons->buttons())
        EXPECT_TRUE(IsJapanese(button->text())) << button->text().toStdString();

    QCoreApplication::removeTranslator(translator);
    delete translator;
}

TEST(DialogPrompter, MessageBoxesAreCentredOnTheMainWindow)
{
    TTestHome home;
    TMainForm form;
    form.setGeometry(200, 150, 900, 700);
    form.show();
    auto* other = new QWidget;
    other->setGeometry(0, 0, 100, 100);
    other->show();
    other->activateWindow();

    QPoint centre;
    QString title;
    QWidget* parent = nullptr;
    OnNextDialog([&](QDialog* dialog) {
        centre = dialog->frameGeometry().center();
        title = dialog->windowTitle();
        parent = dialog->parentWidget();
    });
    TDialogPrompter prompter;
    prompter.message(QStringLiteral("テスト"), QStringLiteral("確認(&K)"), TPrompter::Buttons::YesNo,
                     TPrompter::Icon::Question);
    delete other;

    EXPECT_EQ(parent, &form);
    EXPECT_EQ(title, QString("確認"));
    const QPoint expected = form.frameGeometry().center();
    EXPECT_LE((centre - expected).manhattanLength(), 40) << centre.x() << "," << centre.y();
}
