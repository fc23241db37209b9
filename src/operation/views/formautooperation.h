#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class TCommandAbstract;
class TCommandAutoOperation;
class TOperationList;
class TPrompter;

// What the editor offers to build commands from: the saved data sets of the operation's
// target screen, the buttons and anchors of the page in the current tab, and the screen IDs
// for the finished-screen check.
struct TAutoOperationChoices {
    struct DataSet {
        int id = 0;
        QString name;
    };
    struct Element {
        QString key;
        QString caption;
    };
    QList<DataSet> dataSets;
    QList<Element> buttons;
    QList<Element> anchors;
    QString currentScreenId;
    // Every screen ID identified in this run, in order of first appearance.
    QStringList screenHistory;

    // Collected from the data store, the current tab's page and the screen ID history.
    static TAutoOperationChoices Current(const QString& targetScreenId);
};

// The operation editor "自動操作". It edits the commands of the operation it is given in
// place; the other fields are copied back by CopyFields once it closed with OK. OK checks the
// name (1 to 255 characters) and the finished screen ID (at most 1024 characters) first.
class TFormAutoOperation final : public QDialog {
    Q_OBJECT
public:
    // Indices of the operation type list (not the stored kind numbers).
    enum TypeIndex : int { InputData = 0, Alert = 1, Confirm = 2, ClickButton = 3, ClickAnchor = 4, FormCompare = 5 };

    TFormAutoOperation(TCommandAutoOperation& operation, const TOperationList& operations, TAutoOperationChoices choices,
                       TPrompter& prompter, QWidget* parent = nullptr);

    // Copies name, address, precondition and finished screen ID into the operation.
    void CopyFields() const;

    void accept() override;

private:
    void buildWidgets();
    void fillFields();
    void refillList(int select);
    void updateListButtons();
    void handleTypeChange(int index);
    void handleSubstanceSelect(int index);
    void handleListSelect(int row);
    std::unique_ptr<TCommandAbstract> CreateOperationCommand() const;
    void add();
    void replace();
    void remove();
    void move(int direction);

    TCommandAutoOperation& m_operation;
    const TOperationList& m_operations;
    TAutoOperationChoices m_choices;
    TPrompter& m_prompter;
    bool m_filling = false;

    QLineEdit* m_name = nullptr;
    QLineEdit* m_moveAddress = nullptr;
    QComboBox* m_other = nullptr;
    QLineEdit* m_targetScreenId = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_add = nullptr;
    QComboBox* m_type = nullptr;
    QComboBox* m_substance = nullptr;
    QComboBox* m_finishedScreenId = nullptr;
};
