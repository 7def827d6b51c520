#include "api/VoucherDelivery.h"

#include "services/Trace.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

QHash<const void*, VoucherDelivery::Owner>& VoucherDelivery::owners()
{
    static QHash<const void*, Owner> all;
    return all;
}

void VoucherDelivery::offered(const void* owner, const QString& fileName)
{
    Owner& kept = owners()[owner];
    if (!kept.open.contains(fileName))
        kept.open.append(fileName);
    giveUpOldestBeyondBound(kept);
}

void VoucherDelivery::basketCommitted(const void* owner, const QString& reference, const QDateTime& committedAt)
{
    const auto found = owners().find(owner);
    if (found == owners().end() || found->open.isEmpty())
        return;
    found->baskets.append({reference, committedAt, std::exchange(found->open, {})});
}

void VoucherDelivery::delivered(const QString& fileName)
{
    for (Owner& owner : owners()) {
        owner.open.removeAll(fileName);
        for (Basket& basket : owner.baskets)
            basket.files.removeAll(fileName);
        owner.baskets.removeIf([](const Basket& basket) { return basket.files.isEmpty(); });
    }
}

void VoucherDelivery::ownerLeaves(const void* owner)
{
    Owner kept = owners().take(owner);
    // Offered but not yet committed: the basket is named by the time it was given up.
    if (!kept.open.isEmpty())
        kept.baskets.append({QString(), QDateTime(), kept.open});
    for (const Basket& basket : kept.baskets)
        logBasket(basket);
}

void VoucherDelivery::giveUpOldestBeyondBound(Owner& owner)
{
    const auto count = [&owner] {
        qsizetype files = owner.open.size();
        for (const Basket& basket : owner.baskets)
            files += basket.files.size();
        return files;
    };
    while (count() > kMostKeptVouchers && !owner.baskets.isEmpty())
        logBasket(owner.baskets.takeFirst());
    while (owner.open.size() > kMostKeptVouchers)
        logBasket({QString(), QDateTime(), {owner.open.takeFirst()}});
}

void VoucherDelivery::logBasket(const Basket& basket)
{
    Trace::write(undeliveredLine(basket.reference, basket.committedAt, basket.files), Trace::WarningSeverity);
}

QString VoucherDelivery::undeliveredLine(const QString& reference, const QDateTime& committedAt,
                                         const QStringList& files)
{
    const QString committed = committedAt.isValid()
                                  ? u"committed "_s + committedAt.toString(u"yyyy-MM-dd hh:mm:ss"_s)
                                  : u"not committed"_s;
    const QString basket = reference.isEmpty() ? u"a basket without POSReferenceID"_s : u"basket "_s + reference;
    return u"Vouchers neither printed nor read when the Sovereign left: %1 (%2): %3"_s.arg(basket, committed,
                                                                                           files.join(u", "_s));
}
