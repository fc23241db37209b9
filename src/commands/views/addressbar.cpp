#include "commands/views/addressbar.h"

#include "commands/addressaction.h"
#include "core/views/mainform.h"

#include <QAbstractItemView>
#include <QToolButton>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// Enter in the box goes to its text (taken here, so the combo box does not also report the
// matching list item as chosen); Esc puts the current address back and selects it, or
// closes an open list.
class TAddressKeys final : public QObject {
public:
    TAddressKeys(QComboBox* box, TAddressAction* action) : QObject(box), m_box(box), m_action(action) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(m_box->view() && m_box->view()->isVisible())) {
            m_action->Go(m_box->currentText());
            return true;
        }
        if (key == Qt::Key_Escape) {
            if (m_box->view() && m_box->view()->isVisible()) {
                m_box->hidePopup();
            } else {
                m_box->setEditText(m_action->CurrentAddress());
                if (m_box->lineEdit())
                    m_box->lineEdit()->selectAll();
            }
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QComboBox* m_box;
    TAddressAction* m_action;
};

} // namespace

std::unique_ptr<TActionCalverdine> CreateAddressAction(TMainForm& form)
{
    auto action = std::make_unique<TAddressAction>();
    TAddressAction* raw = action.get();
    QComboBox* box = form.addressBox();
    QAbstractButton* button = form.addressButton();
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    if (box->completer()) {
        box->completer()->setCompletionMode(QCompleter::InlineCompletion);
        box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    }

    auto go = [box, raw] { raw->Go(box->currentText()); };
    // The box holds the focus and hands keys to its line edit directly, so both are watched.
    auto* keys = new TAddressKeys(box, raw);
    box->installEventFilter(keys);
    if (box->lineEdit())
        box->lineEdit()->installEventFilter(keys);
    QObject::connect(box, &QComboBox::activated, raw, [box, raw](int index) { raw->Go(box->itemText(index)); });
    if (button)
        QObject::connect(button, &QAbstractButton::clicked, raw, go);

    QObject::connect(raw, &TAddressAction::addressTextChanged, box, [box](const QString& text) { box->setEditText(text); });
    QObject::connect(raw, &TAddressAction::addressEnabledChanged, box, [box, button](bool enabled) {
        box->setEnabled(enabled);
        if (button)
            button->setEnabled(enabled);
    });
    QObject::connect(raw, &TAddressAction::statusTextRequested, &form, &TMainForm::setStatusText);
    QObject::connect(raw, &TAddressAction::selectTextRequested, box, [box] {
        box->setFocus(Qt::ShortcutFocusReason);
        if (box->lineEdit())
            box->lineEdit()->selectAll();
    });
    return action;
}
