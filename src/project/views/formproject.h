#pragma once

#include "project/projectsettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class TPrompter;
class TXMLProjectType;

// The project settings dialog: shows the settings of a project, checks them on OK and
// writes them into the project in memory.
class TFormProject final : public QDialog {
    Q_OBJECT
public:
    TFormProject(TXMLProjectType& project, TPrompter& prompter, QWidget* parent = nullptr);

    // The values the controls hold now.
    TProjectSettings settings() const;
    QWidget* fieldWidget(TProjectField field) const;

    void accept() override;

private:
    void load(const TProjectSettings& s);
    void updateEnabling();

    TXMLProjectType& m_project;
    TPrompter& m_prompter;

    QLineEdit* m_name = nullptr;
    QLineEdit* m_rootDirectory = nullptr;
    QLineEdit* m_homePage = nullptr;
    QRadioButton* m_radioURL = nullptr;
    QRadioButton* m_radioHidden = nullptr;
    QRadioButton* m_radioID = nullptr;
    QCheckBox* m_urlProtocolType = nullptr;
    QCheckBox* m_urlDomainName = nullptr;
    QCheckBox* m_urlPortNumber = nullptr;
    QCheckBox* m_urlDirectoryName = nullptr;
    QCheckBox* m_urlFileName = nullptr;
    QCheckBox* m_urlFileExtension = nullptr;
    QLineEdit* m_urlDirectoryNameTarget = nullptr;
    QLineEdit* m_urlQueryParameter = nullptr;
    QLineEdit* m_hiddenName = nullptr;
    QLineEdit* m_idName = nullptr;
    QCheckBox* m_viewAlert = nullptr;
    QLineEdit* m_encryptKey = nullptr;
    QLineEdit* m_historySaveNumber = nullptr;
    QComboBox* m_proxy = nullptr;
    QLineEdit* m_proxyAddress = nullptr;
    QLineEdit* m_proxyPort = nullptr;
    QLineEdit* m_captureMarginWidth = nullptr;
    QLineEdit* m_captureMarginHeight = nullptr;
    QComboBox* m_captureFile = nullptr;
    QCheckBox* m_outputStatusText = nullptr;
    QCheckBox* m_outputWarning = nullptr;
};
