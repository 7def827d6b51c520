#include "components/EscPosStatus.h"

#include "services/Services.h"
#include "services/Trace.h"
#include "components/EscPosCommands.h"
#include "components/EscPosConnection.h"
#include "platform/RuntimeErrors.h"
#include "platform/Variant.h"

using namespace Qt::StringLiterals;

namespace {

// The bits of the answers that matter.
constexpr quint8 kOffline = 0x08;         // printer status, bit 3
constexpr quint8 kCoverOpen = 0x04;       // offline cause, bit 2
constexpr quint8 kStoppedByPaperEnd = 0x20; // offline cause, bit 5
constexpr quint8 kPaperNearEnd = 0x0C;    // roll paper sensor, bits 2 and 3
constexpr quint8 kPaperEnd = 0x60;        // roll paper sensor, bits 5 and 6
constexpr quint8 kFixedMask = 0x93;
constexpr quint8 kFixedBits = 0x12;
constexpr quint8 kRequests[] = {1, 2, 4};
const QString kNearEnd = QStringLiteral("paper near end");

struct StateText {
    EscPosStatus::State state;
    const char* text;
};

constexpr StateText kTexts[] = {
    {EscPosStatus::State::Ready, "Printer ready"},
    {EscPosStatus::State::PaperEnd, "Printer paper end"},
    {EscPosStatus::State::CoverOpen, "Printer cover open"},
    {EscPosStatus::State::Offline, "Printer offline"},
    {EscPosStatus::State::NoAnswer, "Printer does not answer"},
};

} // namespace

QByteArray EscPosStatus::request()
{
    QByteArray bytes;
    for (quint8 n : kRequests)
        bytes += EscPosCommands::command(EscPosCommands::Command::StatusRequest, n);
    return bytes;
}

bool EscPosStatus::isAnswer(quint8 byte)
{
    return (byte & kFixedMask) == kFixedBits;
}

EscPosStatus EscPosStatus::fromAnswers(const QByteArray& answers)
{
    EscPosStatus status;
    if (answers.size() < qsizetype(std::size(kRequests)))
        return status;
    const auto printer = quint8(answers[0]);
    const auto cause = quint8(answers[1]);
    const auto paper = quint8(answers[2]);
    status.m_nearEnd = (paper & kPaperNearEnd) != 0;
    if (cause & kCoverOpen)
        status.m_state = State::CoverOpen;
    else if ((paper & kPaperEnd) || (cause & kStoppedByPaperEnd))
        status.m_state = State::PaperEnd;
    else if (printer & kOffline)
        status.m_state = State::Offline;
    else
        status.m_state = State::Ready;
    return status;
}

EscPosStatus EscPosStatus::ask(EscPosConnection& connection)
{
    return fromAnswers(connection.ask(request(), qsizetype(std::size(kRequests)), &isAnswer));
}

QString EscPosStatus::text(State state)
{
    for (const StateText& entry : kTexts) {
        if (entry.state == state)
            return QString::fromLatin1(entry.text);
    }
    return {};
}

QString EscPosStatus::nearEndText()
{
    return u"Printer "_s + kNearEnd;
}

QString EscPosStatus::description() const
{
    return m_nearEnd && m_state != State::PaperEnd ? text(m_state) + u", "_s + kNearEnd : text(m_state);
}

void EscPosStatus::raiseUnlessReady() const
{
    if (m_nearEnd && m_state != State::PaperEnd)
        Services::logger().log(Variant(nearEndText()), Trace::WarningSeverity);
    if (m_state != State::Ready)
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError, {}, text(m_state));
}
