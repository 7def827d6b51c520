#include "automation/BusEventSink.h"

#include "api/BasketItem.h"
#include "api/Voucher.h"
#include "services/ProcessState.h"
#include "services/Trace.h"
#include "automation/BusError.h"
#include "automation/BusValue.h"
#include "automation/ClientObjectMapper.h"
#include "automation/IgnoredObjects.h"
#include "automation/ObjectServer.h"
#include "automation/PendingReply.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTimer>
#include <utility>

namespace {

// What the runtime reports when an automation call to a client fails.
constexpr qint32 kAutomationError = 440;
const QString kNoReply = QStringLiteral("org.freedesktop.DBus.Error.NoReply");

} // namespace

BusEventSink::BusEventSink(ObjectServer& server, QString client, QString sinkPath, QString tree)
    : m_server(server)
    , m_client(std::move(client))
    , m_sinkPath(std::move(sinkPath))
    , m_tree(std::move(tree))
{
}

QString BusEventSink::interfaceName()
{
    return QStringLiteral("org.pcquiba.APIEvents");
}

void BusEventSink::end(std::shared_ptr<void> owner)
{
    m_ended = true;
    if (m_running > 0)
        m_owner = std::move(owner);
}

VariantArray BusEventSink::raise(const QString& event, const VariantArray& arguments)
{
    // The API that raised this event must not end under its own relay: the last reference of an
    // ended sink is let go only after the relay has returned to the event loop.
    std::shared_ptr<BusEventSink> self = shared_from_this();
    ++m_running;
    struct Finish {
        BusEventSink& sink;
        std::shared_ptr<BusEventSink>& self;
        ~Finish()
        {
            if (--sink.m_running == 0 && sink.m_ended)
                QTimer::singleShot(0, QCoreApplication::instance(), [kept = std::move(self)] {});
        }
    } finish {*this, self};
    return wait(event, arguments);
}

VariantArray BusEventSink::wait(const QString& event, const VariantArray& arguments)
{
    ClientObjectMapper objects(m_server, m_client, m_tree);
    QDBusMessage call = QDBusMessage::createMethodCall(m_client, m_sinkPath, interfaceName(), event);
    QVariantList wire;
    for (const Variant& argument : arguments)
        wire.append(QVariant::fromValue(BusValue::toBus(argument, objects)));
    call.setArguments(wire);

    const QDBusMessage reply =
        PendingReply::wait(m_server.connection().asyncCall(call, ProcessState::instance().automationTimeout), m_client);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (clientLeft())
            left(event);
        else if (reply.errorName() == kNoReply)
            timedOut();
        if (const auto error = BusError::parse(reply.errorName(), reply.errorMessage()))
            throw *error;
        throw AutomationError(kAutomationError, event, reply.errorName() + u' ' + reply.errorMessage());
    }
    IgnoredObjects writtenBack;
    VariantArray back;
    for (const QVariant& value : reply.arguments())
        back.append(BusValue::fromBus(value, writtenBack));
    return back;
}

// The bus answers NoReply both when a client is too slow and when it leaves without answering;
// only the bus can tell the two apart.
bool BusEventSink::clientLeft() const
{
    const QDBusReply<bool> owned = m_server.connection().interface()->isServiceRegistered(m_client);
    return owned.isValid() && !owned.value();
}

void BusEventSink::left(const QString& event)
{
    m_clientLeft = true;
    Trace::write(QStringLiteral("The Sovereign %1 left the bus during event %2").arg(m_client, event), Trace::WarningSeverity);
}

void BusEventSink::timedOut()
{
    const ProcessState& state = ProcessState::instance();
    Trace::write(state.timeoutMessageTitle + QStringLiteral(": ") + state.timeoutMessageText, Trace::ErrorSeverity);
}

void BusEventSink::Surrender(qint32 reason, const QString& message)
{
    raise(QStringLiteral("Surrender"), {reason, message});
}

void BusEventSink::RefuseInterrupt()
{
    raise(QStringLiteral("RefuseInterrupt"), {});
}

void BusEventSink::StartDevice(qint32 device)
{
    raise(QStringLiteral("StartDevice"), {device});
}

void BusEventSink::StopDevice(qint32 device)
{
    raise(QStringLiteral("StopDevice"), {device});
}

