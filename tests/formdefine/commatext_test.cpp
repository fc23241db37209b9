#include "formdefine/commatext.h"

#include <gtest/gtest.h>

TEST(CommaText, SplitsLikeTheStoredRows)
{
    const std::pair<const char*, QStringList> cases[] = {
        { "", {} }, { "a", { "a" } }, { ",", { "", "" } }, { "a, ", { "a" } },
        { "a,", { "a", "" } }, // a trailing comma gives a last empty field
        { "a b", { "a", "b" } }, { "  a , b  ", { "a", "b" } }, // blanks outside quotes separate too
        { "\"a b\",\"c,d\"", { "a b", "c,d" } }, { "\"say \"\"hi\"\"\"", { "say \"hi\"" } },
        { "\"ab\"cd", { "ab", "cd" } }, { "\"open", { "open" } }, { ",,,別名,", { "", "", "", "別名", "" } },
    };
    for (const auto& [text, fields] : cases)
        EXPECT_EQ(SplitCommaText(QString::fromUtf8(text)), fields) << text;
}

TEST(CommaText, EighteenCommasAreNineteenEmptyFieldsAndBack)
{
    const QString empty(18, QLatin1Char(','));
    const QStringList fields = SplitCommaText(empty);
    ASSERT_EQ(fields.size(), 19);
    EXPECT_EQ(fields.join(QString()), QString());
    EXPECT_EQ(CommaText(fields), empty);
}

TEST(CommaText, FieldsThatNeedQuotesSurviveARoundTrip)
{
    const QStringList fields { "plain", "with blank", "with,comma", "with\"quote", "tab\there", "", "日本語", "line\r\nbreak" };
    EXPECT_EQ(CommaText(fields),
              QStringLiteral("plain,\"with blank\",\"with,comma\",\"with\"\"quote\",\"tab\there\",,日本語,\"line\r\nbreak\""));
    EXPECT_EQ(SplitCommaText(CommaText(fields)), fields);
    EXPECT_EQ(SplitCommaText(CommaText({ "" })), QStringList { "" });
}
