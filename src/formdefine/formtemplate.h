#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// One item of the template menu: its caption and its position in the template file list.
struct TTemplateMenuItem {
    QString caption;
    int fileIndex = -1;
};

// The input template files of the data directory's "FormTemplate" folder: INI files whose
// section "Info" names the template ("Name") and whose section "Item" holds one text per key.
class TFormTemplateFileCommand {
public:
    // The folder of the current project (empty without one).
    static QString folder();
    // The "*.ini" files of the folder by name; the folder is created when missing.
    static QStringList listFiles(const QString& folder);
    // The menu items of the files: the template's name (default "データ n") followed by
    // "(&k)" with k from "1234567890ABC...Z" for the first 36.
    static QList<TTemplateMenuItem> menuItems(const QString& folder, const QStringList& files);
    // The (name, text) lines of section "Item" in file order; a missing file has none.
    static QList<QPair<QString, QString>> readItems(const QString& path);
    // Template text: CP932, or UTF-8 (with or without byte order mark) when that is what
    // the bytes are.
    static QString decode(const QByteArray& bytes);
};

// The template grid (StringGridTemplate): row 0 the header, then one row per text with its
// name, the text and a "実行" button whose state is the cell text of column 2: "1" while
// pressed, "2" after release. A text runs when the button is released where it was pressed.
class TFormTemplateGrid final : public QObject {
    Q_OBJECT
public:
    static constexpr int kButtonColumn = 2;
    static constexpr int kColumnCount = 3;

    explicit TFormTemplateGrid(QObject* parent = nullptr);

    void setItems(const QList<QPair<QString, QString>>& items);
    int rowCount() const { return int(m_cells.size()); }
    QString cell(int column, int row) const;
    bool pressed(int row) const { return cell(kButtonColumn, row) == QLatin1String("1"); }

    // Mouse button down on a cell.
    void press(int column, int row);
    // Mouse button up on a cell (-1 when outside the data rows): returns whether the pressed
    // button was released on itself, with its row's text.
    bool release(int column, int row, QString* text);
    // Esc: the pressed button is forgotten and every button drawn released.
    void cancel();

Q_SIGNALS:
    void cellsChanged();

private:
    bool isButton(int column, int row) const;
    void releaseAll();

    QList<QStringList> m_cells;
    int m_pressedColumn = -1;
    int m_pressedRow = -1;
};
