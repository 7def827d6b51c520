#include "PinIssuer.h"

#include "SimulatedLog.h"
#include "platform/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kPinDigits = 16;
constexpr int kSerialDigits = 10;
const QByteArray kDelivered = QByteArrayLiteral("delivered");

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
    while (!file.atEnd())
        readLine(file.readLine().trimmed());
}

void PinIssuer::readLine(const QByteArray& line)
{
    const qsizetype firstBlank = line.indexOf(' ');
    const QByteArray first = line.left(firstBlank);
    if (first.isEmpty())
        return;
    const qsizetype secondBlank = firstBlank < 0 ? -1 : line.indexOf(' ', firstBlank + 1);
    const QByteArray second = firstBlank < 0 ? QByteArray() : line.mid(firstBlank + 1, secondBlank - firstBlank - 1);
    if (first == kDelivered) {
        const QString serial = QString::fromLatin1(second);
        m_owed.removeIf([&](const Owed& owed) { return owed.pin.serial == serial; });
        return;
    }
    m_issued.insert(QString::fromLatin1(first));
    if (!second.isEmpty())
        m_lastSerial = qMax(m_lastSerial, QString::fromLatin1(second).mid(3).toLongLong());
    if (secondBlank > 0)
        m_owed.append({{QString::fromLatin1(first), QString::fromLatin1(second)}, line.mid(secondBlank + 1)});
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

bool PinIssuer::append(const QByteArray& text)
{
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    const int descriptor
        = ::open(QFile::encodeName(m_fileName).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    int failure = descriptor < 0 ? errno : 0;
    struct stat before {};
    if (failure == 0 && ::fstat(descriptor, &before) != 0)
        failure = errno;
    for (qsizetype done = 0; failure == 0 && done < text.size();) {
        const ssize_t written = ::write(descriptor, text.constData() + done, size_t(text.size() - done));
        if (written < 0 && errno != EINTR)
            failure = errno;
        else if (written == 0)
            failure = ENOSPC;
        else if (written > 0)
            done += written;
    }
    if (failure == 0 && ::fsync(descriptor) != 0)
        failure = errno;
    if (failure != 0 && descriptor >= 0) {
        // A cut record would join the next one: the file goes back to where it was.
        if (::ftruncate(descriptor, before.st_size) != 0) {
            // Nothing more can be done; the next start reads the cut line as a plain PIN.
        }
    }
    if (descriptor >= 0 && ::close(descriptor) != 0 && failure == 0)
        failure = errno;
    m_failure = failure == 0 ? QString() : FileError::description(failure);
    if (failure != 0)
        SimulatedLog::write(QStringLiteral("Cannot record issued PINs in %1: %2").arg(m_fileName, m_failure),
                            SimulatedLog::Error);
    return failure == 0;
}

std::optional<IssuedPin> PinIssuer::issue()
{
    const auto issued = issue(QList<QByteArray>{QByteArray()});
    return issued ? std::optional<IssuedPin>(issued->first()) : std::nullopt;
}

std::optional<QList<IssuedPin>> PinIssuer::issue(const QList<QByteArray>& details)
{
    QList<IssuedPin> pins;
    QSet<QString> drawn;
    QByteArray lines;
    for (qsizetype index = 0; index < details.size(); ++index) {
        QString pin = m_source();
        while (m_issued.contains(pin) || drawn.contains(pin))
            pin = m_source();
        drawn.insert(pin);
        pins.append({pin, QStringLiteral("SIM%1").arg(m_lastSerial + 1 + index, kSerialDigits, 10, QLatin1Char('0'))});
        lines += (pin + u' ' + pins.last().serial).toLatin1();
        if (!details.at(index).isEmpty())
            lines += ' ' + details.at(index);
        lines += '\n';
    }
    if (!append(lines))
        return std::nullopt;
    for (qsizetype index = 0; index < pins.size(); ++index) {
        m_issued.insert(pins.at(index).pin);
        if (!details.at(index).isEmpty())
            m_owed.append({pins.at(index), details.at(index)});
    }
    m_lastSerial += pins.size();
    return pins;
}

bool PinIssuer::markDelivered(const QString& serial)
{
    m_owed.removeIf([&](const Owed& owed) { return owed.pin.serial == serial; });
    return append(kDelivered + ' ' + serial.toLatin1() + '\n');
}

QList<PinIssuer::Owed> PinIssuer::owed() const
{
    return m_owed;
}
