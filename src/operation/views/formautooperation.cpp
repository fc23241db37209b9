#include "operation/views/formautooperation.h"

#include "core/appcontext.h"
#include "core/error.h"
#include "core/log.h"
#include "core/popupinfo.h"
#include "core/prompter.h"
#include "core/tabaccess.h"
#include "document/calverdinedocument.h"
#include "document/screenidhistory.h"
#include "document/tagtree.h"
#include "formdata/formdatamanager.h"
#include "operation/commandautooperation.h"
#include "operation/operationcommands.h"
#include "operation/operationlist.h"
#include "project/projectsettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kNameMaximum = 255;
constexpr int kFinishedScreenIdMaximum = 1024;

QPushButton* button(const char* name, const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* label(const char* caption, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

TAutoOperationChoices TAutoOperationChoices::Current(const QString& targetScreenId)
{
    TAutoOperationChoices choices;
    if (!targetScreenId.isEmpty()) {
        try {
            TFormDataInfoList& list = App().service<TFormDataManager>().dataList(targetScreenId);
            for (int i = 0; i < list.count(); ++i)
                choices.dataSets.append({ list.at(i)->ID, list.at(i)->Name });
        } catch (const TError& e) {
            // An index that cannot be read offers no data sets, and says why.
            LogError(e.message());
        }
    }
    TTabView* tab = CurrentTabView();
    if (TCalverdineDocument* document = tab ? tab->GetDocumentModel() : nullptr) {
        choices.currentScreenId = document->ScreenID();
        const auto& buttons = document->Buttons();
        for (int i = 0; i < buttons.count(); ++i)
            choices.buttons.append({ buttons.at(i)->GetKey(), buttons.at(i)->GetCaption() });
        const auto& anchors = document->Anchors();
        for (int i = 0; i < anchors.count(); ++i)
            choices.anchors.append({ anchors.at(i)->GetKey(), anchors.at(i)->GetCaption() });
    }
    choices.screenHistory = App().service<TScreenIDHistory>().items();
    return choices;
}

TFormAutoOperation::TFormAutoOperation(TCommandAutoOperation& operation, const TOperationList& operations,
                                       TAutoOperationChoices choices, TPrompter& prompter, QWidget* parent)
    : QDialog(parent)
    , m_operation(operation)
    , m_operations(operations)
    , m_choices(std::move(choices))
    , m_prompter(prompter)
{
    setObjectName(QStringLiteral("FormAutoOperation"));
    setWindowTitle(QStringLiteral("自動操作"));
    buildWidgets();
    fillFields();
}

void TFormAutoOperation::buildWidgets()
{
    auto* basic = new QGroupBox(QStringLiteral("基本情報"), this);
    m_name = new QLineEdit(basic);
    m_name->setObjectName(QStringLiteral("EditName"));
    m_moveAddress = new QLineEdit(basic);
    m_moveAddress->setObjectName(QStringLiteral("EditMoveAddress"));
    auto* basicLayout = new QGridLayout(basic);
    basicLayout->addWidget(label("自動操作名", m_name, basic), 0, 0);
    basicLayout->addWidget(m_name, 0, 1);
    basicLayout->addWidget(label("移動するアドレス", m_moveAddress, basic), 1, 0);
    basicLayout->addWidget(m_moveAddress, 1, 1);

    auto* before = new QGroupBox(QStringLiteral("事前条件"), this);
    m_other = new QComboBox(before);
    m_other->setObjectName(QStringLiteral("ComboBoxOther"));
    m_other->setEditable(false);
    m_targetScreenId = new QLineEdit(before);
    m_targetScreenId->setObjectName(QStringLiteral("EditTargetScreenID"));
    m_targetScreenId->setReadOnly(true);
    auto* beforeLayout = new QGridLayout(before);
    beforeLayout->addWidget(label("他の自動操作", m_other, before), 0, 0);
    beforeLayout->addWidget(m_other, 0, 1);
    beforeLayout->addWidget(label("操作する画面ID", m_targetScreenId, before), 1, 0);
    beforeLayout->addWidget(m_targetScreenId, 1, 1);

    auto* commands = new QGroupBox(QStringLiteral("操作定義"), this);
    m_list = new QListWidget(commands);
    m_list->setObjectName(QStringLiteral("ListBoxOperation"));
    m_up = button("ButtonUp", "上へ", commands);
    m_down = button("ButtonDown", "下へ", commands);
    m_delete = button("ButtonDelete", "削除", commands);
    m_replace = button("ButtonReplace", "置き換え", commands);
    m_add = button("ButtonAdd", "追加", commands);
    m_type = new QComboBox(commands);
    m_type->setObjectName(QStringLiteral("ComboBoxOperationType"));
    m_type->addItems({ QStringLiteral("データ入力"), QStringLiteral("Alert クリック"), QStringLiteral("Confirm クリック"),
                       QStringLiteral("ボタンクリック"), QStringLiteral("アンカークリック"), QStringLiteral("フォーム値比較") });
    m_substance = new QComboBox(commands);
    m_substance->setObjectName(QStringLiteral("ComboBoxOperationSubstance"));
    m_substance->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_substance->setMinimumContentsLength(24);
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* b : { m_up, m_down, m_delete, m_replace, m_add })
        listButtons->addWidget(b);
    auto* chooser = new QGridLayout;
    chooser->addWidget(label("操作種別", m_type, commands), 0, 0);
    chooser->addWidget(m_type, 0, 1);
    chooser->addWidget(label("操作内容", m_substance, commands), 1, 0);
    chooser->addWidget(m_substance, 1, 1);
    chooser->setColumnStretch(1, 1);
    auto* commandsLayout = new QVBoxLayout(commands);
    commandsLayout->addWidget(m_list, 1);
    commandsLayout->addLayout(listButtons);
    commandsLayout->addLayout(chooser);

    auto* after = new QGroupBox(QStringLiteral("事後条件"), this);
    m_finishedScreenId = new QComboBox(after);
    m_finishedScreenId->setObjectName(QStringLiteral("ComboBoxFinishedScreenID"));
    m_finishedScreenId->setEditable(true);
    m_finishedScreenId->setInsertPolicy(QComboBox::NoInsert);
    auto* afterLayout = new QGridLayout(after);
    afterLayout->addWidget(label("操作後の画面ＩＤ", m_finishedScreenId, after), 0, 0);
    afterLayout->addWidget(m_finishedScreenId, 0, 1);
    afterLayout->setColumnStretch(1, 1);

    auto* ok = button("ButtonOK", "OK", this);
    ok->setDefault(true);
    auto* cancel = button("ButtonCancel", "キャンセル", this);
    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    closing->addWidget(ok);
    closing->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(basic);
    layout->addWidget(before);
    layout->addWidget(commands, 1);
    layout->addWidget(after);
    layout->addLayout(closing);
    resize(520, 560);

    connect(ok, &QPushButton::clicked, this, &TFormAutoOperation::accept);
    connect(cancel, &QPushButton::clicked, this, &TFormAutoOperation::reject);
    connect(m_type, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_filling)
            handleTypeChange(index);
    });
    connect(m_substance, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_filling)
            handleSubstanceSelect(index);
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling)
            handleListSelect(row);
    });
    connect(m_add, &QPushButton::clicked, this, &TFormAutoOperation::add);
    connect(m_replace, &QPushButton::clicked, this, &TFormAutoOperation::replace);
    connect(m_delete, &QPushButton::clicked, this, &TFormAutoOperation::remove);
    connect(m_up, &QPushButton::clicked, this, [this] { move(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { move(1); });
}

void TFormAutoOperation::fillFields()
{
    m_filling = true;
    m_name->setText(m_operation.Name);
    m_targetScreenId->setText(m_operation.TargetScreenID);
    m_moveAddress->setText(m_operation.MoveAddress);

    // The operation itself can never be its own precondition.
    m_other->addItem(QString(), 0);
    for (int i = 0; i < m_operations.count(); ++i) {
        const TCommandAutoOperation* other = m_operations.at(i);
        if (other->ID != m_operation.ID)
            m_other->addItem(other->Name, other->ID);
    }
    const int other = m_operation.OtherAutoOperationID > 0 ? m_other->findData(m_operation.OtherAutoOperationID) : -1;
    m_other->setCurrentIndex(other > 0 ? other : 0);

    m_type->setCurrentIndex(-1);
    m_substance->clear();
    m_substance->setToolTip(QString());

    // An empty entry, the screen shown now, then every other screen seen in this run.
    QStringList screens { QString() };
    auto addScreen = [&screens](const QString& id) {
        if (id.isEmpty())
            return;
        for (const QString& listed : std::as_const(screens)) {
            if (listed.compare(id, Qt::CaseInsensitive) == 0)
                return;
        }
        screens.append(id);
    };
    addScreen(m_choices.currentScreenId);
    for (const QString& id : std::as_const(m_choices.screenHistory))
        addScreen(id);
    m_finishedScreenId->addItems(screens);
    int finished = screens.indexOf(m_operation.FinishedScreenID);
    if (finished < 0) {
        for (int i = 0; i < screens.size() && finished < 0; ++i) {
            if (screens.at(i).compare(m_operation.FinishedScreenID, Qt::CaseInsensitive) == 0)
                finished = i;
        }
    }
    m_finishedScreenId->setCurrentIndex(finished);
    // A stored ID that no page showed in this run is kept as it is.
    if (finished < 0)
        m_finishedScreenId->setEditText(m_operation.FinishedScreenID);
    m_filling = false;

    refillList(-1);
}

void TFormAutoOperation::refillList(int select)
{
    m_filling = true;
    m_list->clear();
    for (int i = 0; i < m_operation.count(); ++i)
        m_list->addItem(m_operation.at(i)->GetViewText());
    m_list->setCurrentRow(select >= 0 && select < m_list->count() ? select : -1);
    m_filling = false;
    updateListButtons();
}

void TFormAutoOperation::updateListButtons()
{
    const int row = m_list->currentRow();
    const bool selected = row >= 0 && row < m_list->count();
    m_up->setEnabled(selected && row > 0);
    m_down->setEnabled(selected && row < m_list->count() - 1);
    m_delete->setEnabled(selected);
    m_replace->setEnabled(selected);
    m_add->setEnabled(m_substance->currentIndex() >= 0);
}

void TFormAutoOperation::handleTypeChange(int index)
{
    m_filling = true;
    m_substance->clear();
    QStringList items;
    switch (index) {
    case InputData:
    case FormCompare:
        for (const auto& data : std::as_const(m_choices.dataSets))
            items.append(data.name);
        break;
    case Alert:
        items.append(QStringLiteral("OK ボタン"));
        break;
    case Confirm:
        items.append(QStringLiteral("OK ボタン"));
        items.append(QStringLiteral("キャンセルボタン"));
        break;
    case ClickButton:
        for (const auto& element : std::as_const(m_choices.buttons))
            items.append(element.caption);
        break;
    case ClickAnchor:
        for (const auto& element : std::as_const(m_choices.anchors))
            items.append(element.caption);
        break;
    default:
        break;
    }
    m_substance->addItems(items);
    m_substance->setCurrentIndex(items.isEmpty() ? -1 : 0);
    m_filling = false;
    handleSubstanceSelect(m_substance->currentIndex());
}

void TFormAutoOperation::handleSubstanceSelect(int)
{
    m_substance->setToolTip(m_substance->currentText());
    updateListButtons();
}

void TFormAutoOperation::handleListSelect(int row)
{
    if (row < 0 || row >= m_operation.count()) {
        updateListButtons();
        return;
    }
    const TCommandAbstract* command = m_operation.at(row);
    int type = -1;
    int item = -1;
    auto findData = [this](const QString& dataId) {
        bool ok = false;
        const int id = dataId.trimmed().toInt(&ok);
        for (int i = 0; ok && i < m_choices.dataSets.size(); ++i) {
            if (m_choices.dataSets.at(i).id == id)
                return i;
        }
        return -1;
    };
    auto findKey = [](const QList<TAutoOperationChoices::Element>& elements, const QString& key) {
        for (int i = 0; i < elements.size(); ++i) {
            if (elements.at(i).key.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };
    if (const auto* input = dynamic_cast<const TCommandInputData*>(command)) {
        type = InputData;
        item = findData(input->DataID);
    } else if (const auto* popup = dynamic_cast<const TCommandClickPopup*>(command)) {
        type = popup->BoxType == TPopupMessageInfo::kAlert ? Alert : Confirm;
        item = type == Confirm ? popup->Button - 1 : 0;
    } else if (const auto* click = dynamic_cast<const TCommandClickButton*>(command)) {
        type = ClickButton;
        item = findKey(m_choices.buttons, click->ButtonKey);
    } else if (const auto* anchor = dynamic_cast<const TCommandClickAnchor*>(command)) {
        type = ClickAnchor;
        item = findKey(m_choices.anchors, anchor->AnchorKey);
    } else if (const auto* compare = dynamic_cast<const TCommandFormCompare*>(command)) {
        type = FormCompare;
        item = findData(compare->DataID);
    }
    m_filling = true;
    m_type->setCurrentIndex(type);
    m_filling = false;
    handleTypeChange(type);
    // Nothing found: the first content item stays selected.
    if (item >= 0 && item < m_substance->count()) {
        m_filling = true;
        m_substance->setCurrentIndex(item);
        m_filling = false;
        handleSubstanceSelect(item);
    }
}

std::unique_ptr<TCommandAbstract> TFormAutoOperation::CreateOperationCommand() const
{
    const int k = m_substance->currentIndex();
    if (k < 0)
        return nullptr;
    switch (m_type->currentIndex()) {
    case InputData:
    case FormCompare: {
        if (k >= m_choices.dataSets.size())
            return nullptr;
        const auto& data = m_choices.dataSets.at(k);
        if (m_type->currentIndex() == InputData) {
            auto command = std::make_unique<TCommandInputData>();
            command->ScreenID = m_operation.TargetScreenID;
            command->DataID = QString::number(data.id);
            command->DataName = data.name;
            return command;
        }
        auto command = std::make_unique<TCommandFormCompare>();
        command->ScreenID = m_operation.TargetScreenID;
        command->DataID = QString::number(data.id);
        command->DataName = data.name;
        return command;
    }
    case Alert:
    case Confirm: {
        auto command = std::make_unique<TCommandClickPopup>();
        command->BoxType = m_type->currentIndex() == Alert ? TPopupMessageInfo::kAlert : TPopupMessageInfo::kConfirm;
        command->Button = k + 1;
        return command;
    }
    case ClickButton: {
        if (k >= m_choices.buttons.size())
            return nullptr;
        auto command = std::make_unique<TCommandClickButton>();
        command->ButtonKey = m_choices.buttons.at(k).key;
        return command;
    }
    case ClickAnchor: {
        if (k >= m_choices.anchors.size())
            return nullptr;
        auto command = std::make_unique<TCommandClickAnchor>();
        command->AnchorKey = m_choices.anchors.at(k).key;
        return command;
    }
    default:
        return nullptr;
    }
}

void TFormAutoOperation::add()
{
    std::unique_ptr<TCommandAbstract> command = CreateOperationCommand();
    if (!command)
        return;
    m_operation.append(std::move(command));
    refillList(m_operation.count() - 1);
}

void TFormAutoOperation::replace()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_operation.count())
        return;
    std::unique_ptr<TCommandAbstract> command = CreateOperationCommand();
    if (!command)
        return;
    m_operation.replace(row, std::move(command));
    refillList(row);
}

void TFormAutoOperation::remove()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_operation.count())
        return;
    m_operation.remove(row);
    m_filling = true;
    m_type->setCurrentIndex(-1);
    m_substance->setCurrentIndex(-1);
    m_substance->setToolTip(QString());
    m_filling = false;
    refillList(-1);
}

void TFormAutoOperation::move(int direction)
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_operation.count())
        return;
    const int moved = direction < 0 ? m_operation.moveUp(row) : m_operation.moveDown(row);
    refillList(moved);
}

void TFormAutoOperation::accept()
{
    const struct {
        QWidget* field;
        QString text;
        TFieldRule rule;
    } checks[] = {
        { m_name, m_name->text(), TFieldRule { 1, kNameMaximum, {}, {}, false, {} } },
        { m_finishedScreenId, m_finishedScreenId->currentText(), TFieldRule { 0, kFinishedScreenIdMaximum, {}, {}, false, {} } },
    };
    for (const auto& check : checks) {
        if (const std::optional<QString> message = CheckField(check.text, check.rule)) {
            m_prompter.message(*message);
            check.field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    QDialog::accept();
}

void TFormAutoOperation::CopyFields() const
{
    m_operation.Name = m_name->text();
    m_operation.MoveAddress = m_moveAddress->text();
    m_operation.OtherAutoOperationID = m_other->currentIndex() >= 0 ? m_other->currentData().toInt() : 0;
    m_operation.FinishedScreenID = m_finishedScreenId->currentText();
}
