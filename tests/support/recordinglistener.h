#pragma once

#include "core/eventbus.h"

#include <QString>
#include <QStringList>

#include <memory>

// A controller that handles the events it is given and records "Name:argument" for each,
// into a list shared with the test (the bus owns the controller).
class TRecordingListener : public TActionCalverdine {
public:
    TRecordingListener(std::shared_ptr<QStringList> log, std::initializer_list<TEvent> events, QString tag = QString())
        : m_log(std::move(log)), m_tag(std::move(tag))
    {
        for (TEvent e : events) {
            setHandler(e, [this, e](int argument) {
                QString line = EventName(e) + QLatin1Char(':') + QString::number(argument);
                if (!m_tag.isEmpty())
                    line.prepend(m_tag + QLatin1Char(' '));
                m_log->append(line);
            });
        }
    }

    // Lets a test install any behaviour for an event.
    void on(TEvent event, Handler handler) { setHandler(event, std::move(handler)); }

private:
    std::shared_ptr<QStringList> m_log;
    QString m_tag;
};
