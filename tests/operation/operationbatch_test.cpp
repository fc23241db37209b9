#include "operation/operationbatch.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

TEST(OperationBatch, ShardSelectionTakesTheKthOfEveryN)
{
    const QStringList keys { "a", "b", "c", "d", "e", "f", "g" };
    struct Row {
        const char* name;
        QString text;
        bool valid;
        QStringList selected;
    };
    const Row rows[] = {
        { "one shard is everything", "1/1", true, keys },
        { "first of three", "1/3", true, { "a", "d", "g" } },
        { "second of three", "2/3", true, { "b", "e" } },
        { "third of three", "3/3", true, { "c", "f" } },
        { "more shards than keys", "9/9", true, {} },
        { "K zero", "0/3", false, {} },
        { "K beyond N", "4/3", false, {} },
        { "N zero", "0/0", false, {} },
        { "not numbers", "a/b", false, {} },
        { "blanks", " 1/2", false, {} },
        { "missing N", "1/", false, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int k = 0;
        int n = 0;
        ASSERT_EQ(ParseShard(row.text, &k, &n), row.valid);
        if (row.valid) {
            EXPECT_EQ(SelectShard(keys, k, n), row.selected);
        }
    }
}

namespace {

// The suite as "suites tests failures" and each test case as its fields in document order:
// name, class name, time, then the failure's type, message and text, then the output.
struct TParsed {
    QString error, suite;
    QStringList cases;
};

TParsed Parse(const QByteArray& bytes)
{
    TParsed parsed;
    int suites = 0;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("testsuite")) {
            ++suites;
            parsed.suite = QStringLiteral("%1 %2 %3").arg(suites).arg(a.value("tests")).arg(a.value("failures"));
        } else if (xml.name() == QLatin1String("testcase")) {
            parsed.cases << QStringList({ a.value("name").toString(), a.value("classname").toString(), a.value("time").toString() }).join(" | ");
        } else if (xml.name() == QLatin1String("failure")) {
            parsed.cases.last() += " | " + a.value("type") + " | " + a.value("message") + " | " + xml.readElementText();
        } else if (xml.name() == QLatin1String("system-out")) {
            parsed.cases.last() += " | " + xml.readElementText();
        }
    }
    if (xml.hasError())
        parsed.error = xml.errorString();
    return parsed;
}

}

TEST(OperationBatch, JUnitReportIsWellFormedAndNamesEachFailure)
{
    std::vector<TOperationRunResult> results(4);
    results[0] = { "11", "ログイン", true, 0, false, {}, { "1: 自動操作名: ログイン 開始", "2: 自動操作名: ログイン 終了" }, 1234 };
    results[1] = { "12", "a<b & \"c\"", false, 21, false, "ErrorCode: 21 (値が一致しません)",
                   { "3: 操作定義 NG: フォーム値比較 \u2026 x]]>y", "4: ErrorCode: 21 (値が一致しません)" }, 5 };
    // Text from a page may hold characters that XML cannot carry.
    results[2] = { "13", QStringLiteral("bell\x07name"), false, 0, false, "loop\x01 found", { QStringLiteral("x\x1b[0m") }, 0 };
    results[3] = { "14", "stop", false, 0, true, "自動操作名: stop 中止", { "5: 自動操作名: stop 中止" }, 7 };
    const QByteArray bytes = JUnitReport("OPS", results, { { "12", "/tmp/shots/12.png" } });
    const TParsed parsed = Parse(bytes);
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString() << bytes.toStdString();
    EXPECT_EQ(parsed.suite, "1 4 3");
    const QString compared = "3: 操作定義 NG: フォーム値比較 \u2026 x]]>y\n4: ErrorCode: 21 (値が一致しません)";
    EXPECT_EQ(parsed.cases, QStringList({
                                "11 ログイン | OPS | 1.234 | 1: 自動操作名: ログイン 開始\n2: 自動操作名: ログイン 終了",
                                "12 a<b & \"c\" | OPS | 0.005 | ErrorCode 21 | ErrorCode: 21 (値が一致しません) | " + compared + " | "
                                    + compared + "\n[[ATTACHMENT|/tmp/shots/12.png]]",
                                "13 bellname | OPS | 0.000 | NotStarted | loop found | x[0m | x[0m",
                                "14 stop | OPS | 0.007 | Cancelled | 自動操作名: stop 中止 | 5: 自動操作名: stop 中止 | 5: 自動操作名: stop 中止",
                            }));
}
