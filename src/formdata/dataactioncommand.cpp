#include "formdata/dataactioncommand.h"

#include "core/error.h"
#include "core/log.h"
#include "core/memo.h"
#include "document/calverdinedocument.h"
#include "document/htmldocument.h"
#include "document/tagaccess.h"
#include "formdata/formvaluelist.h"
#include "crypto/masterpassword.h"
#include "crypto/passwordcrypt.h"
#include "formdata/fieldaliases.h"

#include <QDateTime>

namespace {

const QString kSeparator(60, QLatin1Char('-'));
const QString kNoFormPart = QStringLiteral("フォーム部品なし");

QString shown(const QString& value)
{
    return value == QStringView(kUncheckedValue) ? QStringLiteral("未選択") : value;
}

bool isPassword(const TTagFormPart& part)
{
    return dynamic_cast<const TTagAccessInputPassword*>(part.Accessor()) != nullptr;
}

// A stored password matches when it decrypts to the field's clear value; each reading of
// the field encrypts with a new salt, so the stored texts themselves never match.
bool passwordMatches(const TTagFormPart& part, const QString& stored)
{
    std::optional<QString> clear;
    try {
        clear = PasswordDecryptValue(stored);
    } catch (const TError&) {
        return false;
    }
    return clear && part.Element() && *clear == part.Element()->value();
}

}

QString CompareLine(int number, bool equal, const QString& alias, const QString& path, const QString& dataValue,
                    const QString& formValue)
{
    return QString::number(number) + QStringLiteral(" [比較結果 ") + (equal ? QStringLiteral("OK") : QStringLiteral("NG"))
        + QStringLiteral("]: ") + alias + QLatin1Char('[') + path + QLatin1Char(']') + QStringLiteral(" -> データ値[")
        + shown(dataValue) + QStringLiteral("] -> フォーム値[") + shown(formValue) + QLatin1Char(']');
}

void TDataActionCommand::inputValues(const TFormValueList& values, TCalverdineDocument& document)
{
    TMasterPassword::TActionScope oneQuestion;
    const auto& parts = document.FormParts();
    for (int i = 0; i < values.count(); ++i) {
        TTagFormPart* part = parts.find(values.name(i));
        if (!part)
            continue;
        try {
            part->SetValue(values.value(i));
        } catch (const TError& e) {
            LogWarn(QStringLiteral("form data input: ") + values.name(i) + QStringLiteral(": ") + e.message());
        }
    }
    document.flushWrites();
}

bool TDataActionCommand::compare(const QString& screenId, const QString& dataName, const TFormValueList& values,
                                 const TCalverdineDocument& document, TMemo& memo, TFieldAliases* aliases)
{
    try {
        if (aliases)
            aliases->loadScreen(screenId);
    } catch (const TError& e) {
        // Aliases are a help for reading; a broken definition file does not stop the comparison.
        LogWarn(e.message());
    }
    memo.appendLine(kSeparator);
    memo.appendLine(QStringLiteral("画面ID: ") + screenId);
    memo.appendLine(QStringLiteral("データ名: ") + dataName);
    memo.appendLine(QStringLiteral("日時: ") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd H:mm:ss")));
    memo.appendLine(kSeparator);

    m_compared = 0;
    m_equal = 0;
    TMasterPassword::TActionScope oneQuestion;
    const auto& parts = document.FormParts();
    for (int i = 0; i < values.count(); ++i) {
        const QString& path = values.name(i);
        const QString& dataValue = values.value(i);
        const TTagFormPart* part = parts.find(path);
        QString formValue = kNoFormPart;
        bool equal = false;
        if (part) {
            try {
                formValue = part->GetValue();
                equal = isPassword(*part) ? passwordMatches(*part, dataValue) : dataValue == formValue;
            } catch (const TError& e) {
                formValue = e.message();
            }
        }
        ++m_compared;
        if (equal)
            ++m_equal;
        memo.appendLine(CompareLine(i + 1, equal, aliases ? aliases->field(screenId, path) : QString(), path, dataValue, formValue));
    }
    memo.appendLine(kSeparator);
    const bool allEqual = m_compared == m_equal;
    memo.appendLine(allEqual ? QStringLiteral(" -> OK") : QStringLiteral(" -> NG"));
    return allEqual;
}
