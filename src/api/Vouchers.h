#pragma once

#include "controller/PrintQueueTarget.h"
#include "platform/AutomationObject.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Collection;
class ProcedureFrame;
class Voucher;

// The voucher documents of a basket or a basket item. It keeps no list: every operation asks
// its owner for the document paths (the GetDocList event) and makes one Voucher per path whose
// file exists, in the owner's order.
//
// Made with std::make_shared: a print with Sync False parks the collection itself in the
// controller's print queue.
class Vouchers : public AutomationObject, public PrintQueueTarget, public std::enable_shared_from_this<Vouchers> {
public:
    static inline const QString kClassName = QStringLiteral("Vouchers");

    // The owner's answer to GetDocList: it may set docList to a collection of file paths, or
    // leave it untouched (no documents).
    using GetDocListHandler = std::function<void(std::shared_ptr<Collection>& docList)>;

    explicit Vouchers(GetDocListHandler getDocList);

    QString className() const override;

    qint16 Count();
    // The voucher at the 1-based index; nullptr below 1 or above Count.
    std::shared_ptr<Voucher> Item(qint16 index);
    // Every voucher through the printer component, inside one print job.
    void PrintAll(std::optional<bool>& sync);
    // The print events of every voucher, inside one print job.
    void RaisePrintEvents(std::optional<bool>& sync);
    // A collection of the vouchers, kept until the next enumeration so that it stays valid.
    std::shared_ptr<Collection> NewEnum();

    void callPrintMethod(const QString& methodName, bool sync) override;

private:
    enum class Needs { Basket, BasketAndPrinter };

    // A fresh list from the owner's answer: one voucher per existing file.
    QList<std::shared_ptr<Voucher>> documents() const;
    // False (nothing to do) without a basket in progress; raises when the basket is not
    // committed or a needed printer is not configured.
    bool printable(ProcedureFrame& frame, Needs needs) const;
    void queue(const QString& methodName);
    // Runs print on every voucher inside one PrintBegin(Count)/PrintEnd pair (only when the
    // controller window is loaded). A voucher that fails still ends the job; its error goes on
    // unchanged.
    void printEach(ProcedureFrame& frame, const std::function<void(Voucher&, std::optional<bool>&)>& print);

    GetDocListHandler m_getDocList;
    std::shared_ptr<Collection> m_enumeration;
};
