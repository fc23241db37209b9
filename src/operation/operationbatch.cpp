#include "operation/operationbatch.h"
#include "operation/commandautooperation.h"
#include "operation/operationlist.h"
#include "operation/testoperationaction.h"

#include "core/appcontext.h"
#include "core/eventbus.h"
#include "core/memo.h"

#include <QDateTime>
#include <QSysInfo>
#include <QRegularExpression>
#include <QTimer>
#include <QXmlStreamWriter>

TOperationBatch::TOperationBatch(const TOperationList& operations, QStringList keys, int intervalMs, QObject* parent)
    : QObject(parent), m_operations(operations), m_keys(std::move(keys)), m_intervalMs(intervalMs)
{
}

TOperationBatch::~TOperationBatch()
{
    QObject::disconnect(m_logConnection);
    removeRunner();
}

bool TOperationBatch::allPassed() const
{
    for (const TOperationRunResult& result : m_results) {
        if (!result.passed)
            return false;
    }
    return true;
}

void TOperationBatch::start()
{
    QTimer::singleShot(0, this, &TOperationBatch::startNext);
}

void TOperationBatch::cancel()
{
    m_cancelled = true;
    if (m_runner && m_runner->InProgress())
        m_runner->Cancel();
}

void TOperationBatch::startNext()
{
    removeRunner();
    if (m_cancelled || m_next >= m_keys.size()) {
        if (!std::exchange(m_finished, true))
            Q_EMIT finished();
        return;
    }
    const QString key = m_keys.at(m_next++);
    TCommandAutoOperation* operation = m_operations.find(key);
    m_current = TOperationRunResult();
    m_current.key = key;
    m_current.name = operation ? operation->Name : QString();
    if (!operation) {
        m_current.failure = QStringLiteral("no operation ") + key;
        m_results.push_back(m_current);
        Q_EMIT runFinished(m_results.back());
        QTimer::singleShot(0, this, &TOperationBatch::startNext);
        return;
    }
    m_logConnection = connect(&App().operationLog(), &TMemo::lineAppended, this,
                              [this](const QString& line) { m_current.lines.append(line); });
    auto runner = std::make_unique<TTestOperationAction>(operation, m_operations, m_intervalMs);
    if (m_navigationTimeoutMs > 0)
        runner->setNavigationTimeout(m_navigationTimeoutMs);
    m_runner = runner.get();
    connect(m_runner.data(), &TTestOperationAction::runEnded, this, &TOperationBatch::runEnded);
    App().bus().AddListener(std::move(runner));
    m_clock.start();
    m_runner->Start();
}

void TOperationBatch::runEnded()
{
    QObject::disconnect(m_logConnection);
    TTestOperationAction* runner = m_runner.data();
    m_current.elapsedMs = m_clock.elapsed();
    m_current.resultCode = runner->ResultCode;
    m_current.cancelled = runner->Cancelled;
    m_current.passed = runner->ChainValid && runner->ResultCode == 0 && !runner->Cancelled;
    if (!m_current.passed && !m_current.lines.isEmpty()) {
        static const QRegularExpression tick(QStringLiteral("^-?\\d+: "));
        m_current.failure = m_current.lines.last();
        m_current.failure.remove(tick);
    }
    m_results.push_back(m_current);
    Q_EMIT runFinished(m_results.back());
    // The runner is taken off the bus once the event that ended it has been handled.
    QTimer::singleShot(0, this, &TOperationBatch::startNext);
}

void TOperationBatch::removeRunner()
{
    if (!m_runner)
        return;
    App().bus().RemoveListener(m_runner.data());
    m_runner = nullptr;
}

QStringList SelectShard(const QStringList& keys, int k, int n)
{
    QStringList selected;
    if (n < 1 || k < 1 || k > n)
        return selected;
    for (int i = k - 1; i < keys.size(); i += n)
        selected.append(keys.at(i));
    return selected;
}

bool ParseShard(const QString& text, int* k, int* n)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,6})/(\\d{1,6})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    *k = match.captured(1).toInt();
    *n = match.captured(2).toInt();
    return *n >= 1 && *k >= 1 && *k <= *n;
}

namespace {

// XML 1.0 carries tabs, line ends and the characters from U+0020 on (without the
// surrogate halves standing alone and U+FFFE, U+FFFF).
QString xmlText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean.append(c);
            clean.append(text.at(++i));
            continue;
        }
        const char16_t u = c.unicode();
        if (u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u < 0xD800) || (u > 0xDFFF && u < 0xFFFE))
            clean.append(c);
    }
    return clean;
}

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 3);
}

}

QByteArray JUnitReport(const QString& suiteName, const std::vector<TOperationRunResult>& results,
                       const QHash<QString, QString>& attachments)
{
    int failures = 0;
    qint64 total = 0;
    for (const TOperationRunResult& result : results) {
        failures += result.passed ? 0 : 1;
        total += result.elapsedMs;
    }
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), seconds(total));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), xmlText(suiteName));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("skipped"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), seconds(total));
    xml.writeAttribute(QStringLiteral("timestamp"),
                       QDateTime::currentDateTime().toString(Qt::ISODate));
    xml.writeAttribute(QStringLiteral("hostname"), xmlText(QSysInfo::machineHostName()));
    for (const TOperationRunResult& result : results) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), xmlText(suiteName));
        xml.writeAttribute(QStringLiteral("name"), xmlText(result.key + QLatin1Char(' ') + result.name));
        xml.writeAttribute(QStringLiteral("time"), seconds(result.elapsedMs));
        const QString log = xmlText(result.lines.join(QLatin1Char('\n')));
        if (!result.passed) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), xmlText(result.failure));
            xml.writeAttribute(QStringLiteral("type"), result.resultCode > 0 ? QStringLiteral("ErrorCode %1").arg(result.resultCode)
                                                       : result.cancelled    ? QStringLiteral("Cancelled")
                                                                             : QStringLiteral("NotStarted"));
            xml.writeCharacters(log);
            xml.writeEndElement();
        }
        QString out = log;
        if (attachments.contains(result.key))
            out += QStringLiteral("\n[[ATTACHMENT|%1]]").arg(xmlText(attachments.value(result.key)));
        if (!out.isEmpty())
            xml.writeTextElement(QStringLiteral("system-out"), out);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}
