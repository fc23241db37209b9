#include "formdefine/commatext.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* text;
    QStringList fields;
};
class CommaTextRead : public ::testing::TestWithParam<Case> {};
}

TEST_P(CommaTextRead, SplitsLikeTheStoredRows)
{
    EXPECT_EQ(SplitCommaText(QString::fromUtf8(GetParam().text)), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(Rows, CommaTextRead, ::testing::Values(
    Case { "", {} },
    Case { "a", { "a" } },
    Case { "a,", { "a", "" } },          // a trailing comma gives a last empty field
    Case { ",", { "", "" } },
    Case { "a b", { "a", "b" } },        // blanks outside quotes separate too
    Case { "  a , b  ", { "a", "b" } },
    Case { "a, ", { "a" } },
    Case { "\"a b\",\"c,d\"", { "a b", "c,d" } },
    Case { "\"say \"\"hi\"\"\"", { "say \"hi\"" } },
    Case { "\"ab\"cd", { "ab", "cd" } },
    Case { "\"open", { "open" } },
    Case { ",,,別名,", { "", "", "", "別名", "" } }));

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
