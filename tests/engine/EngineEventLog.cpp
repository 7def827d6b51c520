#include "EngineEventLog.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

void EngineEventLog::add(const QString& line)
{
    lines.append(line);
    if (inside)
        inside(line);
}

void EngineEventLog::AddItemFailed(const QString& productID, const QString& message)
{
    add(QStringLiteral("AddItemFailed %1 %2").arg(productID, message));
}

void EngineEventLog::BasketCommitted(qint16 numberOfItems)
{
    add(QStringLiteral("BasketCommitted %1").arg(numberOfItems));
}

void EngineEventLog::BasketSuspended(const QString& handle)
{
    add(QStringLiteral("BasketSuspended ") + handle);
}

void EngineEventLog::DataMismatch(qint16 index, const Variant& data, const QString& message)
{
    add(QStringLiteral("DataMismatch %1 %2 %3").arg(index).arg(data.toString(), message));
}

void EngineEventLog::GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                             Variant& data, bool& cancel)
{
    add(QStringLiteral("GetData %1 %2 %3 %4").arg(name, dataType).arg(device).arg(errorMessage).trimmed());
    if (!dataAnswers.isEmpty())
        data = dataAnswers.takeFirst();
    cancel = cancelGetData;
}

void EngineEventLog::ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel)
{
    lastAdded = item;
    add(QStringLiteral("ItemAdded ") + item->ProductID());
    cancel = cancelItemAdded;
}

void EngineEventLog::ItemRemoved(std::shared_ptr<EngineBasketItem>& item)
{
    add(QStringLiteral("ItemRemoved ") + item->ProductID());
}

void EngineEventLog::RefuseInterrupt()
{
    add(QStringLiteral("RefuseInterrupt"));
}

void EngineEventLog::ResumeComplete(qint16 numberOfItems)
{
    add(QStringLiteral("ResumeComplete %1").arg(numberOfItems));
}

void EngineEventLog::ResumeFailed(const QString& handle, const QString& message)
{
    add(QStringLiteral("ResumeFailed %1 %2").arg(handle, message));
}

void EngineEventLog::SetOLETimeout(qint32 timeout, const QString&, const QString&)
{
    add(QStringLiteral("SetOLETimeout %1").arg(timeout));
}

void EngineEventLog::StartDevice(qint32 device)
{
    add(QStringLiteral("StartDevice %1").arg(device));
}

void EngineEventLog::StopDevice(qint32 device)
{
    add(QStringLiteral("StopDevice %1").arg(device));
}

void EngineEventLog::Surrender(qint32 reason, const QString& message)
{
    add(QStringLiteral("Surrender %1 %2").arg(reason).arg(message));
}

void EngineEventLog::SuspendFailed(const QString& message)
{
    add(QStringLiteral("SuspendFailed ") + message);
}

void EngineEventLog::VoucherAvailable(const QString& fileName)
{
    vouchers.append(fileName);
    add(QStringLiteral("VoucherAvailable"));
}

QStringList EngineEventLog::starting(const QString& prefix) const
{
    QStringList found;
    for (const QString& line : lines) {
        if (line.startsWith(prefix))
            found.append(line);
    }
    return found;
}

bool EngineEventLog::waitFor(const QString& prefix, qsizetype count)
{
    QDeadlineTimer deadline(10000);
    while (starting(prefix).size() < count) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}
