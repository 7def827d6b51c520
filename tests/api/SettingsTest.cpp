#include "api/SaleFixture.h"
#include "common/TestFiles.h"
#include "api/IniTextBounds.h"
#include "api/Settings.h"
#include "services/QuibaErrors.h"
#include "common/TestEventLoop.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"
#include "controller/ConfigurationUtility.h"
#include "platform/ComponentRegistry.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// The program's INI file, present for the test and removed afterwards.
class SettingsTest : public SaleFixture {
protected:
    void SetUp() override
    {
        SaleFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(iniPath).path()));
        ASSERT_TRUE(TestFiles::write(iniPath, "[GENERAL]\ndebug=TRUE\n"));
        ini.setFileName(iniPath);
    }

    void TearDown() override
    {
        QFile::remove(iniPath);
        SaleFixture::TearDown();
    }

    QString stored(const QString& key) const
    {
        return ini.KeyExists(u"TEST"_s, key) ? ini.GetString(u"TEST"_s, key) : u"(none)"_s;
    }

    const QString iniPath = IniLocation::iniFileName();
    clsINIFile ini;
    Settings settings;
};

TEST_F(SettingsTest, GetSettingTypesTheStoredText)
{
    const struct {
        const char* text;
        Variant expected;
        const char* result;
    } cases[] = {
        {"TRUE", Variant(true), "True"},
        {"false", Variant(false), "False"},
        {"20", Variant(qint32(20)), "20"},
        {"-7", Variant(qint32(-7)), "-7"},
        {"1.5", Variant(1.5), "1.5"},
        {"4000000000", Variant(4000000000.0), "4000000000"},
        {"10/12/2026", Variant::fromDate(DateValue::fromParts(2026, 12, 10)), "10/12/2026"},
        {"2026-12-10 14:05:09", Variant::fromDate(DateValue::fromParts(2026, 12, 10, 14, 5, 9)), "10/12/2026 14:05:09"},
        {"yes", Variant(u"yes"_s), "yes"},
        {"1.2.3.4", Variant(u"1.2.3.4"_s), "1.2.3.4"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.text);
        ini.WriteString(u"TEST"_s, u"value"_s, QString::fromUtf8(testCase.text));
        logger->lines.clear();
        const Variant value = settings.GetSetting(u"TEST"_s, u"value"_s);
        EXPECT_EQ(value.kind(), testCase.expected.kind());
        EXPECT_EQ(value, testCase.expected);
        EXPECT_EQ(traceLines(), (QStringList{u"CALL: Settings.GetSetting(\"TEST\", \"value\")"_s,
                                             u" --> "_s + QString::fromUtf8(testCase.result)}));
    }
}

TEST_F(SettingsTest, GetSettingFallsBackToTheGivenOrTheBuiltInDefault)
{
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"missing"_s, Variant(u"plain"_s)), Variant(u"plain"_s));
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"missing"_s, Variant(qint16(12))), Variant(qint32(12)));
    // debug has a built-in default of False; a key outside the schema reads empty.
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"debug"_s), Variant(false));
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"no_such_key"_s), Variant(QString()));
    EXPECT_EQ(settings.GetSetting(u"GENERAL"_s, u"debug"_s), Variant(true));
}

