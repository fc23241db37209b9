#include "project/views/formproject.h"

#include "core/prompter.h"
#include "core/projectdocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLineEdit* lineEdit(const char* objectName, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(objectName));
    return e;
}

QCheckBox* checkBox(const char* objectName, const QString& caption, QWidget* parent)
{
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(objectName));
    return c;
}

} // namespace

TFormProject::TFormProject(TXMLProjectType& project, TPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_project(project), m_prompter(prompter)
{
    setObjectName(QStringLiteral("FormProject"));
    setWindowTitle(QStringLiteral("プロジェクトの設定"));

    auto* top = new QFormLayout;
    m_name = lineEdit("LabeledEditName", this);
    m_rootDirectory = lineEdit("LabeledEditRootDirectory", this);
    m_homePage = lineEdit("LabeledEditHomePage", this);
    top->addRow(QStringLiteral("プロジェクト名"), m_name);
    top->addRow(QStringLiteral("データ保存ディレクトリ"), m_rootDirectory);
    top->addRow(QStringLiteral("ホームページ"), m_homePage);

    auto* identify = new QGroupBox(QStringLiteral("画面識別方法"), this);
    auto* identifyLayout = new QGridLayout(identify);
    m_radioURL = new QRadioButton(QStringLiteral("URL パターン"), identify);
    m_radioURL->setObjectName(QStringLiteral("RadioButtonURL"));
    m_radioHidden = new QRadioButton(QStringLiteral("Hidden 値"), identify);
    m_radioHidden->setObjectName(QStringLiteral("RadioButtonHidden"));
    m_radioID = new QRadioButton(QStringLiteral("ID 値"), identify);
    m_radioID->setObjectName(QStringLiteral("RadioButtonID"));
    m_urlProtocolType = checkBox("CheckBoxURLProtocolType", QStringLiteral("プロトコル"), identify);
    m_urlDomainName = checkBox("CheckBoxURLDomainName", QStringLiteral("ドメイン"), identify);
    m_urlPortNumber = checkBox("CheckBoxURLPortNumber", QStringLiteral("ポート"), identify);
    m_urlDirectoryName = checkBox("CheckBoxURLDirectoryName", QStringLiteral("ディレクトリ"), identify);
    m_urlFileName = checkBox("CheckBoxURLFileName", QStringLiteral("ファイル"), identify);
    m_urlFileExtension = checkBox("CheckBoxURLFileExtension", QStringLiteral("拡張子"), identify);
    m_urlDirectoryNameTarget = lineEdit("LabeledEditURLDirectoryName", identify);
    m_urlQueryParameter = lineEdit("LabeledEditURLQueryParameter", identify);
    m_hiddenName = lineEdit("LabeledEditHiddenName", identify);
    m_idName = lineEdit("LabeledEditIDName", identify);

    auto* urlChecks = new QHBoxLayout;
    for (QCheckBox* c : { m_urlProtocolType, m_urlDomainName, m_urlPortNumber, m_urlDirectoryName, m_urlFileName,
                          m_urlFileExtension })
        urlChecks->addWidget(c);
    urlChecks->addStretch();
    auto* urlFields = new QFormLayout;
    urlFields->addRow(QStringLiteral("対象階層"), m_urlDirectoryNameTarget);
    urlFields->addRow(QStringLiteral("パラメータ名"), m_urlQueryParameter);
    auto* hiddenField = new QFormLayout;
    hiddenField->addRow(QStringLiteral("name 値"), m_hiddenName);
    auto* idField = new QFormLayout;
    idField->addRow(QStringLiteral("id 値"), m_idName);
    identifyLayout->addWidget(m_radioURL, 0, 0, Qt::AlignTop);
    auto* urlBox = new QVBoxLayout;
    urlBox->addLayout(urlChecks);
    urlBox->addLayout(urlFields);
    identifyLayout->addLayout(urlBox, 0, 1);
    identifyLayout->addWidget(m_radioHidden, 1, 0);
    identifyLayout->addLayout(hiddenField, 1, 1);
    identifyLayout->addWidget(m_radioID, 2, 0);
    identifyLayout->addLayout(idField, 2, 1);

    m_viewAlert = checkBox("CheckBoxViewAlert", QStringLiteral("Alert ボックスを表示する"), this);

    auto* options = new QFormLayout;
    m_encryptKey = lineEdit("LabeledEditEncryptKey", this);
    m_encryptKey->setEchoMode(QLineEdit::Password);
    options->addRow(QStringLiteral("暗号化キー（マスターパスワード）"), m_encryptKey);
    m_historySaveNumber = lineEdit("LabeledEditHistorySaveNumber", this);
    m_historySaveNumber->setVisible(false); // kept in the project, not offered to the user

    auto* proxyRow = new QHBoxLayout;
    m_proxy = new QComboBox(this);
    m_proxy->setObjectName(QStringLiteral("ComboBoxProxy"));
    m_proxy->addItems({ QStringLiteral("IE の設定で起動する"), QStringLiteral("プロキシを使用しない"),
                        QStringLiteral("右の設定で接続する") });
    m_proxyAddress = lineEdit("LabeledEditProxyAddress", this);
    m_proxyPort = lineEdit("LabeledEditProxyPort", this);
    m_proxyPort->setMaximumWidth(80);
    proxyRow->addWidget(m_proxy);
    proxyRow->addWidget(new QLabel(QStringLiteral("アドレス"), this));
    proxyRow->addWidget(m_proxyAddress);
    proxyRow->addWidget(new QLabel(QStringLiteral("ポート"), this));
    proxyRow->addWidget(m_proxyPort);
    options->addRow(QStringLiteral("プロキシ"), proxyRow);

    auto* capture = new QHBoxLayout;
    auto* margins = new QGroupBox(QStringLiteral("キャプチャ 余白"), this);
    auto* marginsLayout = new QFormLayout(margins);
    m_captureMarginWidth = lineEdit("LabeledEditCaptureMarginWidth", margins);
    m_captureMarginHeight = lineEdit("LabeledEditCaptureMarginHeight", margins);
    marginsLayout->addRow(QStringLiteral("横幅"), m_captureMarginWidth);
    marginsLayout->addRow(QStringLiteral("縦高"), m_captureMarginHeight);
    auto* fileType = new QGroupBox(QStringLiteral("キャプチャ ファイル保存形式"), this);
    auto* fileTypeLayout = new QVBoxLayout(fileType);
    m_captureFile = new QComboBox(fileType);
    m_captureFile->setObjectName(QStringLiteral("ComboBoxCaptureFile"));
    m_captureFile->addItem(QStringLiteral("Bitmap"));
    m_captureFile->addItem(QStringLiteral("PNG"));
    fileTypeLayout->addWidget(m_captureFile);
    fileTypeLayout->addStretch();
    capture->addWidget(margins);
    capture->addWidget(fileType);

    m_outputStatusText = checkBox("CheckBoxOutputStatusText", QStringLiteral("スタータステキストをログ出力する"), this);
    m_outputWarning = checkBox("CheckBoxOutputWarning", QStringLiteral("警告をログ出力する"), this);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormProject::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormProject::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(identify);
    layout->addWidget(m_viewAlert);
    layout->addLayout(options);
    layout->addLayout(capture);
    layout->addWidget(m_outputStatusText);
    layout->addWidget(m_outputWarning);
    layout->addWidget(buttons);

    for (QRadioButton* r : { m_radioURL, m_radioHidden, m_radioID })
        connect(r, &QRadioButton::toggled, this, [this] { updateEnabling(); });

    load(LoadProjectSettings(m_project));
    resize(sizeHint().width() + 60, sizeHint().height());
}

void TFormProject::load(const TProjectSettings& s)
{
    m_name->setText(s.name);
    m_rootDirectory->setText(s.rootDirectory);
    m_homePage->setText(s.homePage);
    m_radioURL->setChecked(s.screenIdentify == 1);
    m_radioHidden->setChecked(s.screenIdentify == 2);
    m_radioID->setChecked(s.screenIdentify == 3);
    m_urlProtocolType->setChecked(s.urlProtocolType);
    m_urlDomainName->setChecked(s.urlDomainName);
    m_urlPortNumber->setChecked(s.urlPortNumber);
    m_urlDirectoryName->setChecked(s.urlDirectoryName);
    m_urlDirectoryNameTarget->setText(s.urlDirectoryNameTarget);
    m_urlFileName->setChecked(s.urlFileName);
    m_urlFileExtension->setChecked(s.urlFileExtension);
    m_urlQueryParameter->setText(s.urlQueryParameter);
    m_hiddenName->setText(s.hiddenName);
    m_idName->setText(s.idName);
    m_viewAlert->setChecked(s.viewAlert);
    m_encryptKey->clear();
    m_historySaveNumber->setText(s.historySaveNumber);
    m_proxy->setCurrentIndex(s.proxyServer >= 0 && s.proxyServer < m_proxy->count() ? s.proxyServer : 0);
    m_proxyAddress->setText(s.proxyAddress);
    m_proxyPort->setText(s.proxyPort);
    m_captureMarginWidth->setText(s.captureMarginWidth);
    m_captureMarginHeight->setText(s.captureMarginHeight);
    m_captureFile->setCurrentIndex(s.captureFileType >= 0 && s.captureFileType < m_captureFile->count()
                                       ? s.captureFileType
                                       : 0);
    m_outputStatusText->setChecked(s.outputStatusText);
    m_outputWarning->setChecked(s.outputWarning);
    updateEnabling();
}

void TFormProject::updateEnabling()
{
    const bool url = m_radioURL->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*> { m_urlProtocolType, m_urlDomainName, m_urlPortNumber,
                                                        m_urlDirectoryName, m_urlFileName, m_urlFileExtension,
                                                        m_urlDirectoryNameTarget, m_urlQueryParameter })
        w->setEnabled(url);
    m_hiddenName->setEnabled(m_radioHidden->isChecked());
    m_idName->setEnabled(m_radioID->isChecked());
}

