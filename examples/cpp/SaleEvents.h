#pragma once

#include <QDBusVirtualObject>
#include <QHash>
#include <QStringList>

class PcquibaSession;

// The Sovereign's event sink: pcQUIBA calls it (interface org.pcquiba.APIEvents) for every
// event. It answers the data requests, remembers what happened, and writes each voucher's print
// events as text on standard output.
class SaleEvents : public QDBusVirtualObject {
public:
    SaleEvents(PcquibaSession& session, QString phoneNumber);

    static QString path();

    bool heard(const QString& event) const { return m_heard.contains(event); }
    QVariantList argumentsOf(const QString& event) const { return m_heard.value(event); }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    // The by-reference values to hand back for an event, in order.
    QVariantList answer(const QString& event, const QVariantList& arguments);
    void print(const QString& event, const QVariantList& arguments);

    PcquibaSession& m_session;
    QString m_phoneNumber;
    QHash<QString, QVariantList> m_heard;
    QStringList m_slip;
};
