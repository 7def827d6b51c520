#include "config/IniSectionExpander.h"

#include "config/IniDefaults.h"
#include "config/FakeIniMachine.h"
#include "config/IniFixtureFiles.h"
#include "config/IniPlaceholders.h"
#include "config/clsINIFile.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"
#include "platform/NetworkSource.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class FixedNetwork : public NetworkSource {
public:
    QList<Adapter> adapterList() const override
    {
        return {{u"eth0"_s, QByteArray::fromHex("001a2b3c4d5e"), Ethernet}};
    }
    QList<Adapter> interfaceTable() const override { return {}; }
    std::optional<QString> hostName() const override { return u"till-7"_s; }
    std::optional<QStringList> hostAddresses(const QString&) const override
    {
        return QStringList{u"10.1.2.3"_s, u"10.9.9.9"_s};
    }
    SocketsStartup startupSockets() override { return {}; }
    int cleanupSockets() override { return 0; }
};

class IniSectionTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        NetworkSource::setCurrent(std::make_shared<FixedNetwork>());
        writeTextFile(path(u"root/config/pcQUIBA.ini"_s), u"[INFO]\ntill=Till 7\nparen=(kept)\nlong="_s + QString(150, u'x') + u'\n');
        writeTextFile(path(u"extra.ini"_s), u"[SHOP]\nname=Corner Shop\n"_s);
        writeTextFile(path(u"registry.reg"_s), u"Windows Registry Editor Version 5.00\r\n\r\n"
                                               u"[HKEY_LOCAL_MACHINE\\Software\\Shop]\r\n"
                                               u"\"Name\"=\"Till 7\"\r\n"
                                               u"\"Count\"=dword:0000002a\r\n"
                                               u"\"Blob\"=hex:01,02\r\n"
                                               u"\"Paren\"=\"(kept)\"\r\n"
                                               u"\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                               u"[HKEY_CLASSES_ROOT\\Shop]\r\n"
                                               u"@=\"classes default\"\r\n"_s);
        m_ini.setFileName(path(u"assign/assign.ini"_s));
    }
    void TearDown() override
    {
        NetworkSource::reset();
        ServiceFixture::TearDown();
    }

    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }

    // Writes the accessor's file: the given text after a GENERAL, EFTPOS and HOST section.
    void writeIni(const QString& sections, const QString& hardwareId = u"HW-12345678"_s)
    {
        writeTextFile(m_ini.FileName(), u"[GENERAL]\nhardware_id="_s + hardwareId + u"\n[EFTPOS]\ncatid=12345678\n"_s
                                            + sections);
        m_ini.setObfuscateKey(IniPlaceholders::kFlagsObfuscateKey);
        m_ini.WriteObfuscated(u"HOST"_s, u"flags"_s, u"SECRET"_s);
        m_ini.setObfuscateKey(QString());
    }

    QTemporaryDir m_dir;
    ScopedEnvironment m_root{"PCQUIBA_ROOT", m_dir.path() + u"/root"_s};
    ScopedEnvironment m_registry{"PCQUIBA_REGISTRY", m_dir.path() + u"/registry.reg"_s};
    clsINIFile m_ini;
};

struct EntryCase {
    const char* value;
    Variant expected;
};

