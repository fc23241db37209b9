#include "app/views/dialogprompter.h"

#include <gtest/gtest.h>

TEST(DialogPrompter, FiltersTakeQtsForm)
{
    const std::pair<QString, QString> cases[] = {
        { "XMLファイル|*.xml", "XMLファイル (*.xml)" },
        { "画像|*.bmp;*.png|すべて|*.*", "画像 (*.bmp *.png);;すべて (*.*)" },
        { "Text|*.txt; *.log", "Text (*.txt *.log)" },
        { "", "" },
        { "*.xml", "*.xml" }, // no description: passed on as it is
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(QtFileFilter(in), out) << in.toStdString();
}

TEST(DialogPrompter, SavedNamesGetTheFiltersExtension)
{
    const std::pair<QString, QString> cases[] = {
        { "XMLファイル|*.xml", "xml" },
        { "画像|*.bmp;*.png", "bmp" },
        { "すべて|*.*", "" },
        { "*.xml", "" },
        { "", "" },
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(DefaultSuffix(in), out) << in.toStdString();
}

TEST(DialogPrompter, CarriageReturnsBreakLines)
{
    EXPECT_EQ(MessageBoxText("文字数が多すぎます\r255 文字以内にしてください"),
              QString("文字数が多すぎます\n255 文字以内にしてください"));
    EXPECT_EQ(MessageBoxText("a\r\nb\nc"), QString("a\nb\nc"));
}
