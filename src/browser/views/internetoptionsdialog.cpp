#include "browser/views/internetoptionsdialog.h"

#include "browser/engine/engineprofile.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TFormInternetOptions::TFormInternetOptions(TEngineProfile& profile, QWidget* parent)
    : QDialog(parent), m_profile(profile)
{
    setObjectName(QStringLiteral("TFormInternetOptions"));
    setWindowTitle(QStringLiteral("インターネットオプション"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("閲覧の履歴の削除")));
    m_cache = new QCheckBox(QStringLiteral("インターネット一時ファイル(キャッシュ)を削除する"));
    m_cookies = new QCheckBox(QStringLiteral("Cookie を削除する"));
    m_cache->setChecked(true);
    m_cookies->setChecked(true);
    layout->addWidget(m_cache);
    layout->addWidget(m_cookies);
    if (profile.isOffTheRecord())
        layout->addWidget(new QLabel(QStringLiteral("このプロファイルの内容はディスクに保存されません。")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TFormInternetOptions::apply()
{
    if (m_cache->isChecked())
        m_profile.clearCache();
    if (m_cookies->isChecked())
        m_profile.clearCookies();
}