TProjectSettings TFormProject::settings() const
{
    TProjectSettings s;
    s.name = m_name->text();
    s.rootDirectory = m_rootDirectory->text();
    s.homePage = m_homePage->text();
    s.screenIdentify = m_radioHidden->isChecked() ? 2 : m_radioID->isChecked() ? 3 : 1;
    s.urlProtocolType = m_urlProtocolType->isChecked();
    s.urlDomainName = m_urlDomainName->isChecked();
    s.urlPortNumber = m_urlPortNumber->isChecked();
    s.urlDirectoryName = m_urlDirectoryName->isChecked();
    s.urlDirectoryNameTarget = m_urlDirectoryNameTarget->text();
    s.urlFileName = m_urlFileName->isChecked();
    s.urlFileExtension = m_urlFileExtension->isChecked();
    s.urlQueryParameter = m_urlQueryParameter->text();
    s.hiddenName = m_hiddenName->text();
    s.idName = m_idName->text();
    s.viewAlert = m_viewAlert->isChecked();
    s.encryptKey = m_encryptKey->text();
    s.historySaveNumber = m_historySaveNumber->text();
    s.proxyServer = m_proxy->currentIndex();
    s.proxyAddress = m_proxyAddress->text();
    s.proxyPort = m_proxyPort->text();
    s.captureMarginWidth = m_captureMarginWidth->text();
    s.captureMarginHeight = m_captureMarginHeight->text();
    s.captureFileType = m_captureFile->currentIndex();
    s.outputStatusText = m_outputStatusText->isChecked();
    s.outputWarning = m_outputWarning->isChecked();
    return s;
}

QWidget* TFormProject::fieldWidget(TProjectField field) const
{
    switch (field) {
    case TProjectField::Name: return m_name;
    case TProjectField::RootDirectory: return m_rootDirectory;
    case TProjectField::HomePage: return m_homePage;
    case TProjectField::URLDirectoryName: return m_urlDirectoryNameTarget;
    case TProjectField::URLQueryParameter: return m_urlQueryParameter;
    case TProjectField::HiddenName: return m_hiddenName;
    case TProjectField::IDName: return m_idName;
    case TProjectField::ProxyAddress: return m_proxyAddress;
    case TProjectField::ProxyPort: return m_proxyPort;
    case TProjectField::CaptureMarginWidth: return m_captureMarginWidth;
    case TProjectField::CaptureMarginHeight: return m_captureMarginHeight;
    case TProjectField::EncryptKey: return m_encryptKey;
    }
    return nullptr;
}

void TFormProject::accept()
{
    if (const std::optional<TProjectField> failed = ConfirmProjectSettings(settings(), m_project, m_prompter)) {
        if (QWidget* w = fieldWidget(*failed))
            w->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::accept();
}
