#pragma once

// The pages, form data and recorded operations that the end-to-end tests of the runner and
// of `calverdine-cli run` share. Screens are told by the text of the element with the id
// "sid". In operation texts and expected lines "@" stands for the server's address.

#include "core/projectdocument.h"
#include "core/textcodec.h"
#include "support/httpserver.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

inline void AddOperationPages(THttpServer& server)
{
    server.addPage(QStringLiteral("/op/login.html"),
                   "<html><head><title>Login</title></head><body><div id=sid>LOGIN</div>"
                   "<form name=login action=menu.html method=get>"
                   "<input type=text name=user value=''>"
                   "<input type=submit name=go value=Login>"
                   "<input type=button name=ask value=Ask onclick=\"if (confirm('Go on?')) location.href='menu.html';"
                   " else document.forms.login.user.value='cancelled';\">"
                   "<input type=button name=warn value=Warn onclick=\"alert('careful')\">"
                   "</form></body></html>");
    server.addPage(QStringLiteral("/op/menu.html"),
                   "<html><head><title>Menu</title></head><body><div id=sid>MENU</div>"
                   "<a href=detail.html>Detail</a>"
                   "<form name=menu><input type=text name=item value=apple></form></body></html>");
    server.addPage(QStringLiteral("/op/detail.html"),
                   "<html><head><title>Detail</title></head><body><div id=sid>DETAIL</div></body></html>");
    // Two pages of one screen whose forms submit to each other.
    for (const char* page : { "same1", "same2" }) {
        const QByteArray next = QByteArray(page) == "same1" ? "same2.html" : "same1.html";
        server.addPage(QStringLiteral("/op/%1.html").arg(QLatin1String(page)),
                       "<html><body><div id=sid>SAME</div><form name=f action=" + next + " method=get>"
                       "<input type=text name=v value=''><input type=submit name=go value=Go></form></body></html>");
    }
    server.addPage(QStringLiteral("/op/slow.html"),
                   "<html><body><div id=sid>SLOW</div></body></html>");
    server.setDelay(QStringLiteral("/op/slow.html"), 30000);
    server.addPage(QStringLiteral("/op/never.html"), "<html><body><div id=sid>NEVER</div></body></html>");
    server.setDelay(QStringLiteral("/op/never.html"), 600000);
}

inline void ConfigureOperationProject(TXMLProjectType& project)
{
    project.SetScreenIdentify(3);
    project.SetScreenIdentifyID(QStringLiteral("sid"));
    QDir().mkpath(project.RootDirectory() + QStringLiteral("/OperationData"));
}

inline void WriteOperationFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// LOGIN: 501 "user1" (user alice), 502 "cancelled"; MENU: 601 "apple" (equal), 602 "pear";
// SAME: 701 "filled".
inline void WriteOperationFormData(const QString& dataDirectory)
{
    const QString folder = dataDirectory + QStringLiteral("/FormData/");
    WriteOperationFile(folder + "LOGIN.ini", textcodec::toCp932("[Info]\r\n501=user1\r\n502=cancelled\r\n"));
    WriteOperationFile(folder + "MENU.ini", textcodec::toCp932("[Info]\r\n601=apple\r\n602=pear\r\n"));
    WriteOperationFile(folder + "SAME.ini", textcodec::toCp932("[Info]\r\n701=filled\r\n"));
    WriteOperationFile(folder + "701.xml", "<FormData><FormDataItem key=\"//f/v\">filled</FormDataItem></FormData>");
    WriteOperationFile(folder + "501.xml", "<FormData><FormDataItem key=\"//login/user\">alice</FormDataItem></FormData>");
    WriteOperationFile(folder + "502.xml", "<FormData><FormDataItem key=\"//login/user\">cancelled</FormDataItem></FormData>");
    WriteOperationFile(folder + "601.xml", "<FormData><FormDataItem key=\"//menu/item\">apple</FormDataItem></FormData>");
    WriteOperationFile(folder + "602.xml", "<FormData><FormDataItem key=\"//menu/item\">pear</FormDataItem></FormData>");
}

inline QString ExpandAddress(const THttpServer& server, QString text)
{
    QString base = server.urlText(QStringLiteral("/"));
    base.chop(1);
    return text.replace(QLatin1Char('@'), base);
}

