#include "formdata/views/formdataopen.h"

#include "core/appcontext.h"
#include "core/homefiles.h"
#include "core/inifile.h"
#include "core/prompter.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {
const QString kSection = QStringLiteral("DataOpenForm");
}

TFormDataOpen::TFormDataOpen(const QString& currentScreenId, QWidget* parent)
    : QDialog(parent), m_model(currentScreenId)
{
    setObjectName(QStringLiteral("FormDataOpen"));
    setWindowTitle(QStringLiteral("別画面IDのデータを選択"));
    m_screens = new QListWidget(this);
    m_screens->addItems(m_model.screenIds());
    m_names = new QListWidget(this);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("画面ID"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("データ名"), this), 0, 1);
    layout->addWidget(m_screens, 1, 0);
    layout->addWidget(m_names, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);

    connect(m_screens, &QListWidget::currentRowChanged, this, &TFormDataOpen::handleScreenChanged);
    connect(m_names, &QListWidget::currentRowChanged, this, [this](int row) { m_model.chooseData(row); });
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormDataOpen::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormDataOpen::reject);

    TIniFile ini(GlobalSettingsPath());
    ini.load();
    setGeometry(ini.readInteger(kSection, QStringLiteral("Left"), 0), ini.readInteger(kSection, QStringLiteral("Top"), 0),
                ini.readInteger(kSection, QStringLiteral("Width"), 521), ini.readInteger(kSection, QStringLiteral("Height"), 386));
}

TFormDataOpen::~TFormDataOpen()
{
    TIniFile ini(GlobalSettingsPath());
    if (!ini.load())
        return;
    const QRect g = geometry();
    ini.writeInteger(kSection, QStringLiteral("Top"), g.top());
    ini.writeInteger(kSection, QStringLiteral("Left"), g.left());
    ini.writeInteger(kSection, QStringLiteral("Width"), g.width());
    ini.writeInteger(kSection, QStringLiteral("Height"), g.height());
    ini.save(nullptr, true);
}

void TFormDataOpen::handleScreenChanged(int row)
{
    m_names->clear();
    if (row < 0)
        return;
    m_model.chooseScreen(m_model.screenIds().value(row));
    m_names->addItems(m_model.dataNames());
}

void TFormDataOpen::accept()
{
    const QString message = m_model.acceptMessage();
    if (!message.isEmpty()) {
        if (TPrompter* prompter = App().prompter())
            prompter->message(message);
        return;
    }
    QDialog::accept();
}
