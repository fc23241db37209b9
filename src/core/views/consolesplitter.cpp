#include "core/views/consolesplitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TConsoleSplitter::TConsoleSplitter(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PanelSplitterConsole"));
    setFixedHeight(kThickness);
    setCursor(Qt::SplitVCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TConsoleSplitter::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressed = true;
    m_pressY = mapTo(window(), event->position().toPoint()).y();
}

void TConsoleSplitter::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    Q_EMIT dragged(m_pressY, mapTo(window(), event->position().toPoint()).y());
}

void TConsoleSplitter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawControl(QStyle::CE_Splitter, &option, &painter, this);
}
