#include "crypto/masterpassword.h"

#include "core/appcontext.h"
#include "core/prompter.h"
#include "core/textcodec.h"
#include "core/tickcount.h"
#include "crypto/passwordcrypt.h"
#include "core/projectdocument.h"

TMasterPassword::TMasterPassword()
    : m_openingNumber(QString::number(TickCount()))
{
}

void TMasterPassword::projectOpened()
{
    m_openingNumber = QString::number(TickCount());
    forget();
}

void TMasterPassword::forget()
{
    m_held.clear();
}

TMasterPassword::TQuietScope::TQuietScope()
{
    ++App().service<TMasterPassword>().m_quiet;
}

TMasterPassword::TQuietScope::~TQuietScope()
{
    --App().service<TMasterPassword>().m_quiet;
}

TMasterPassword::TActionScope::TActionScope()
{
    ++App().service<TMasterPassword>().m_actionDepth;
}

TMasterPassword::TActionScope::~TActionScope()
{
    TMasterPassword& master = App().service<TMasterPassword>();
    if (--master.m_actionDepth == 0)
        master.m_askedInAction = false;
}

QString TMasterPassword::password()
{
    TXMLProjectType* project = App().currentProject();
    const QString encryptKey = project ? project->EncryptKey() : QString();
    TPrompter* prompter = (m_quiet > 0 || (m_actionDepth > 0 && m_askedInAction)) ? nullptr : App().prompter();
    if (prompter && m_actionDepth > 0)
        m_askedInAction = true;
    if (encryptKey.isEmpty()) {
        if (prompter)
            prompter->message(QStringLiteral("マスターパスワードを設定してください"), QStringLiteral("警告"),
                              TPrompter::Buttons::Ok, TPrompter::Icon::Warning);
        return {};
    }
    const QByteArray key = textcodec::toCp932(m_openingNumber);
    if (!m_held.isEmpty())
        return QString::fromUtf8(DecryptHex(key, m_held));

    if (!prompter)
        return {};
    const std::optional<QString> entered
        = prompter->password(QStringLiteral("確認入力"), QStringLiteral("暗号化キー（マスターパスワード）"));
    if (!entered || Md5Hex(*entered).compare(encryptKey, Qt::CaseInsensitive) != 0)
        return {};
    m_held = EncryptHex(key, entered->toUtf8());
    return *entered;
}