TEST_F(IniSectionTest, ExpandsEveryPlaceholder)
{
    const QString extra = path(u"extra.ini"_s);
    const FakeIniMachine machine;
    const QString computer = machine.computer;
    const EntryCase cases[] = {
        {"", u"()"_s},
        {"()", u"()"_s},
        {"\"   \"", u"()"_s},
        {"  value  ", u"value"_s},
        {"\" padded \"", u"padded"_s},
        {"(NOSUCH)", u"(NOSUCH)"_s},
        {"(NOSUCH,1)", u"(NOSUCH,1)"_s},
        {"(,x)", u"(,x)"_s},
        {"( MAC )", u"( MAC )"_s},
        {"(MAC", u"(MAC"_s},
        {"(MAC)", u"00-1A-2B-3C-4D-5E"_s},
        {"(mac)", u"00-1A-2B-3C-4D-5E"_s},
        {"(MACADDR;~abdeghjkmnpq)", u"001A2B3C4D5E"_s},
        {"(MACADDRESS ~ab)", u"00"_s},
        {"(IP)", u"10.1.2.3"_s},
        {"(IPADDR,~w-x-y-z-c)", u"10-1-2-3-0"_s},
        {"(IPADDRESS,~abc)", u"010"_s},
        {"(CATID)", u"12345678"_s},
        {"(CATID,~abcd)", u"1234"_s},
        {"(CAID)", u"()"_s},
        {"(CAID,~abcd)", u"()"_s},
        {"(HARDWAREID)", u"HW-12345678"_s},
        {"(HARDWAREID,~abc)", u"HW-"_s},
        {"(COMPUTERNAME)", computer},
        {"(COMPUTERNAME,~a)", computer.left(1)},
        {"(FLAGS)", u"SECRET"_s},
        {"(FLAGS,ignored)", u"SECRET"_s},
        {"(POS,till)", u"Till 7"_s},
        {"(POSINFO,missing,none)", u"none"_s},
        {"(POS,long)", QString(99, u'x')},
        {"(INFO,missing)", QString()},
        {"(POS,till,~abcd)", u"Till 7"_s},
        {"(POS,till,,~abcd)", u"Till"_s},
        {"(POS,paren,,~a)", u"(kept)"_s},
        {"(POS,paren)", u"(kept)"_s},
        {"(INI,%EXTRA%,SHOP,name)", u"Corner Shop"_s},
        {"(INI,%EXTRA%,SHOP,missing,dflt)", u"dflt"_s},
        {"(INI,%EXTRA%,SHOP,name,,~abcdef)", u"Corner"_s},
        {"(INI,no-such-pcquiba-file.ini,SHOP,name,fallback)", u"fallback"_s},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\Shop,Name)", u"Till 7"_s},
        {"(REG, hkey_local_machine\\Software\\Shop , Name )", u"Till 7"_s},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\Shop,Count)", qint32(42)},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\Shop,Blob)", VariantArray{qint16(1), qint16(2)}},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\None,Name,fallback)", u"fallback"_s},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\None,Name)", QString()},
        {"(REG,HKLM\\Software\\Shop,Name,fb)", u"fb"_s},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\Shop,Name,,~abcd)", u"Till"_s},
        {"(REG,HKEY_LOCAL_MACHINE\\Software\\Shop,Paren,,~a)", u"(kept)"_s},
        {"(REG,HKCR\\Shop)", u"classes default"_s},
    };
    QString lines;
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i)
        lines += u"entry%1="_s.arg(i) + QString::fromUtf8(cases[i].value).replace(u"%EXTRA%"_s, extra) + u'\n';
    writeIni(u"[ASSIGN_CODE_1]\n"_s + lines);

    const auto entries = IniSectionExpander::iniSection(m_ini, u"ASSIGN_CODE_1"_s);
    ASSERT_EQ(entries->count(), qsizetype(std::size(cases)));
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].value);
        EXPECT_EQ(entries->item(u"ENTRY%1"_s.arg(i)), cases[i].expected);
    }
}

TEST_F(IniSectionTest, DateAndTimeFollowTheClock)
{
    writeIni(u"[ASSIGN_CODE_1]\nstamp=(DATE)\nday=(DATE,yyyy-mm-dd)\nclock=(TIME;hh:nn)\n"_s);
    Clock::set(QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9)));
    const auto resetClock = qScopeGuard([] { Clock::reset(); });
    const auto entries = IniSectionExpander::iniSection(m_ini, u"ASSIGN_CODE_1"_s);
    struct Case {
        const char* key;
        QString expected;
    };
    for (const Case& c : {Case{"stamp", u"20260305070809"_s}, Case{"day", u"2026-03-05"_s}, Case{"clock", u"07:08"_s}}) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(entries->item(QString::fromUtf8(c.key)).toString(), c.expected);
    }
}