void BusEventSink::GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                           Variant& data, bool& cancel)
{
    VariantArray back;
    try {
        back = raise(QStringLiteral("GetData"), {name, dataType, device, errorMessage, data, cancel});
    } catch (const AutomationError&) {
        // Nobody is left to answer the request: cancel it, as InjectCancel(True) would, so that
        // the engine is free for the next client at once.
        if (m_clientLeft)
            cancel = true;
        throw;
    }
    if (back.size() >= 1 && !back.at(0).isObject())
        data = back.at(0);
    if (back.size() >= 2)
        cancel = back.at(1).toBool();
}

void BusEventSink::DataMismatch(qint16 index, const Variant& data, const QString& message)
{
    raise(QStringLiteral("DataMismatch"), {index, data, message});
}

// The item goes to the sink, but a path written back in its place is ignored: the engine's item stays.
void BusEventSink::ItemAdded(std::shared_ptr<BasketItem>& basketItem, bool& cancel)
{
    const VariantArray back = raise(QStringLiteral("ItemAdded"), {ObjectRef(basketItem), cancel});
    if (back.size() >= 2)
        cancel = back.at(1).toBool();
}

void BusEventSink::ItemRemoved(std::shared_ptr<BasketItem>& basketItem)
{
    raise(QStringLiteral("ItemRemoved"), {ObjectRef(basketItem)});
}

void BusEventSink::AddItemFailed(const QString& productID, const QString& message)
{
    raise(QStringLiteral("AddItemFailed"), {productID, message});
}

void BusEventSink::VoucherAvailable(std::shared_ptr<Voucher>& voucher)
{
    raise(QStringLiteral("VoucherAvailable"), {ObjectRef(voucher)});
}

void BusEventSink::BasketCommitted(qint16 numberOfItems)
{
    raise(QStringLiteral("BasketCommitted"), {numberOfItems});
}

void BusEventSink::BasketSuspended(const QString& handle)
{
    raise(QStringLiteral("BasketSuspended"), {handle});
}

void BusEventSink::SuspendFailed(const QString& message)
{
    raise(QStringLiteral("SuspendFailed"), {message});
}

void BusEventSink::ResumeComplete(qint16 numberOfItems)
{
    raise(QStringLiteral("ResumeComplete"), {numberOfItems});
}

void BusEventSink::ResumeFailed(const QString& handle, const QString& message)
{
    raise(QStringLiteral("ResumeFailed"), {handle, message});
}

void BusEventSink::PrintBegin(qint16 numberOfDocuments)
{
    raise(QStringLiteral("PrintBegin"), {numberOfDocuments});
}

void BusEventSink::PrintVoucher(const QString& alignment)
{
    raise(QStringLiteral("PrintVoucher"), {alignment});
}

void BusEventSink::PrintText(const QString& font, const QString& emphasis, qint16 charWidth, qint16 charHeight,
                             const QString& alignment, qint16 indent, const QString& data)
{
    raise(QStringLiteral("PrintText"), {font, emphasis, charWidth, charHeight, alignment, indent, data});
}

void BusEventSink::PrintLine(qint16 width)
{
    raise(QStringLiteral("PrintLine"), {width});
}

void BusEventSink::PrintBarcode(const QString& barcodeType, qint16 width, qint16 height, const QString& alignment,
                                const QString& data)
{
    raise(QStringLiteral("PrintBarcode"), {barcodeType, width, height, alignment, data});
}

void BusEventSink::PrintGraphicsBegin(const QString& verticalAlignment)
{
    raise(QStringLiteral("PrintGraphicsBegin"), {verticalAlignment});
}

void BusEventSink::PrintImage(const QString& alignment, const QString& fileName)
{
    raise(QStringLiteral("PrintImage"), {alignment, fileName});
}

void BusEventSink::PrintGraphicsEnd()
{
    raise(QStringLiteral("PrintGraphicsEnd"), {});
}

void BusEventSink::PrintCut(bool halfCut)
{
    raise(QStringLiteral("PrintCut"), {halfCut});
}

void BusEventSink::PrintVoucherEnd()
{
    raise(QStringLiteral("PrintVoucherEnd"), {});
}

void BusEventSink::PrintEnd()
{
    raise(QStringLiteral("PrintEnd"), {});
}

void BusEventSink::Closing(const QString& message)
{
    raise(QStringLiteral("Closing"), {message});
}
