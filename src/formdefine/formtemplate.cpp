#include "formdefine/formtemplate.h"

#include "core/appcontext.h"
#include "core/inifile.h"
#include "core/projectdocument.h"
#include "core/safefile.h"
#include "core/textcodec.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

QString TFormTemplateFileCommand::folder()
{
    TXMLProjectType* project = App().currentProject();
    if (!project || project->RootDirectory().isEmpty())
        return QString();
    return project->RootDirectory() + QStringLiteral("/FormTemplate");
}

QStringList TFormTemplateFileCommand::listFiles(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    QDir().mkpath(folder);
    QDir dir(folder);
    QStringList files;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (info.fileName().endsWith(QLatin1String(".ini"), Qt::CaseInsensitive))
            files << info.fileName();
    }
    return files;
}

QString TFormTemplateFileCommand::decode(const QByteArray& bytes)
{
    // Japanese CP932 text is almost never valid UTF-8 (its lead bytes are UTF-8 continuation
    // bytes), so bytes that are valid UTF-8 were written as UTF-8.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? textcodec::fromCp932(bytes) : text;
}

namespace {

TIniFile readTemplate(const QString& path)
{
    TIniFile ini;
    QByteArray bytes;
    if (QFileInfo(path).isFile() && safefile::read(path, &bytes))
        ini.parseText(TFormTemplateFileCommand::decode(bytes));
    return ini;
}

}

QList<TTemplateMenuItem> TFormTemplateFileCommand::menuItems(const QString& folder, const QStringList& files)
{
    static const QString keys = QStringLiteral("1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QList<TTemplateMenuItem> items;
    for (int i = 0; i < files.size(); ++i) {
        const TIniFile ini = readTemplate(folder + QLatin1Char('/') + files[i]);
        QString caption = ini.readString(QStringLiteral("Info"), QStringLiteral("Name"),
                                         QStringLiteral("データ %1").arg(i + 1));
        if (i < keys.size())
            caption += QStringLiteral("(&") + keys.at(i) + QLatin1Char(')');
        items << TTemplateMenuItem { caption, i };
    }
    return items;
}

QList<QPair<QString, QString>> TFormTemplateFileCommand::readItems(const QString& path)
{
    const TIniFile ini = readTemplate(path);
    QList<QPair<QString, QString>> items;
    const QString section = QStringLiteral("Item");
    for (const QString& key : ini.keyNames(section))
        items << qMakePair(key, ini.readString(section, key));
    return items;
}

TFormTemplateGrid::TFormTemplateGrid(QObject* parent) : QObject(parent)
{
    setItems({});
}

void TFormTemplateGrid::setItems(const QList<QPair<QString, QString>>& items)
{
    m_cells.clear();
    m_cells << QStringList { QStringLiteral("名前"), QStringLiteral("データ"), QString() };
    for (const auto& item : items)
        m_cells << QStringList { item.first, item.second, QStringLiteral("2") };
    m_pressedColumn = -1;
    m_pressedRow = -1;
    Q_EMIT cellsChanged();
}

QString TFormTemplateGrid::cell(int column, int row) const
{
    if (row < 0 || row >= m_cells.size() || column < 0 || column >= kColumnCount)
        return QString();
    return m_cells[row][column];
}

bool TFormTemplateGrid::isButton(int column, int row) const
{
    return column == kButtonColumn && row >= 1 && row < m_cells.size();
}

void TFormTemplateGrid::press(int column, int row)
{
    if (!isButton(column, row))
        return;
    m_cells[row][kButtonColumn] = QStringLiteral("1");
    m_pressedColumn = column;
    m_pressedRow = row;
    Q_EMIT cellsChanged();
}

void TFormTemplateGrid::releaseAll()
{
    for (int r = 1; r < m_cells.size(); ++r) {
        if (m_cells[r][kButtonColumn] == QLatin1String("1"))
            m_cells[r][kButtonColumn] = QStringLiteral("2");
    }
}

bool TFormTemplateGrid::release(int column, int row, QString* text)
{
    if (isButton(column, row))
        m_cells[row][kButtonColumn] = QStringLiteral("2");
    releaseAll();
    const bool same = m_pressedRow >= 1 && column == m_pressedColumn && row == m_pressedRow;
    if (same && text)
        *text = m_cells[row][1];
    m_pressedColumn = -1;
    m_pressedRow = -1;
    Q_EMIT cellsChanged();
    return same;
}

void TFormTemplateGrid::cancel()
{
    m_pressedColumn = -1;
    m_pressedRow = -1;
    releaseAll();
    Q_EMIT cellsChanged();
}
