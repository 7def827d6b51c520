#include "api/Vouchers.h"

#include "api/ClassExit.h"
#include "api/SaleGuards.h"
#include "api/Voucher.h"
#include "services/ErrorExit.h"
#include "services/ProcedureFrame.h"
#include "services/Trace.h"
#include "controller/EngineBasket.h"
#include "controller/frmController.h"
#include "platform/Collection.h"
#include "platform/Conversions.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

} // namespace

Vouchers::Vouchers(GetDocListHandler getDocList) : m_getDocList(std::move(getDocList)) {}

QString Vouchers::className() const
{
    return kClassName;
}

QList<std::shared_ptr<Voucher>> Vouchers::documents() const
{
    std::shared_ptr<Collection> docList;
    if (m_getDocList)
        m_getDocList(docList);
    QList<std::shared_ptr<Voucher>> vouchers;
    if (!docList)
        return vouchers;
    for (const Variant& path : docList->items()) {
        const QString fileName = path.toString();
        if (QFileInfo(fileName).isFile())
            vouchers.append(Voucher::create(fileName));
    }
    return vouchers;
}

qint16 Vouchers::Count()
{
    ProcedureFrame frame(u"Property (Get) Count"_s, kClassName);
    return frame.run(classExit<Vouchers>(), [&] {
        Trace::write(u"Get: Vouchers.Count"_s);
        const qint16 count = Conversions::toInteger(Variant(qint32(documents().size())));
        Trace::write(Trace::resultLine(QString::number(count)));
        return count;
    });
}

std::shared_ptr<Voucher> Vouchers::Item(qint16 index)
{
    ProcedureFrame frame(u"Function Item"_s, kClassName);
    return frame.run(classExit<Vouchers>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"Item"_s, {QString::number(index)}));
        const QList<std::shared_ptr<Voucher>> vouchers = documents();
        if (index < 1 || index > vouchers.size())
            return std::shared_ptr<Voucher>();
        return vouchers.at(index - 1);
    });
}

std::shared_ptr<Collection> Vouchers::NewEnum()
{
    ProcedureFrame frame(u"Function NewEnum"_s, kClassName);
    return frame.run(classExit<Vouchers>(), [&] {
        auto enumeration = std::make_shared<Collection>();
        for (const std::shared_ptr<Voucher>& voucher : documents())
            enumeration->add(Variant(ObjectRef(voucher)));
        m_enumeration = enumeration;
        return enumeration;
    });
}

void Vouchers::PrintAll(std::optional<bool>& sync)
{
    ProcedureFrame frame(u"Sub PrintAll"_s, kClassName);
    frame.run(classExit<Vouchers>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"PrintAll"_s, {Voucher::syncText(sync)}));
        if (!printable(frame, Needs::BasketAndPrinter))
            return;
        // A printer out of paper refuses the call at once, also before the job is queued.
        if (sync.value_or(false) || Voucher::controllerLoaded())
            Voucher::checkPrinterStatus();
        if (!sync.value_or(false)) {
            queue(u"PrintAll"_s);
            return;
        }
        printEach(frame, [](Voucher& voucher, std::optional<bool>& voucherSync) { voucher.PrintVoucher(voucherSync); });
    });
}

void Vouchers::RaisePrintEvents(std::optional<bool>& sync)
{
    ProcedureFrame frame(u"Sub RaisePrintEvents"_s, kClassName);
    frame.run(classExit<Vouchers>(), [&] {
        Trace::write(Trace::callLine(kClassName, u"RaisePrintEvents"_s, {Voucher::syncText(sync)}));
        if (!printable(frame, Needs::Basket))
            return;
        if (!sync.value_or(false)) {
            queue(u"RaisePrintEvents"_s);
            return;
        }
        // Without the controller window there is nobody to raise the events to.
        if (!Voucher::controllerLoaded())
            return;
        printEach(frame, [](Voucher& voucher, std::optional<bool>& voucherSync) {
            voucher.RaisePrintEvents(voucherSync);
        });
    });
}

void Vouchers::callPrintMethod(const QString& methodName, bool sync)
{
    std::optional<bool> argument = sync;
    try {
        if (methodName == u"PrintAll")
            PrintAll(argument);
        else if (methodName == u"RaisePrintEvents")
            RaisePrintEvents(argument);
    } catch (const AutomationError&) {
        // The member has already reported its error (the error log, the " *** " line): the
        // queue goes on with the next job.
    }
}

bool Vouchers::printable(ProcedureFrame& frame, Needs needs) const
{
    const std::shared_ptr<EngineBasket> basket = SaleGuards::basketInProgress();
    if (!basket)
        return false;
    if (!basket->IsCommitted())
        frame.raise(quibaBasketNotCommitted, kClassName);
    if (needs == Needs::BasketAndPrinter && !Voucher::printerConfigured())
        frame.raise(quibaNoPrinterSpecified, kClassName);
    return true;
}

void Vouchers::queue(const QString& methodName)
{
    if (!Voucher::controllerLoaded())
        return;
    const std::shared_ptr<Vouchers> self = weak_from_this().lock();
    if (self)
        frmController::instance().AddToPrintQueue(self, methodName);
}

void Vouchers::printEach(ProcedureFrame& frame, const std::function<void(Voucher&, std::optional<bool>&)>& print)
{
    const QList<std::shared_ptr<Voucher>> vouchers = documents();
    PrintEvents* target = Voucher::controllerLoaded() ? &frmController::instance() : nullptr;
    if (target)
        target->RaisePrintBegin(Conversions::toInteger(Variant(qint32(vouchers.size()))));
    for (const std::shared_ptr<Voucher>& voucher : vouchers) {
        std::optional<bool> voucherSync = true;
        try {
            print(*voucher, voucherSync);
        } catch (const AutomationError& error) {
            if (target)
                target->RaisePrintEnd();
            // The voucher has already reported and shaped its error.
            frame.raise(error);
        }
    }
    if (target)
        target->RaisePrintEnd();
}
