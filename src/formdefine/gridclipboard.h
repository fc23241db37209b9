#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One cell of a pasted block, at its place in the grid.
struct TPastedCell {
    int column = 0;
    int row = 0;
    QString text;

    bool operator==(const TPastedCell& other) const
    {
        return column == other.column && row == other.row && text == other.text;
    }
};

// The clipboard formats under which spreadsheet programs on Linux publish SYLK: LibreOffice
// Calc offers both (the MIME name comes with a ";windows_formatname=..." parameter).
inline constexpr char kSylkMimeType[] = "application/x-openoffice-sylk";
inline constexpr char kSylkBigCapsMimeType[] = "application/x-openoffice-sylk-bigcaps";

// Whether a clipboard format name is one of the SYLK formats above, parameters aside.
bool IsSylkFormat(const QString& format);

// SYLK bytes as text: UTF-8 when they are valid UTF-8 (LibreOffice on Linux), else CP932.
QString DecodeSylk(const QByteArray& bytes);

// The cells of a SYLK block placed so that its first positioned cell record lands on
// (left, top); empty when the text holds no positioned record. Records are lines; ";;"
// inside a field is a semicolon; a quoted value loses its quotes and doubled quotes.
QList<TPastedCell> PlaceSylk(const QString& sylk, int left, int top);

// The cells of tab-separated text (rows by line, cells by tab) placed from (left, top). A
// final line end does not start another row.
QList<TPastedCell> PlaceTabText(const QString& text, int left, int top);

// The block of cells as tab-separated text: cells joined by tabs, rows by CR LF, no final
// line end.
QString CopyText(const QList<QStringList>& rows);
