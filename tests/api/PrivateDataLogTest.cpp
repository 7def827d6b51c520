#include "api/APIFixture.h"

#include "api/Eftpos.h"
#include "services/PrivateData.h"
#include "controller/RulesEngineEvents.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class PrivateDataLogTest : public APIFixture {
protected:
    void TearDown() override
    {
        PrivateData::setLogged(true);
        APIFixture::TearDown();
    }

    // The lines a sale writes where the customer's data can appear.
    QStringList privateLines()
    {
        API& api = readyAPI();
        sink.onGetData = [&](Variant&, bool&) { api.InjectData(Variant(u"0412345678"_s)); };
        engine->raiseGetData(u"Phone number"_s, u"PHONE"_s, 1, u""_s, Variant(u"04"_s));
        engine->sink()->DataMismatch(1, Variant(u"0412"_s), u"Too short"_s);
        frmController& controller = frmController::instance();
        controller.RaisePrintText(u"A"_s, u"B"_s, 1, 1, u"Left"_s, 0, u"PIN 1234 5678"_s);
        controller.RaisePrintBarcode(u"code128"_s, 2, 12, u"Center"_s, u"000042"_s);
        const auto eftpos = api.Eftpos();
        eftpos->setPan(u"6010123412341234"_s);
        eftpos->setCardName(u"j citizen"_s);
        eftpos->setStan(u"000123"_s);
        eftpos->Pan();
        return logger->texts();
    }
};

TEST_F(PrivateDataLogTest, WithoutPrivateDataTheLogShowsOnlyHowLongVoucherTextDeviceDataAndCardValuesWere)
{
    PrivateData::setLogged(false);
    EXPECT_EQ(privateLines(), (QStringList{
                                  u"EVENT: GetData(Phone number, PHONE, , [2 characters])"_s,
                                  u"CALL: API.InjectData([10 characters])"_s,
                                  u" --> END EVENT: GetData (returned: Data = [10 characters], Cancel = False)"_s,
                                  u"EVENT: DataMismatch(1, [4 characters], Too short)"_s,
                                  u" --> END EVENT: DataMismatch"_s,
                                  u"EVENT: PrintText([13 characters])"_s,
                                  u"EVENT: PrintBarcode(code128, [6 characters])"_s,
                                  u"CALL: API.Eftpos()"_s,
                                  u"SET: Eftpos.Pan = [16 characters]"_s,
                                  u"SET: Eftpos.CardName = [9 characters]"_s,
                                  u"SET: Eftpos.Stan = 000123"_s,
                                  u"GET: Eftpos.Pan"_s,
                                  u" --> [16 characters]"_s,
                              }));
}

TEST_F(PrivateDataLogTest, ByDefaultTheLinesStayAsTheyWere)
{
    const QStringList lines = privateLines();
    for (const QString& expected : {u"EVENT: GetData(Phone number, PHONE, , 04)"_s, u"CALL: API.InjectData(0412345678)"_s,
                                    u"EVENT: DataMismatch(1, 0412, Too short)"_s,
                                    u"EVENT: PrintText(PIN 1234 5678)"_s, u"EVENT: PrintBarcode(code128, 000042)"_s,
                                    u"SET: Eftpos.Pan = 6010123412341234"_s, u"SET: Eftpos.CardName = J CITIZEN"_s})
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString() << "\n" << lines.join(u'\n').toStdString();
}

} // namespace
