#include "app/views/dialogprompter.h"

#include "core/appcontext.h"
#include "core/mainwindowhost.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace {

// A box asked from inside a dialog belongs to that dialog, any other to the main window, so it
// is centred over the window it speaks about, not wherever the window system puts it.
QWidget* dialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (auto* main = dynamic_cast<QWidget*>(App().mainWindow); main && main->isVisible())
        return main;
    return QApplication::activeWindow();
}

QString initialPath(const TPrompter::FileRequest& request)
{
    if (request.fileName.isEmpty())
        return request.directory;
    if (request.directory.isEmpty())
        return request.fileName;
    return QDir(request.directory).filePath(request.fileName);
}

} // namespace

QString QtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        result << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    if (result.isEmpty() && !filter.isEmpty())
        result << filter;
    return result.join(QStringLiteral(";;"));
}

QString DefaultSuffix(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return QString();
    const QString first = parts.at(1).split(QLatin1Char(';')).first().trimmed();
    if (!first.startsWith(QLatin1String("*.")))
        return QString();
    const QString suffix = first.mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString() : suffix;
}

QString DialogTitle(const QString& caption)
{
    QString title = caption;
    static const QRegularExpression accessKey(QStringLiteral("\\(&[^&)]\\)"));
    title.remove(accessKey);
    title.replace(QLatin1String("&&"), QLatin1String("\x01"));
    title.remove(QLatin1Char('&'));
    title.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    if (title.endsWith(QLatin1String("...")))
        title.chop(3);
    else if (title.endsWith(QChar(0x2026)))
        title.chop(1);
    return title.trimmed();
}

QString MessageBoxText(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

int TDialogPrompter::message(const QString& text, const QString& caption, Buttons buttons, Icon icon)
{
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption.isEmpty() ? ApplicationTitle() : DialogTitle(caption));
    box.setText(MessageBoxText(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int result;
    };
    std::vector<Choice> choices;
    switch (buttons) {
    case Buttons::Ok: choices = { { QMessageBox::Ok, Ok } }; break;
    case Buttons::OkCancel: choices = { { QMessageBox::Ok, Ok }, { QMessageBox::Cancel, Cancel } }; break;
    case Buttons::YesNo: choices = { { QMessageBox::Yes, Yes }, { QMessageBox::No, No } }; break;
    case Buttons::YesNoCancel:
        choices = { { QMessageBox::Yes, Yes }, { QMessageBox::No, No }, { QMessageBox::Cancel, Cancel } };
        break;
    }
    for (const Choice& c : choices)
        box.addButton(c.button);
    box.setDefaultButton(choices.front().button);
    // Esc and the close box give the last choice: Cancel where there is one, else No or OK.
    box.setEscapeButton(box.button(choices.back().button));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const Choice& c : choices) {
        if (clicked == box.button(c.button))
            return c.result;
    }
    return choices.back().result;
}

QString TDialogPrompter::openFile(const FileRequest& request)
{
    return QFileDialog::getOpenFileName(dialogParent(), DialogTitle(request.title), initialPath(request),
                                        QtFileFilter(request.filter));
}

QString TDialogPrompter::saveFile(const FileRequest& request)
{
    QFileDialog dialog(dialogParent(), DialogTitle(request.title), initialPath(request), QtFileFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Callers ask their own overwrite question where one belongs.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // A name typed without its extension gets the filter's: "Shop" is saved as "Shop.xml".
    dialog.setDefaultSuffix(DefaultSuffix(request.filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

std::optional<QString> TDialogPrompter::password(const QString& caption, const QString& label)
{
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(DialogTitle(caption));
    dialog.setLabelText(label);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("キャンセル"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