TEST_F(IniSectionTest, EmptyHardwareIdSectionHoldsTheStoredHardwareId)
{
    struct Case {
        const char* name;
        QString sections;
        QString hardwareId;
        QString section;
        QStringList keys;
        VariantArray items;
    };
    const Case cases[] = {
        {"absent section", {}, u"HW-1"_s, u"HARDWARE_ID"_s, {u"HardwareId"_s}, {u"HW-1"_s}},
        {"lower-case name", {}, u"HW-1"_s, u"hardware_id"_s, {u"HardwareId"_s}, {u"HW-1"_s}},
        {"header without keys", u"[HARDWARE_ID]\n"_s, u"HW-1"_s, u"HARDWARE_ID"_s, {u"HardwareId"_s}, {u"HW-1"_s}},
        {"placeholder stored", {}, u"(MAC)"_s, u"HARDWARE_ID"_s, {u"HardwareId"_s}, {u"00-1A-2B-3C-4D-5E"_s}},
        {"nothing stored", {}, QString(), u"HARDWARE_ID"_s, {}, {}},
        {"own entries", u"[HARDWARE_ID]\nSerial=42\n"_s, u"HW-1"_s, u"HARDWARE_ID"_s, {u"Serial"_s}, {u"42"_s}},
        {"other sections have none", {}, u"HW-1"_s, u"ASSIGN_CODE_1"_s, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeIni(c.sections, c.hardwareId);
        const auto entries = IniSectionExpander::iniSection(m_ini, c.section);
        ASSERT_NE(entries, nullptr);
        EXPECT_EQ(entries->keys(), c.keys);
        EXPECT_EQ(entries->items(), c.items);
    }
}

TEST_F(IniSectionTest, EmptyAssignCode2SectionHoldsTheFlagsAndKeepsTheirKey)
{
    writeIni({});
    const auto entries = IniSectionExpander::iniSection(m_ini, u"ASSIGN_CODE_2"_s);
    EXPECT_EQ(entries->keys(), QStringList({u"AssignCode2*"_s}));
    EXPECT_EQ(entries->item(u"AssignCode2*"_s), Variant(u"SECRET"_s));
    // The obfuscation key stays set on the accessor.
    EXPECT_EQ(m_ini.GetObfuscated(u"HOST"_s, u"flags"_s), u"SECRET"_s);

    m_ini.EraseKey(u"HOST"_s, u"flags"_s);
    EXPECT_EQ(IniSectionExpander::iniSection(m_ini, u"ASSIGN_CODE_2"_s)->count(), 0);
}

TEST_F(IniSectionTest, KeysCompareWithoutRegardToCase)
{
    writeIni(u"[ASSIGN_CODE_1]\nMac=(MAC)\n"_s);
    const auto entries = IniSectionExpander::iniSection(m_ini, u"ASSIGN_CODE_1"_s);
    EXPECT_EQ(entries->item(u"MAC"_s), Variant(u"00-1A-2B-3C-4D-5E"_s));
}

TEST_F(IniSectionTest, AnUnsupportedRegistryTypeIsReportedAndRaised)
{
    writeIni(u"[ASSIGN_CODE_1]\nquad=(REG,HKEY_LOCAL_MACHINE\\Software\\Shop,Quad)\n"_s);
    try {
        IniSectionExpander::iniSection(m_ini, u"ASSIGN_CODE_1"_s);
        FAIL() << "no error raised";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 13);
        EXPECT_EQ(error.description(), u"Unsupported value type"_s);
        EXPECT_EQ(error.source(), u"pcQUIBA.modINIConstants"_s);
    }
    EXPECT_TRUE(errorHandler->events.contains(u"record 13 modINIConstants.Function iniSection"_s));
    EXPECT_EQ(errorHandler->leaves, errorHandler->enters);
}

TEST(IniPlaceholdersTest, TheFirstCharacterAfterTheNameSeparatesTheArguments)
{
    struct Case {
        QString inner;
        QString name;
        QStringList arguments;
    };
    const Case cases[] = {
        {u"MAC"_s, u"MAC"_s, {}},
        {u"mac,~abc"_s, u"MAC"_s, {u"~abc"_s}},
        {u"MAC;~abc"_s, u"MAC"_s, {u"~abc"_s}},
        {u"POS,till , none "_s, u"POS"_s, {u"till"_s, u"none"_s}},
        {u"POS , till"_s, u"POS"_s, {u","_s, u"till"_s}},
        {u"INI|a,b|S|k"_s, u"INI"_s, {u"a,b"_s, u"S"_s, u"k"_s}},
        {u"DATE,"_s, u"DATE"_s, {QString()}},
        {u"REG1x1y"_s, u"REG"_s, {u"x"_s, u"y"_s}},
        {u" MAC"_s, QString(), {u"MAC"_s}},
        {QString(), QString(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inner.toStdString());
        const IniPlaceholders::Placeholder parsed = IniPlaceholders::parse(c.inner);
        EXPECT_EQ(parsed.name, c.name);
        EXPECT_EQ(parsed.arguments, c.arguments);
    }
}

} // namespace
