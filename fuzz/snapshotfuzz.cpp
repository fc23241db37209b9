// Feeds arbitrary text to the page snapshot loader and, when it loads, builds the model and
// reads and writes every form part: hostile pages must give a message or a model, never a crash.
#include "core/error.h"
#include "document/calverdinedocument.h"
#include "document/pagesnapshot.h"
#include "document/screenidhistory.h"
#include "core/appcontext.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    std::shared_ptr<TPageSnapshot> snapshot;
    try {
        snapshot = TPageSnapshot::fromJson(json);
    } catch (const TError&) {
        return 0;
    }
    for (int rule = 1; rule <= 3; ++rule) {
        TScreenIDSettings settings;
        settings.rule = rule;
        settings.hiddenName = QStringLiteral("sid");
        settings.elementId = QStringLiteral("screen");
        TCalverdineDocument model(snapshot->topDocument()->url());
        try {
            model.Parse(snapshot, settings);
            for (int i = 0; i < model.FormParts().count(); ++i) {
                TTagFormPart* part = model.FormParts().at(i);
                model.SetValue(model.FormParts().keyAt(i), part->GetValue());
            }
            QStringList lines;
            model.CollectValues(lines, true);
            for (int i = 0; i < model.Buttons().count(); ++i)
                model.Buttons().at(i)->GetCaption();
            for (int i = 0; i < model.Anchors().count(); ++i)
                model.Anchors().at(i)->GetCaption();
            model.applyRefresh(json);
        } catch (const TError&) {
        }
    }
    // The run-wide list of screen IDs would otherwise grow with every input.
    App().service<TScreenIDHistory>().clear();
    return 0;
}