TEST_F(SettingsTest, PutSettingStoresEachTypeInItsForm)
{
    ini.WriteString(u"TEST"_s, u"gone"_s, u"x"_s);
    const struct {
        const char* key;
        Variant value;
        const char* stored;
        const char* logged;
    } cases[] = {
        {"flag", Variant(true), "True", "\"True\""},
        {"small", Variant(qint16(-12)), "-12", "\"-12\""},
        {"large", Variant(qint32(70000)), "70000", "\"70000\""},
        {"ratio", Variant(2.25), "2.25", "\"2.25\""},
        {"when", Variant::fromDate(DateValue::fromParts(2024, 3, 5, 14, 7, 9)), "05-Mar-2024 14:07:09",
         "\"05/03/2024 14:07:09\""},
        {"text", Variant(u"say \"hi\""_s), "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"blank", Variant(), "", "\"\""},
        {"gone", Variant::null(), "(none)", "\"Null\""},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.key);
        const QString key = QString::fromUtf8(testCase.key);
        logger->lines.clear();
        settings.PutSetting(u"TEST"_s, key, testCase.value);
        EXPECT_EQ(stored(key), QString::fromUtf8(testCase.stored));
        EXPECT_EQ(traceLines(), QStringList{u"CALL: Settings.PutSetting(\"TEST\", \"%1\", %2)"_s.arg(
                                    key, QString::fromUtf8(testCase.logged))});
    }
    // What was stored reads back as the type it was given.
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"flag"_s), Variant(true));
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"large"_s), Variant(qint32(70000)));
    EXPECT_EQ(settings.GetSetting(u"TEST"_s, u"when"_s).kind(), Variant::Kind::Date);
}

TEST_F(SettingsTest, EraseSettingRemovesTheKey)
{
    ini.WriteString(u"TEST"_s, u"old"_s, u"1"_s);
    settings.EraseSetting(u"TEST"_s, u"old"_s);
    EXPECT_EQ(stored(u"old"_s), u"(none)"_s);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Settings.EraseSetting(\"TEST\", \"old\")"_s,
                                         u"CALL: Settings.PutSetting(\"TEST\", \"old\", \"Null\")"_s}));
}

TEST_F(SettingsTest, NothingIsWrittenWithoutAnIniFile)
{
    QFile::remove(iniPath);
    settings.PutSetting(u"TEST"_s, u"key"_s, Variant(u"v"_s));
    settings.EraseSetting(u"TEST"_s, u"key"_s);
    EXPECT_FALSE(QFile::exists(iniPath));
}

class RecordingUtility : public ConfigurationUtility {
public:
    QString className() const override { return u"RecordingUtility"_s; }
    bool ShowPanel(QString& panel, QString&) override
    {
        panels.append(panel);
        return false;
    }
    void BeginUpdate(QString&) override {}
    qint16 FilesToInstall(bool&, QString&) override { return 0; }

    static inline QStringList panels;
};

TEST_F(SettingsTest, ShowConfigOpensThePanelAfterTheCallAndRefusesASecondPanelMeanwhile)
{
    RecordingUtility::panels.clear();
    ComponentRegistry::registerFactory(ConfigurationUtility::kClassId,
                                       [] { return std::make_shared<RecordingUtility>(); });
    std::optional<QString> panel = u"Printer"_s;
    settings.ShowConfig(panel);
    EXPECT_EQ(traceLines(), QStringList{u"CALL: Settings.ShowConfig(\"Printer\")"_s});
    EXPECT_TRUE(RecordingUtility::panels.isEmpty());

    std::optional<QString> second = u"Host"_s;
    const AutomationError refused = errorOf([&] { settings.ShowConfig(second); });
    EXPECT_EQ(refused.number(), quibaGeneralError);
    EXPECT_EQ(refused.description(),
              u"General Error: This key is already associated with an element of this collection"_s);

    TestEventLoop::runPending();
    EXPECT_EQ(RecordingUtility::panels, QStringList{u"Printer"_s});

    // Without a panel, and without an engine, the utility opens on its first panel.
    std::optional<QString> none;
    settings.ShowConfig(none);
    TestEventLoop::runPending();
    EXPECT_EQ(RecordingUtility::panels, (QStringList{u"Printer"_s, QString()}));
    ComponentRegistry::unregisterFactory(ConfigurationUtility::kClassId);
}

