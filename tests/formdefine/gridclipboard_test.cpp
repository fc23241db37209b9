#include "core/textcodec.h"
#include "formdefine/gridclipboard.h"

#include <gtest/gtest.h>

namespace {

QString describe(const QList<TPastedCell>& cells)
{
    QStringList parts;
    for (const TPastedCell& cell : cells)
        parts << QStringLiteral("(%1,%2)=%3").arg(cell.column).arg(cell.row).arg(cell.text);
    return parts.join(QLatin1Char(' '));
}

struct SylkCase {
    const char* name;
    QByteArray bytes;
    int left;
    int top;
    const char* expected;
};

}

TEST(GridClipboard, SylkBlocksLandAtTheSelectedCell)
{
    const SylkCase cases[] = {
        // What LibreOffice Calc puts on the clipboard for a 2 x 2 block (text and numbers).
        { "libreoffice 2x2", QByteArray("ID;PSCALC3\nC;X1;Y1;K\"必須\"\nC;X2;Y1;K\"半角\"\nC;X1;Y2;K1\nC;X2;Y2;K2\nE\n"),
          3, 4, "(3,4)=必須 (4,4)=半角 (3,5)=1 (4,5)=2" },
        { "crlf line ends", QByteArray("ID;PSCALC3\r\nC;X1;Y1;K\"a\"\r\nC;X2;Y1;K\"b\"\r\nE\r\n"), 2, 2,
          "(2,2)=a (3,2)=b" },
        // Excel's style: Y on the first cell of a row only, X persisting.
        { "positions persist", QByteArray("ID;PWXL;N;E\r\nC;Y1;X1;K\"a\"\r\nC;X2;K\"b\"\r\nC;Y2;X1;K\"c\"\r\nC;X2;K\"d\"\r\nE\r\n"),
          5, 2, "(5,2)=a (6,2)=b (5,3)=c (6,3)=d" },
        // A block copied from the middle of a sheet is placed by its first cell.
        { "offset block", QByteArray("ID;PSCALC3\nC;X4;Y7;K\"x\"\nC;X5;Y8;K\"y\"\nE\n"), 2, 3, "(2,3)=x (3,4)=y" },
        // Format records before the first cell only move the position.
        { "format records", QByteArray("ID;PSCALC3\nF;P0;X3;Y2\nF;W1 2 10\nC;X3;Y2;K\"f\"\nE\n"), 6, 6, "(6,6)=f" },
        { "semicolons and quotes", QByteArray("ID;PSCALC3\nC;X1;Y1;K\"a;;b \"\"c\"\"\"\nE\n"), 3, 2, "(3,2)=a;b \"c\"" },
        { "empty text", QByteArray("ID;PSCALC3\nC;X1;Y1;K\"\"\nE\n"), 3, 2, "(3,2)=" },
        { "cells without values", QByteArray("ID;PSCALC3\nC;X1;Y1;K\"v\"\nC;X2;Y1\nE\n"), 3, 2, "(3,2)=v" },
        { "no positioned record", QByteArray("ID;PSCALC3\nC;K\"lost\"\nE\n"), 3, 2, "" },
        { "not sylk at all", QByteArray("hello\tworld\n"), 3, 2, "" },
        { "empty", QByteArray(), 3, 2, "" },
    };
    for (const SylkCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(PlaceSylk(DecodeSylk(c.bytes), c.left, c.top)), QString::fromUtf8(c.expected));
    }
}

TEST(GridClipboard, SylkIsReadAsUtf8OrElseCp932)
{
    EXPECT_EQ(DecodeSylk(QByteArray("K\"\xE5\xBF\x85\xE9\xA0\x88\"")), QStringLiteral("K\"必須\""));
    EXPECT_EQ(DecodeSylk(textcodec::toCp932(QStringLiteral("K\"必須\""))), QStringLiteral("K\"必須\""));
}

TEST(GridClipboard, SpreadsheetFormatsAreKnownByTheirMimeType)
{
    const struct {
        const char* format;
        bool sylk;
    } cases[] = {
        { "application/x-openoffice-sylk;windows_formatname=\"Sylk\"", true },
        { "application/x-openoffice-sylk-bigcaps;windows_formatname=\"SYLK\"", true },
        { "application/x-openoffice-sylk", true },
        { "application/x-openoffice-dif;windows_formatname=\"DIF\"", false },
        { "text/plain", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSylkFormat(QString::fromLatin1(c.format)), c.sylk) << c.format;
}

TEST(GridClipboard, TabSeparatedTextFillsRowsAndColumns)
{
    const struct {
        const char* name;
        const char* text;
        const char* expected;
    } cases[] = {
        { "2x2 with final line end", "a\tb\r\nc\td\r\n", "(3,2)=a (4,2)=b (3,3)=c (4,3)=d" },
        { "lf only", "a\tb\nc\td", "(3,2)=a (4,2)=b (3,3)=c (4,3)=d" },
        { "empty cells kept", "\tb\n", "(3,2)= (4,2)=b" },
        { "one cell", "x", "(3,2)=x" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(PlaceTabText(QString::fromUtf8(c.text), 3, 2)), QString::fromUtf8(c.expected));
    }
}

TEST(GridClipboard, CopiedBlocksAreTabSeparatedWithoutAFinalLineEnd)
{
    EXPECT_EQ(CopyText({ { "a", "b", "c" } }), QStringLiteral("a\tb\tc"));
    EXPECT_EQ(CopyText({ { "a", "" }, { "", "d" } }), QStringLiteral("a\t\r\n\td"));
}
