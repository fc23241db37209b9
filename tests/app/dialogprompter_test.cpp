#include "app/views/dialogprompter.h"

#include <gtest/gtest.h>

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
