#include "SaleEvents.h"

#include "PcquibaSession.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>
#include <QTextStream>

namespace {

constexpr int kSlipWidth = 40;

QVariant unwrapped(const QVariant& value)
{
    return value.userType() == qMetaTypeId<QDBusVariant>() ? qvariant_cast<QDBusVariant>(value).variant() : value;
}

QString aligned(const QString& text, const QString& alignment)
{
    const qsizetype room = qMax<qsizetype>(0, kSlipWidth - text.size());
    const QChar side = alignment.isEmpty() ? u'l' : alignment.at(0).toLower();
    if (side == u'c')
        return QString(room / 2, u' ') + text;
    if (side == u'r')
        return QString(room, u' ') + text;
    return text;
}

} // namespace

SaleEvents::SaleEvents(PcquibaSession& session, QString phoneNumber)
    : m_session(session)
    , m_phoneNumber(std::move(phoneNumber))
{
}

QString SaleEvents::path()
{
    return QStringLiteral("/sink");
}

QString SaleEvents::introspect(const QString&) const
{
    return {};
}

bool SaleEvents::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.interface() != QLatin1String("org.pcquiba.APIEvents"))
        return false;
    QVariantList arguments;
    for (const QVariant& argument : message.arguments()) {
        arguments.append(unwrapped(argument));
        if (arguments.last().userType() == qMetaTypeId<QDBusObjectPath>())
            m_session.hold(arguments.last().value<QDBusObjectPath>().path());
    }
    m_heard.insert(message.member(), arguments);
    QVariantList back;
    for (const QVariant& value : answer(message.member(), arguments))
        back.append(QVariant::fromValue(QDBusVariant(value)));
    QDBusConnection(connection).send(message.createReply(back));
    return true;
}

QVariantList SaleEvents::answer(const QString& event, const QVariantList& arguments)
{
    if (event == QLatin1String("GetData")) {
        QTextStream(stdout) << "pcQUIBA asks for: " << arguments.value(0).toString() << ' ' << arguments.value(3).toString()
                            << Qt::endl;
        // Data and Cancel go back by reference: a phone number is given, anything else refused.
        if (arguments.value(1).toString() == QLatin1String("PHONE"))
            return {m_phoneNumber, false};
        return {arguments.value(4), true};
    }
    if (event.startsWith(QLatin1String("Print")))
        print(event, arguments);
    return {};
}

void SaleEvents::print(const QString& event, const QVariantList& arguments)
{
    if (event == QLatin1String("PrintVoucher")) {
        m_slip.clear();
    } else if (event == QLatin1String("PrintText")) {
        const QString text = QString(arguments.value(5).toInt(), u' ') + arguments.value(6).toString();
        m_slip.append(aligned(text, arguments.value(4).toString()));
    } else if (event == QLatin1String("PrintLine")) {
        m_slip.append(QString(kSlipWidth, u'-'));
    } else if (event == QLatin1String("PrintCut")) {
        m_slip.append(QStringLiteral("- ").repeated(kSlipWidth / 2));
    } else if (event == QLatin1String("PrintBarcode") || event == QLatin1String("PrintImage")) {
        const QString what = event.mid(5).toLower() + QStringLiteral(": ") + QFileInfo(arguments.last().toString()).fileName();
        m_slip.append(aligned(u'[' + what + u']', QStringLiteral("c")));
    } else if (event == QLatin1String("PrintVoucherEnd")) {
        QTextStream out(stdout);
        for (const QString& line : std::as_const(m_slip))
            out << "| " << line.left(kSlipWidth).leftJustified(kSlipWidth) << " |\n";
        out.flush();
    }
}
