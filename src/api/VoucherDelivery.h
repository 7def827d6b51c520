#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Which vouchers of committed baskets each Sovereign (each API object) has neither printed nor
// read, so that a Sovereign that leaves with some is logged and the sale can be reconciled.
// A voucher counts as delivered to every Sovereign once any Voucher object has printed it whole
// or read its XML.
class VoucherDelivery {
public:
    // The most vouchers kept per Sovereign; the oldest basket is given up (and logged) first.
    static constexpr qsizetype kMostKeptVouchers = 1000;

    // A voucher offered to the owner (VoucherAvailable); it belongs to the next basket closed.
    static void offered(const void* owner, const QString& fileName);
    // The owner's basket was committed: the vouchers offered since belong to it.
    static void basketCommitted(const void* owner, const QString& reference, const QDateTime& committedAt);
    // The voucher was printed or read.
    static void delivered(const QString& fileName);
    // The owner leaves: logs each basket with vouchers it neither printed nor read, at
    // severity 2, and forgets the owner.
    static void ownerLeaves(const void* owner);

    static QString undeliveredLine(const QString& reference, const QDateTime& committedAt, const QStringList& files);

private:
    struct Basket {
        QString reference;
        QDateTime committedAt;
        QStringList files;
    };
    struct Owner {
        QList<Basket> baskets;
        // Offered since the last commit.
        QStringList open;
    };
    static QHash<const void*, Owner>& owners();
    static void giveUpOldestBeyondBound(Owner& owner);
    static void logBasket(const Basket& basket);
};
