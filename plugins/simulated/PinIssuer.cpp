#include "PinIssuer.h"

#include "SimulatedLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextStream>

namespace {

constexpr int kPinDigits = 16;
constexpr int kSerialDigits = 10;

} // namespace

PinIssuer::PinIssuer(QString fileName, PinSource source)
    : m_fileName(std::move(fileName))
    , m_source(source ? std::move(source) : PinSource(&PinIssuer::randomPin))
{
    readIssued();
}

void PinIssuer::readIssued()
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.isEmpty() || fields.first().isEmpty())
            continue;
        m_issued.insert(QString::fromLatin1(fields.first()));
        if (fields.size() > 1)
            m_lastSerial = qMax(m_lastSerial, QString::fromLatin1(fields.at(1)).mid(3).toLongLong());
    }
}

QString PinIssuer::randomPin()
{
    QString pin;
    pin.reserve(kPinDigits);
    auto* random = QRandomGenerator::system();
    for (int digit = 0; digit < kPinDigits; ++digit)
        pin += QChar(u'0' + char16_t(random->bounded(10)));
    return pin;
}

std::optional<IssuedPin> PinIssuer::issue()
{
    QString pin = m_source();
    while (m_issued.contains(pin))
        pin = m_source();
    const IssuedPin issued{pin, QStringLiteral("SIM%1").arg(m_lastSerial + 1, kSerialDigits, 10, QLatin1Char('0'))};

    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    QFile file(m_fileName);
    const QByteArray line = (issued.pin + u' ' + issued.serial + u'\n').toLatin1();
    if (!file.open(QIODevice::Append | QIODevice::Text) || file.write(line) != line.size() || !file.flush()) {
        SimulatedLog::write(QStringLiteral("Cannot record an issued PIN in %1: %2").arg(m_fileName, file.errorString()),
                            SimulatedLog::Error);
        return std::nullopt;
    }
    m_issued.insert(issued.pin);
    ++m_lastSerial;
    return issued;
}
