// An example Sovereign in C++ with QtDBus: sells one voucher through pcQUIBA on the session bus,
// prints it here as text and on pcQUIBA's own printer, and releases everything.
//
//   example-sovereign [--phone NUMBER] [--customer SCRIPT]
#include "PcquibaSession.h"
#include "SaleEvents.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QTextStream>
#include <functional>
#include <stdexcept>

namespace {

// Serves the bus until `done` holds; pcQUIBA's events arrive here.
void waitFor(const std::function<bool()>& done, int seconds)
{
    const QDeadlineTimer deadline(seconds * 1000);
    while (!done()) {
        if (deadline.hasExpired())
            throw std::runtime_error("pcQUIBA did not answer in time");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

int sell(PcquibaSession& pcquiba, SaleEvents& events, const QString& customer)
{
    QTextStream out(stdout);
    // The session bus starts pcQUIBA when it is not running.
    const QString api = pcquiba.call(PcquibaSession::factoryPath(), QStringLiteral("pcQUIBA"), QStringLiteral("CreateAPI")).toString();
    pcquiba.call(api, QStringLiteral("API"), QStringLiteral("Advise"), {QVariant::fromValue(QDBusObjectPath(SaleEvents::path()))});
    waitFor([&] { return pcquiba.property(api, QStringLiteral("API"), QStringLiteral("IsReady")).toBool(); }, 60);

    const std::pair<QString, QVariant> identity[] = {
        {QStringLiteral("SovereignName"), QStringLiteral("Example Sovereign (C++)")},
        {QStringLiteral("SovereignVersion"), QStringLiteral("1.0")},
        {QStringLiteral("POSDeviceID"), QStringLiteral("TILL-2")},
        {QStringLiteral("POSOperatorID"), QStringLiteral("OP-2")},
        {QStringLiteral("POSReferenceID"), QStringLiteral("SALE-%1").arg(QCoreApplication::applicationPid())},
        {QStringLiteral("WellBehaved"), true},
    };
    for (const auto& [name, value] : identity)
        pcquiba.setProperty(api, QStringLiteral("API"), name, value);
    if (!pcquiba.property(api, QStringLiteral("API"), QStringLiteral("IsAssigned")).toBool())
        out << pcquiba.call(api, QStringLiteral("API"), QStringLiteral("Assign3")).toString() << Qt::endl;

    const QString basket = pcquiba.call(api, QStringLiteral("API"), QStringLiteral("Basket")).toString();
    const QString screen = pcquiba.call(api, QStringLiteral("API"), QStringLiteral("UserInterface")).toString();
    const QString settings = pcquiba.call(api, QStringLiteral("API"), QStringLiteral("Settings")).toString();
    const QVariantList scriptKey {QStringLiteral("SIMULATOR"), QStringLiteral("script")};
    if (!customer.isEmpty())
        pcquiba.call(settings, QStringLiteral("Settings"), QStringLiteral("PutSetting"), scriptKey + QVariantList {customer});
    pcquiba.call(screen, QStringLiteral("UserInterface"), QStringLiteral("Show"));
    out << "The customer chooses on the kiosk screen ..." << Qt::endl;
    waitFor([&] { return events.heard(QStringLiteral("ItemAdded")) || events.heard(QStringLiteral("Surrender")); }, 600);
    if (!customer.isEmpty())
        pcquiba.call(settings, QStringLiteral("Settings"), QStringLiteral("EraseSetting"), scriptKey);

    if (!pcquiba.property(basket, QStringLiteral("Basket"), QStringLiteral("IsCommitted")).toBool()) {
        if (!events.heard(QStringLiteral("ItemAdded"))) {
            out << "No sale: " << events.argumentsOf(QStringLiteral("Surrender")).value(1).toString() << Qt::endl;
            return 1;
        }
        // The till takes the payment, then commits.
        pcquiba.call(screen, QStringLiteral("UserInterface"), QStringLiteral("Hide"));
        pcquiba.call(basket, QStringLiteral("Basket"), QStringLiteral("Commit"));
    }
    waitFor([&] { return events.heard(QStringLiteral("BasketCommitted")); }, 120);
    const QString vouchers = pcquiba.call(basket, QStringLiteral("Basket"), QStringLiteral("Vouchers")).toString();
    pcquiba.call(vouchers, QStringLiteral("Vouchers"), QStringLiteral("RaisePrintEvents"), {true});
    pcquiba.call(vouchers, QStringLiteral("Vouchers"), QStringLiteral("PrintAll"), {true});
    out << "Sold: " << events.argumentsOf(QStringLiteral("BasketCommitted")).value(0).toInt() << " voucher(s)" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Sells one voucher through pcQUIBA on the session bus."));
    options.addHelpOption();
    const QCommandLineOption phone(QStringLiteral("phone"), QStringLiteral("The number a top-up is for."), QStringLiteral("number"),
                                   QStringLiteral("0412345678"));
    const QCommandLineOption customer(QStringLiteral("customer"),
                                      QStringLiteral("Steps of a scripted customer, for a screen nobody watches."),
                                      QStringLiteral("script"));
    options.addOptions({phone, customer});
    options.process(application);

    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTextStream(stderr) << "No session bus: " << bus.lastError().message() << Qt::endl;
        return 2;
    }
    PcquibaSession pcquiba(bus);
    SaleEvents events(pcquiba, options.value(phone));
    QDBusConnection(bus).registerVirtualObject(SaleEvents::path(), &events);
    try {
        const int result = sell(pcquiba, events, options.value(customer));
        pcquiba.releaseAll();
        return result;
    } catch (const std::exception& error) {
        QTextStream(stderr) << error.what() << Qt::endl;
        pcquiba.releaseAll();
        return 1;
    }
}
