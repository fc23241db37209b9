#include "app/unattendedprompter.h"
#include "app/views/dialogprompter.h"

#include <gtest/gtest.h>

#include <cstdio>

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

TEST(DialogPrompter, CarriageReturnsBreakLines)
{
    EXPECT_EQ(MessageBoxText("文字数が多すぎます\r255 文字以内にしてください"),
              QString("文字数が多すぎます\n255 文字以内にしてください"));
    EXPECT_EQ(MessageBoxText("a\r\nb\nc"), QString("a\nb\nc"));
}

TEST(UnattendedPrompter, WritesMessagesAndAnswersYes)
{
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    TUnattendedPrompter prompter(out);
    EXPECT_EQ(prompter.message("すでに起動しています", {}, TPrompter::Buttons::Ok, TPrompter::Icon::None), TPrompter::Ok);
    EXPECT_EQ(prompter.message("a\rb", "title", TPrompter::Buttons::YesNo, TPrompter::Icon::Question), TPrompter::Yes);
    EXPECT_TRUE(prompter.openFile({ "Open", {}, {}, {} }).isEmpty());
    EXPECT_EQ(prompter.password("確認入力", "x"), std::nullopt);
    std::rewind(out);
    char buffer[512] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    EXPECT_EQ(QString::fromUtf8(buffer, qsizetype(n)),
              QString("message: すでに起動しています\nmessage: title: a b\nopen file: Open (cancelled)\n"
                      "password: 確認入力 (cancelled)\n"));
}
