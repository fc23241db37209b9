#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The non-modal find dialog: a text, the direction (down at first), whole words only and
// match case; "次を検索" asks for the next match.
class TFindDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QLineEdit* textEdit() const { return m_text; }
    QRadioButton* downButton() const { return m_down; }
    QRadioButton* upButton() const { return m_up; }
    QCheckBox* wholeWordBox() const { return m_wholeWord; }
    QCheckBox* matchCaseBox() const { return m_matchCase; }
    QPushButton* findNextButton() const { return m_findNext; }

Q_SIGNALS:
    void findNext(const QString& text, bool down, bool wholeWord, bool matchCase);

private:
    QLineEdit* m_text = nullptr;
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
    QCheckBox* m_wholeWord = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QPushButton* m_findNext = nullptr;
};
