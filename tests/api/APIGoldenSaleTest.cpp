#include "api/APIFixture.h"

#include "api/Basket.h"
#include "api/UserInterface.h"
#include "api/Vouchers.h"
#include "common/TestEventLoop.h"

#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class APIGoldenSaleTest : public APIFixture {
protected:
    // A released voucher document of the basket, in the data folder.
    QString voucherFile(const QString& name)
    {
        const QString folder = TestEnvironment::root() + u"/data"_s;
        QDir().mkpath(folder);
        const QString fileName = folder + u'/' + name;
        QFile::remove(fileName);
        EXPECT_TRUE(QFile::copy(QStringLiteral(PCQUIBA_TEST_DATA) + u"/api/voucher.xml"_s, fileName));
        QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner);
        engine->ensureBasket().documents.append(fileName);
        engine->ensureBasket().releasedDocuments.insert(fileName);
        return fileName;
    }

    // The log as severity and text, with the program root written as <root>.
    QStringList logText() const
    {
        QStringList lines;
        for (const RecordingLogger::Line& line : logger->lines) {
            const QString text = QString(line.text).replace(TestEnvironment::root(), u"<root>"_s);
            lines.append(QString::number(line.severity) + u' ' + text);
        }
        return lines;
    }

    static QStringList goldenLog()
    {
        QFile file(QStringLiteral(PCQUIBA_TEST_DATA) + u"/api/sale.log"_s);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
};

TEST_F(APIGoldenSaleTest, AWholeSaleWritesTheExpectedLog)
{
    FakeRulesEngine::install();
    ProcessState::instance().wellBehaved = true;
    logger->lines.clear();

    // Creation and identity.
    API& api = makeAPI();
    engine->assignRequired = true;
    engine->products = {u"TOPUP20"_s};
    engine->activeDevices = 4;
    engine->ensureBasket();
    api.setPOSDeviceID(u" T-0042 "_s);
    api.setPOSOperatorID(u"Op7"_s);
    api.setPOSReferenceID(u"R-1"_s);
    api.setSovereignName(u"Till"_s);
    api.setSovereignVersion(u"5.1"_s);
    api.setSovereignHWnd(4242);
    api.IsAssigned();

    // Assignment.
    std::optional<QString> hardwareID = u" HW-1 "_s;
    std::optional<QString> code1 = u"C1"_s;
    std::optional<QString> code2 = u"C2"_s;
    std::optional<bool> force = false;
    EXPECT_EQ(api.Assign1(hardwareID, code1, code2, force), u"OK: Assigned"_s);

    // The customer screen and an item.
    std::shared_ptr<Basket> basket = api.Basket();
    std::optional<QString> startAt;
    api.UserInterface()->Show(startAt);
    VariantArray data{Variant(u"20"_s)};
    basket->AddItem(u"TOPUP20"_s, data);
    TestEventLoop::runPending();
    ASSERT_EQ(engine->ensureBasket().Count(), 1);
    engine->ensureBasket().items.first()->description = u"Top-up 20"_s;

    // The engine asks for the mobile number; the Sovereign injects it from its handler.
    sink.onGetData = [&](Variant&, bool&) { api.InjectData(Variant(u"0791234567"_s)); };
    const FakeRulesEngine::GetDataAnswer answer = engine->raiseGetData(u"Mobile"_s, u"Phone"_s, 4, QString());
    EXPECT_EQ(answer.data, Variant(u"0791234567"_s));

    // Commit, two vouchers, their print events.
    EXPECT_TRUE(basket->Commit());
    for (const QString& name : {u"voucher1.xml"_s, u"voucher2.xml"_s})
        engine->sink()->VoucherAvailable(voucherFile(name));
    std::optional<bool> sync = true;
    basket->Vouchers()->RaisePrintEvents(sync);

    // The screen handed back, and the Sovereign lets go.
    engine->sink()->Surrender(5, u"Payment complete"_s);
    basket.reset();
    apis.clear();
    EXPECT_FALSE(frmController::isLoaded());

    const QStringList actual = logText();
    const QStringList expected = goldenLog();
    QFile written(QCoreApplication::applicationDirPath() + u"/api-sale.log"_s);
    if (written.open(QIODevice::WriteOnly | QIODevice::Text))
        written.write((actual.join(u'\n') + u'\n').toUtf8());
    ASSERT_FALSE(expected.isEmpty()) << "the expected log is missing";
    for (qsizetype line = 0; line < std::max(actual.size(), expected.size()); ++line)
        ASSERT_EQ(actual.value(line), expected.value(line)) << "first difference at line " << line + 1
                                                           << "; the whole log is in api-sale.log";
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
}

} // namespace
