#include "browser/modeljson.h"

#include "document/calverdinedocument.h"
#include "document/tagscript.h"
#include "document/tagtree.h"

#include <QJsonArray>

#include <vector>

namespace {

// "name=value" lines hold names only until values are read.
QJsonArray names(const QStringList& lines)
{
    QJsonArray array;
    for (const QString& line : lines)
        array.append(line.section(QLatin1Char('='), 0, 0));
    return array;
}

QJsonObject formJson(const TTagForm& form)
{
    QJsonArray parts;
    for (const auto& part : form.Parts()) {
        parts.append(QJsonObject {
            { QStringLiteral("path"), part->GetPath() },
            { QStringLiteral("shortPath"), part->GetShortPath() },
            { QStringLiteral("localName"), part->GetLocalName() },
            { QStringLiteral("type"), part->GetType() },
            { QStringLiteral("value"), part->GetValue() },
        });
    }
    return QJsonObject {
        { QStringLiteral("path"), form.GetPath() },
        { QStringLiteral("shortPath"), form.GetShortPath() },
        { QStringLiteral("caption"), form.GetCaption() },
        { QStringLiteral("name"), form.Name() },
        { QStringLiteral("action"), form.Action() },
        { QStringLiteral("method"), form.Method() },
        { QStringLiteral("parts"), parts },
    };
}

QJsonObject scriptJson(const TTagScript& script)
{
    QJsonArray functions;
    for (const auto& function : script.Functions()) {
        functions.append(QJsonObject {
            { QStringLiteral("name"), function->Name() },
            { QStringLiteral("parameters"), names(function->Parameters()) },
        });
    }
    QJsonObject json {
        { QStringLiteral("caption"), script.GetCaption() },
        { QStringLiteral("src"), script.Src() },
        { QStringLiteral("executable"), script.Executable() },
        { QStringLiteral("readable"), script.ReadError().isEmpty() },
        { QStringLiteral("variables"), names(script.Variables()) },
        { QStringLiteral("functions"), functions },
    };
    // A script whose text the tool may not read shows why its lists are empty.
    if (!script.ReadError().isEmpty())
        json.insert(QStringLiteral("readError"), script.ReadError());
    return json;
}

QJsonObject frameJson(const TTagFrame& frame)
{
    QJsonArray forms;
    for (const auto& form : frame.Forms())
        forms.append(formJson(*form));
    QJsonArray scripts;
    for (const auto& script : frame.Scripts())
        scripts.append(scriptJson(*script));
    // Only a frame of another origin ends without a document and without frames below it
    // (the top document and frames holding framesets have frames but no content of their own).
    const bool reachable = !frame.Parent() || frame.Document() != nullptr || !frame.ChildFrames().empty()
                           || frame.TagName() == QLatin1String("FRAMESET");
    return QJsonObject {
        { QStringLiteral("path"), frame.GetPath() },
        { QStringLiteral("shortPath"), frame.GetShortPath() },
        { QStringLiteral("tag"), frame.TagName() },
        { QStringLiteral("caption"), frame.GetCaption() },
        { QStringLiteral("name"), frame.Name() },
        { QStringLiteral("src"), frame.Src() },
        { QStringLiteral("reachable"), reachable },
        { QStringLiteral("forms"), forms },
        { QStringLiteral("scripts"), scripts },
    };
}

}

QJsonObject DocumentModelJson(const TCalverdineDocument& model, const QString& requestedUrl)
{
    QJsonArray frames;
    if (model.RootFrame()) {
        // Tree order without recursion: hostile pages nest frames deeply.
        std::vector<const TTagFrame*> stack { model.RootFrame() };
        while (!stack.empty()) {
            const TTagFrame* frame = stack.back();
            stack.pop_back();
            frames.append(frameJson(*frame));
            for (auto it = frame->ChildFrames().rbegin(); it != frame->ChildFrames().rend(); ++it)
                stack.push_back(it->get());
        }
    }
    QJsonArray buttons;
    for (int i = 0; i < model.Buttons().count(); ++i) {
        buttons.append(QJsonObject { { QStringLiteral("key"), model.Buttons().keyAt(i) },
                                     { QStringLiteral("caption"), model.Buttons().at(i)->GetCaption() } });
    }
    QJsonArray anchors;
    for (int i = 0; i < model.Anchors().count(); ++i) {
        anchors.append(QJsonObject { { QStringLiteral("key"), model.Anchors().keyAt(i) },
                                     { QStringLiteral("caption"), model.Anchors().at(i)->GetCaption() } });
    }
    return QJsonObject {
        { QStringLiteral("url"), requestedUrl },
        { QStringLiteral("location"), model.URL() },
        { QStringLiteral("screenId"), model.ScreenID() },
        { QStringLiteral("width"), model.Width() },
        { QStringLiteral("height"), model.Height() },
        { QStringLiteral("frames"), frames },
        { QStringLiteral("buttons"), buttons },
        { QStringLiteral("anchors"), anchors },
    };
}