TEST_F(SettingsTest, TextsBeyondWhatAReadGivesBackWholeAreRefusedAndNothingIsWritten)
{
    const QString longName(IniTextBounds::kNameLimit + 1, u'k');
    const QString longValue(IniTextBounds::kValueLimit + 1, u'v');
    const struct {
        QString scope;
        QString name;
        QString value;
        const char* refused; // the argument named in the error; none when stored
    } cases[] = {
        {u"TEST"_s, u"fits"_s, QString(IniTextBounds::kValueLimit, u'v'), nullptr},
        {u"TEST"_s, u"value"_s, longValue, "Value"},
        {u"TEST"_s, longName, u"x"_s, "Name"},
        {QString(IniTextBounds::kNameLimit + 1, u's'), u"scope"_s, u"x"_s, "Scope"},
    };
    for (const auto& c : cases) {
        const QByteArray before = [&] {
            QFile file(iniPath);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        if (!c.refused) {
            settings.PutSetting(c.scope, c.name, Variant(c.value));
            EXPECT_EQ(stored(c.name), c.value);
            continue;
        }
        const AutomationError error = errorOf([&] { settings.PutSetting(c.scope, c.name, Variant(c.value)); });
        EXPECT_EQ(error.number(), quibaInvalidArgument) << c.refused;
        EXPECT_EQ(error.description(), u"Missing or Invalid Argument: "_s + QLatin1String(c.refused));
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before) << c.refused;
    }
}

TEST_F(SettingsTest, AnEscPosPrinterDeviceMustBeATcpAddressOrACharacterDevice)
{
    ASSERT_TRUE(TestFiles::write(iniPath, "[PRINTER]\nprinter_type=escpos\nprinter_device=tcp://10.0.0.9:9100\n"));
    const auto fileBytes = [&] {
        QFile read(iniPath);
        return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
    };
    const struct {
        QString name;
        Variant value;
        bool stored;
    } cases[] = {
        {u"printer_device"_s, Variant(u"tcp://printer.local"_s), true},
        {u"printer_device"_s, Variant(u"/dev/null"_s), true}, // a character device
        {u"printer_device"_s, Variant(iniPath), false},       // a regular file: the job would overwrite it
        {u"printer_device"_s, Variant(QFileInfo(iniPath).path()), false},
        {u"printer_device"_s, Variant(u"tcp://host:70000"_s), false},
        {u"printer_device"_s, Variant(u"tcp://host/path"_s), false},
        {u"printer_device"_s, Variant(u"lp0"_s), false},
        {u"printer_device"_s, Variant::null(), false}, // erased: no device at all
    };
    for (const auto& c : cases) {
        const QString written = c.value.isNull() ? QString() : c.value.toString();
        SCOPED_TRACE(written.toStdString());
        const QByteArray before = fileBytes();
        if (c.stored) {
            settings.PutSetting(u"PRINTER"_s, c.name, c.value);
            EXPECT_EQ(ini.GetString(u"PRINTER"_s, c.name), written);
            continue;
        }
        const AutomationError error = errorOf([&] { settings.PutSetting(u"printer"_s, c.name, c.value); });
        EXPECT_EQ(error.number(), quibaInvalidArgument);
        EXPECT_EQ(error.description(),
                  u"Missing or Invalid Argument: printer_device must be tcp://HOST[:PORT] or a character device for "
                  "printer_type escpos, not \"%1\""_s.arg(written));
        EXPECT_EQ(fileBytes(), before);
    }
    // Other printer types keep their queue names; switching to escpos checks the device already set.
    settings.PutSetting(u"PRINTER"_s, u"printer_type"_s, Variant(u"cups"_s));
    settings.PutSetting(u"PRINTER"_s, u"printer_device"_s, Variant(u"Office_Queue"_s));
    EXPECT_EQ(ini.GetString(u"PRINTER"_s, u"printer_device"_s), u"Office_Queue"_s);
    EXPECT_EQ(errorOf([&] { settings.PutSetting(u"PRINTER"_s, u"printer_type"_s, Variant(u"ESCPOS"_s)); }).number(),
              quibaInvalidArgument);
    EXPECT_EQ(ini.GetString(u"PRINTER"_s, u"printer_type"_s), u"cups"_s);
}

} // namespace
