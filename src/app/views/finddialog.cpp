#include "app/views/finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FindDialogPage"));
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);
    m_text = new QLineEdit;
    m_wholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"));
    m_matchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"));
    auto* direction = new QGroupBox(QStringLiteral("検索する方向"));
    m_up = new QRadioButton(QStringLiteral("上へ(&U)"));
    m_down = new QRadioButton(QStringLiteral("下へ(&D)"));
    m_down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);
    m_findNext = new QPushButton(QStringLiteral("次を検索(&F)"));
    m_findNext->setDefault(true);
    m_findNext->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));

    auto* grid = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"));
    label->setBuddy(m_text);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_text, 0, 1);
    grid->addWidget(m_findNext, 0, 2);
    auto* options = new QVBoxLayout;
    options->addWidget(m_wholeWord);
    options->addWidget(m_matchCase);
    grid->addLayout(options, 1, 0, 1, 1);
    grid->addWidget(direction, 1, 1);
    grid->addWidget(cancel, 1, 2, Qt::AlignTop);

    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) { m_findNext->setEnabled(!text.isEmpty()); });
    connect(m_findNext, &QPushButton::clicked, this, [this] {
        Q_EMIT findNext(m_text->text(), m_down->isChecked(), m_wholeWord->isChecked(), m_matchCase->isChecked());
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}