inline QStringList ExpandLines(const THttpServer& server, const QStringList& lines)
{
    QStringList out;
    for (const QString& line : lines)
        out << ExpandAddress(server, line);
    return out;
}

// The operation file as the tool writes it, from "key=value" lines without the ID.
inline QString OperationText(const THttpServer& server, int id, const QString& lines)
{
    QString text = QStringLiteral("[Info]\r\nOperationID=%1\r\n").arg(id);
    for (const QString& line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        text += ExpandAddress(server, line) + QStringLiteral("\r\n");
    return text + QStringLiteral("\r\n");
}

struct TOperationScenario {
    const char* name;
    std::vector<std::pair<int, QString>> operations;
    int runId;
    bool passes;
    QStringList lines;
};

// The log lines of an operation's start (the address only when it moves), of a command
// that ran (its start, what ran inside it, its end) and of an operation's end.
inline QStringList Begin(const QString& name, const QString& address, const QString& screen)
{
    QStringList lines { "自動操作名: " + name + " 開始" };
    if (!address.isEmpty())
        lines << "移動するアドレス: " + address;
    return lines << "操作する画面ID: " + screen;
}

inline QStringList Step(const QString& kind, const QString& detail, const QStringList& inside = {})
{
    const QString command = "操作定義: " + kind + QStringLiteral(" \u2026 ") + detail;
    return QStringList { command + " 開始" } + inside + QStringList { command + " 終了" };
}

inline QStringList End(const QString& name, const QString& screenAfter = QString())
{
    QStringList lines;
    if (!screenAfter.isEmpty())
        lines << "操作後の画面ＩＤ: " + screenAfter;
    return lines << "自動操作名: " + name + " 終了";
}

// Blocks of an input, a compare and a submit, as operation keys and as log lines.
inline QString SameScreenBlocks(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("OperationType[%1]=0,701,filled\nOperationType[%2]=4,701,filled\nOperationType[%3]=2,f.go\n")
                    .arg(3 * i)
                    .arg(3 * i + 1)
                    .arg(3 * i + 2);
    return text;
}

inline QStringList SameScreenLines(int count)
{
    QStringList lines = Begin("same", "@/op/same1.html", "SAME");
    for (int i = 0; i < count; ++i)
        lines << Step("データ入力", "filled") + Step("フォーム値比較", "filled") + Step("ボタンクリック", "Go (f.go)");
    return lines + End("same");
}

inline std::vector<TOperationScenario> OperationScenarios()
{
    const QString ng = QStringLiteral("操作定義 NG: ");
    const QString dots = QStringLiteral(" \u2026 ");
    const QString wrongScreen = "ErrorCode: 1 (操作する画面 ID が表示されていません)";
    return {
        { "a chain of three operations across three screens",
          { { 11, "OperationName=open\nMoveAddress=@/op/login.html\nTargetScreenID=LOGIN" },
            { 12, "OperationName=login\nOtherAutoOperationID=11\nTargetScreenID=LOGIN\nFinishedScreenID=MENU\n"
                  "OperationType[0]=0,501,user1\nOperationType[1]=2,login.go" },
            { 13, "OperationName=menu\nOtherAutoOperationID=12\nTargetScreenID=MENU\nFinishedScreenID=DETAIL\n"
                  "OperationType[0]=4,601,apple\nOperationType[1]=3,@/op/detail.html" } },
          13, true,
          Begin("open", "@/op/login.html", "LOGIN") + End("open") + Begin("login", {}, "LOGIN")
              + Step("データ入力", "user1") + Step("ボタンクリック", "Login (login.go)") + End("login", "MENU")
              + Begin("menu", {}, "MENU") + Step("フォーム値比較", "apple")
              + Step("アンカークリック", "Detail (@/op/detail.html)") + End("menu", "DETAIL") },
        { "a confirm answered with OK inside the click's step, then the next screen",
          { { 21, "OperationName=ask\nMoveAddress=@/op/login.html\nTargetScreenID=LOGIN\nFinishedScreenID=MENU\n"
                  "OperationType[0]=2,login.ask\nOperationType[1]=1,2,1" } },
          21, true,
          Begin("ask", "@/op/login.html", "LOGIN") + Step("ボタンクリック", "Ask (login.ask)", Step("Confirm", "OK ボタン"))
              + End("ask", "MENU") },
        { "a confirm answered with Cancel: the page took the answer",
          { { 22, "OperationName=keep\nMoveAddress=@/op/login.html\nTargetScreenID=LOGIN\nFinishedScreenID=LOGIN\n"
                  "OperationType[0]=2,login.ask\nOperationType[1]=1,2,2\nOperationType[2]=4,502,cancelled" } },
          22, true,
          Begin("keep", "@/op/login.html", "LOGIN")
              + Step("ボタンクリック", "Ask (login.ask)", Step("Confirm", "キャンセルボタン"))
              + Step("フォーム値比較", "cancelled") + End("keep", "LOGIN") },
        { "an alert answered inside the click's step",
          { { 23, "OperationName=warn\nMoveAddress=@/op/login.html\nTargetScreenID=LOGIN\n"
                  "OperationType[0]=2,login.warn\nOperationType[1]=1,1" } },
          23, true,
          Begin("warn", "@/op/login.html", "LOGIN") + Step("ボタンクリック", "Warn (login.warn)", Step("Alert", "OK ボタン"))
              + End("warn") },
        { "submits to another page of the same screen: each input waits for the new page",
          { { 24, "OperationName=same\nMoveAddress=@/op/same1.html\nTargetScreenID=SAME\n" + SameScreenBlocks(6) } },
          24, true, SameScreenLines(6) },
        { "a compare that finds differences ends with code 21",
          { { 31, "OperationName=pear\nMoveAddress=@/op/menu.html\nTargetScreenID=MENU\nOperationType[0]=4,602,pear" } },
          31, false,
          Begin("pear", "@/op/menu.html", "MENU")
              + QStringList { "操作定義: フォーム値比較" + dots + "pear 開始", ng + "フォーム値比較" + dots + "pear",
                              "ErrorCode: 21 (値が一致しません)" } },
        { "a box command without a box ends with code 3",
          { { 32, "OperationName=nobox\nMoveAddress=@/op/login.html\nTargetScreenID=LOGIN\nOperationType[0]=1,1" } },
          32, false,
          Begin("nobox", "@/op/login.html", "LOGIN")
              + QStringList { ng + "Alert" + dots + "OK ボタン", "ErrorCode: 3 (メッセージボックスが表示されていません)" } },
        { "a box that opens before a data input ends with code 4",
          { { 33, "OperationName=early\nMoveAddress=@/op/login.html\nTargetScreenID=LOGIN\n"
                  "OperationType[0]=2,login.warn\nOperationType[1]=0,501,user1" } },
          33, false,
          Begin("early", "@/op/login.html", "LOGIN")
              + QStringList { "操作定義: ボタンクリック" + dots + "Warn (login.warn) 開始", ng + "データ入力" + dots + "user1",
                              "ErrorCode: 4 (メッセージボックスが表示されました)" } },
        { "the wrong screen before a command ends with code 1",
          { { 34, "OperationName=wrong\nMoveAddress=@/op/menu.html\nTargetScreenID=LOGIN\nOperationType[0]=0,501,user1" } },
          34, false, Begin("wrong", "@/op/menu.html", "LOGIN") + QStringList { "操作する画面ID NG: MENU", wrongScreen } },
        { "a failed precondition: the later operation does not start",
          { { 35, "OperationName=first\nMoveAddress=@/op/menu.html\nTargetScreenID=LOGIN\nOperationType[0]=0,501,user1" },
            { 36, "OperationName=second\nOtherAutoOperationID=35\nTargetScreenID=MENU" } },
          36, false, Begin("first", "@/op/menu.html", "LOGIN") + QStringList { "操作する画面ID NG: MENU", wrongScreen } },
        { "an operation without commands ends in its first step",
          { { 41, "OperationName=empty\nMoveAddress=@/op/detail.html\nTargetScreenID=DETAIL" } },
          41, true, Begin("empty", "@/op/detail.html", "DETAIL") + End("empty") },
        { "a precondition that names no operation",
          { { 54, "OperationName=orphan\nOtherAutoOperationID=999\nTargetScreenID=LOGIN" } },
          54, false, { "orphan の事前条件の自動操作がありません: 999" } },
    };
}
