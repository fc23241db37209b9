#include "core/helpaction.h"

#include "core/appcontext.h"
#include "core/commandlist.h"
#include "core/prompter.h"
#include "core/tabaccess.h"

#include <QAction>
#include <QUrl>

#ifndef CALVERDINE_VERSION
#error "CALVERDINE_VERSION comes from the project's version in CMake"
#endif
#ifndef CALVERDINE_HOMEPAGE
#define CALVERDINE_HOMEPAGE ""
#endif

namespace {

QString categoryTitle(const QString& category)
{
    static const struct {
        const char* category;
        const char* title;
    } kTitles[] = {
        { "Main", "メイン" }, { "File", "ファイル" }, { "Edit", "編集" }, { "Find", "検索" },
        { "View", "表示" }, { "Favorite", "お気に入り" }, { "Form", "フォーム" }, { "Data", "データ" },
        { "JavaScript", "JavaScript" }, { "Capture", "キャプチャ" }, { "Test", "操作" },
        { "Server", "サーバー" }, { "Tab", "ウィンドウ" }, { "Help", "ヘルプ" },
        { "PageControl", "パネル" }, { "Address", "アドレス" },
    };
    for (const auto& t : kTitles) {
        if (category == QLatin1String(t.category))
            return QString::fromUtf8(t.title);
    }
    return category;
}

QString plainCaption(QString caption)
{
    caption.remove(QLatin1Char('&'));
    return caption.toHtmlEscaped();
}

} // namespace

THelpAction::THelpAction(const QString& engineVersion, TPageViewer showPage, QObject* parent)
    : TActionCalverdine(parent), m_engineVersion(engineVersion), m_showPage(std::move(showPage))
{
    setObjectName(QStringLiteral("THelpAction"));
    TCommandList& commands = App().commands();
    if (QAction* a = commands.claim(QStringLiteral("ActionHelpView"), objectName()))
        connect(a, &QAction::triggered, this, &THelpAction::showHelp);
    if (QAction* a = commands.claim(QStringLiteral("ActionHelpVersion"), objectName()))
        connect(a, &QAction::triggered, this, &THelpAction::showVersion);
    if (QAction* a = commands.claim(QStringLiteral("ActionHelpViewHomepage"), objectName())) {
        a->setEnabled(!HomepageUrl().isEmpty());
        connect(a, &QAction::triggered, this, &THelpAction::showHomepage);
    }
}

QString THelpAction::VersionText(const QString& engineVersion)
{
    QString text = QStringLiteral("Calverdine ") + QLatin1String(CALVERDINE_VERSION) + QStringLiteral("\nQt ")
        + QLatin1String(qVersion());
    if (!engineVersion.isEmpty())
        text += QLatin1Char('\n') + engineVersion;
    return text;
}

QString THelpAction::HomepageUrl()
{
    return QString::fromUtf8(CALVERDINE_HOMEPAGE);
}

QString THelpAction::HelpPageHtml()
{
    TCommandList& commands = App().commands();
    QString html = QStringLiteral("<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\">"
                                  "<title>Calverdine ヘルプ</title></head><body><h1>Calverdine ヘルプ</h1>"
                                  "<p>Web アプリケーションのテスト用ブラウザです。画面のフォーム値をデータとして保存し、"
                                  "反映・比較できます。コマンドとショートカットの一覧:</p>");
    for (const QString& category : commands.categories()) {
        html += QStringLiteral("<h2>") + categoryTitle(category).toHtmlEscaped() + QStringLiteral("</h2><table>");
        for (const QString& name : commands.names()) {
            // Commands without an owner do nothing; they are not worth a line.
            if (commands.category(name) != category || commands.owner(name).isEmpty())
                continue;
            QAction* a = commands.action(name);
            html += QStringLiteral("<tr><td>") + plainCaption(a->text()) + QStringLiteral("</td><td>")
                + a->shortcut().toString(QKeySequence::NativeText).toHtmlEscaped() + QStringLiteral("</td></tr>");
        }
        html += QStringLiteral("</table>");
    }
    html += QStringLiteral("</body></html>");
    return html;
}

void THelpAction::showHelp()
{
    if (!m_showPage) {
        if (TPrompter* prompter = App().prompter())
            prompter->error(QStringLiteral("ヘルプを表示できません"));
        return;
    }
    m_showPage(HelpPageHtml());
}

void THelpAction::showVersion()
{
    if (TPrompter* prompter = App().prompter())
        prompter->message(VersionText(m_engineVersion), QStringLiteral("バージョン情報"), TPrompter::Buttons::Ok,
                          TPrompter::Icon::Information);
}

void THelpAction::showHomepage()
{
    const QString url = HomepageUrl();
    if (!url.isEmpty() && App().tabs)
        App().tabs->OpenTab(url);
}
