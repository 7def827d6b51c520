#include "platform/RegistryFile.h"

#include "common/TestEnvironment.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n");
const QString kShopKey = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Shop");

RegistryFile shopRegistry(const QString& valueLines)
{
    return RegistryFile::fromText(kHeader + QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Shop]\r\n") + valueLines);
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(char(value));
    return result;
}

// The value's data, or "<none>" when the registry does not hold the value.
QByteArray dataOf(const RegistryFile& registry, const QString& key, const QString& name)
{
    const auto value = registry.queryValue(key, name);
    return value ? value->data : QByteArray("<none>");
}

struct ValueCase {
    const char* line;
    const char* name;
    quint32 type;
    QByteArray data;
};

TEST(RegistryFileTest, DecodesEveryValueFormAsTheAnsiQueryReturnsIt)
{
    const ValueCase cases[] = {
        {R"("Text"="hello")", "Text", RegistryFile::String, QByteArray("hello", 6)},
        {R"("Empty"="")", "Empty", RegistryFile::String, QByteArray("", 1)},
        {R"("Quoted"="say \"hi\" \\ bye")", "Quoted", RegistryFile::String, QByteArray("say \"hi\" \\ bye", 15)},
        {R"("Unescaped"="c:\quiba\x")", "Unescaped", RegistryFile::String, QByteArray("c:\\quiba\\x", 11)},
        {"\"Euro\"=\"\u20AC5\"", "Euro", RegistryFile::String, bytes({0x80, '5', 0})},
        {"\"Greek\"=\"\u03A9\"", "Greek", RegistryFile::String, QByteArray("?", 2)},
        {R"(@="default")", "", RegistryFile::String, QByteArray("default", 8)},
        {R"("With = sign"="v")", "With = sign", RegistryFile::String, QByteArray("v", 2)},
        {R"("Spaced"  =  "v")", "Spaced", RegistryFile::String, QByteArray("v", 2)},
        {R"("Number"=dword:0000002a)", "Number", RegistryFile::DWord, bytes({0x2a, 0, 0, 0})},
        {R"("Short"=dword:1)", "Short", RegistryFile::DWord, bytes({1, 0, 0, 0})},
        {R"("All"=dword:FFFFFFFF)", "All", RegistryFile::DWord, bytes({0xff, 0xff, 0xff, 0xff})},
        {R"("Blob"=hex:00,1a,FF)", "Blob", RegistryFile::Binary, bytes({0, 0x1a, 0xff})},
        {R"("NoBytes"=hex:)", "NoBytes", RegistryFile::Binary, QByteArray()},
        {R"("Expand"=hex(2):25,00,41,00,25,00,00,00)", "Expand", RegistryFile::ExpandString, QByteArray("%A%", 4)},
        {R"("Multi"=hex(7):61,00,00,00,62,00,00,00,00,00)", "Multi", RegistryFile::MultiString,
         QByteArray("a\0b\0\0", 5)},
        {R"("OddUtf16"=hex(1):41,00,42)", "OddUtf16", RegistryFile::String, QByteArray("A", 1)},
        {R"("Quad"=hex(b):01,02,03,04,05,06,07,08)", "Quad", RegistryFile::QWord, bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        {R"("Nothing"=hex(0):)", "Nothing", RegistryFile::None, QByteArray()},
        {R"("Custom"=hex(100):ab)", "Custom", 0x100, bytes({0xab})},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.line);
        const RegistryFile registry = shopRegistry(QString::fromUtf8(c.line));
        const auto value = registry.queryValue(kShopKey, QString::fromUtf8(c.name));
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, c.type);
        EXPECT_EQ(value->data, c.data);
    }
}

TEST(RegistryFileTest, SkipsBrokenValueLinesAndKeepsTheRest)
{
    const char* brokenLines[] = {
        R"("Unterminated="x")",
        R"("Name"="unterminated)",
        R"("Name"="x" trailing)",
        R"("Name" "x")",
        R"("Name"=)",
        R"("Name"=dword:123456789)",
        R"("Name"=dword:xyz)",
        R"("Name"=dword:-1)",
        R"("Name"=hex:0g)",
        R"("Name"=hex:100)",
        R"("Name"=hex(zz):00)",
        R"("Name"=hex(2:00)",
        R"("Name"=hex(123456789):00)",
        R"("Name"=hex 00)",
        R"("Name"=hex:01,,02)",
        R"("Name"=something)",
        "Name=\"bare name\"",
        "=\"no name\"",
        "\x01\x02\x7f junk",
    };
    for (const char* broken : brokenLines) {
        SCOPED_TRACE(broken);
        const RegistryFile registry = shopRegistry(QStringLiteral("\"Before\"=\"1\"\r\n") + QString::fromUtf8(broken)
                                                   + QStringLiteral("\r\n\"After\"=\"2\"\r\n"));
        EXPECT_EQ(registry.valueNames(kShopKey), QStringList({u"Before"_s, u"After"_s}));
    }
}

struct KeyCase {
    quint32 root;
    const char* subKey;
    std::optional<QString> expected;
};

TEST(RegistryFileTest, OpensNamedKeysTheirParentsAndTheRoots)
{
    const RegistryFile registry = RegistryFile::fromText(kHeader + QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\Software\\QUIBA\\pcQUIBA]\r\n"
        "[hkey_current_user\\Control Panel]\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Old\\Child]\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
        "[HKEY_NOWHERE\\Software]\r\n"
        "[HKEY_USERS\\Unclosed\r\n"));
    const KeyCase cases[] = {
        {RegistryFile::LocalMachine, "Software\\QUIBA\\pcQUIBA", u"HKEY_LOCAL_MACHINE\\Software\\QUIBA\\pcQUIBA"_s},
        {RegistryFile::LocalMachine, "software\\quiba\\PCQUIBA", u"HKEY_LOCAL_MACHINE\\software\\quiba\\PCQUIBA"_s},
        {RegistryFile::LocalMachine, "\\Software\\\\QUIBA\\", u"HKEY_LOCAL_MACHINE\\Software\\QUIBA"_s},
        {RegistryFile::LocalMachine, "Software", u"HKEY_LOCAL_MACHINE\\Software"_s},
        {RegistryFile::LocalMachine, "", u"HKEY_LOCAL_MACHINE"_s},
        {RegistryFile::DynData, "", u"HKEY_DYN_DATA"_s},
        {RegistryFile::CurrentUser, "Control Panel", u"HKEY_CURRENT_USER\\Control Panel"_s},
        {RegistryFile::LocalMachine, "Software\\QUIBA\\pcQUIBA\\Below", std::nullopt},
        {RegistryFile::LocalMachine, "Software\\QUIB", std::nullopt},
        {RegistryFile::LocalMachine, "Software\\Old", std::nullopt},
        {RegistryFile::LocalMachine, "Software\\Old\\Child", std::nullopt},
        {RegistryFile::CurrentUser, "Software\\QUIBA", std::nullopt},
        {RegistryFile::Users, "Unclosed", std::nullopt},
        {0x80000007, "", std::nullopt},
        {0, "Software", std::nullopt},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.subKey);
        EXPECT_EQ(registry.openKey(c.root, QString::fromUtf8(c.subKey)), c.expected);
    }
}

TEST(RegistryFileTest, LaterLinesOverrideEarlierOnesAsAnImportWould)
{
    const RegistryFile registry = RegistryFile::fromText(kHeader + QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\Shop]\r\n"
        "\"A\"=\"first\"\r\n"
        "\"B\"=\"keep\"\r\n"
        "\"C\"=\"drop\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Other]\r\n"
        "[hkey_local_machine\\SHOP]\r\n"
        "\"a\"=\"second\"\r\n"
        "\"c\"=-\r\n"));
    const QString key = u"HKEY_LOCAL_MACHINE\\Shop"_s;
    EXPECT_EQ(registry.keyPaths(), QStringList({key, u"HKEY_LOCAL_MACHINE\\Other"_s}));
    EXPECT_EQ(registry.valueNames(key), QStringList({u"A"_s, u"B"_s}));
    EXPECT_EQ(dataOf(registry, key, u"A"_s), QByteArray("second", 7));
    EXPECT_FALSE(registry.queryValue(key, u"C"_s).has_value());
    EXPECT_FALSE(registry.queryValue(key, QString()).has_value());
}

TEST(RegistryFileTest, ValuesBelowABrokenHeaderAreNotGivenToThePreviousKey)
{
    const RegistryFile registry = RegistryFile::fromText(kHeader + QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\Software\\Shop]\r\n"
        "\"Kept\"=\"1\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Broken\r\n"
        "\"Lost\"=\"2\"\r\n"
        "\"Orphan\"=\"before any key\"\r\n"));
    EXPECT_EQ(registry.valueNames(kShopKey), QStringList({u"Kept"_s}));
    EXPECT_EQ(registry.keyPaths().size(), 1);
}

TEST(RegistryFileTest, JoinsContinuedHexLinesAndNothingElse)
{
    const RegistryFile registry = shopRegistry(QStringLiteral(
        "\"Multi\"=hex(7):61,00,00,00,\\\r\n"
        "  62,00,00,00,\\\r\n"
        "  00,00\r\n"
        "\"Path\"=\"c:\\\\\"\r\n"
        "\"Next\"=\"n\"\r\n"
        "\"Last\"=hex:01,\\"));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Multi"_s), QByteArray("a\0b\0\0", 5));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Path"_s), QByteArray("c:\\", 4));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Next"_s), QByteArray("n", 2));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Last"_s), bytes({1}));
}

TEST(RegistryFileTest, AByteListBrokenOffBeforeTheNextEntryDoesNotSwallowIt)
{
    const RegistryFile registry = shopRegistry(QStringLiteral(
        "\"Cut\"=hex:01,02,\\\r\n"
        "\"Next\"=\"n\"\r\n"
        "\"CutBeforeKey\"=hex:03,\\\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
        "@=\"other\"\r\n"));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Cut"_s), bytes({1, 2}));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Next"_s), QByteArray("n", 2));
    EXPECT_EQ(dataOf(registry, kShopKey, u"CutBeforeKey"_s), bytes({3}));
    EXPECT_EQ(dataOf(registry, u"HKEY_LOCAL_MACHINE\\Software\\Other"_s, QString()), QByteArray("other", 6));
}

TEST(RegistryFileTest, Regedit4FilesKeepTheirHexTextsAsAnsi)
{
    const RegistryFile registry = RegistryFile::fromText(QStringLiteral(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Shop]\n\"Expand\"=hex(2):25,41,25,00\n"));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Expand"_s), QByteArray("%A%", 4));
}

struct EncodingCase {
    const char* name;
    QByteArray file;
};

TEST(RegistryFileTest, ReadsUtf16Utf8AndAnsiFiles)
{
    const QString text = kHeader + QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Shop]\r\n\"Caf\u00E9\"=\"\u00E9t\u00E9\"\r\n");
    QByteArray utf16("\xff\xfe", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const EncodingCase cases[] = {
        {"UTF-16 with byte-order mark", utf16},
        {"UTF-8 with byte-order mark", QByteArray("\xef\xbb\xbf") + text.toUtf8()},
        {"UTF-8", text.toUtf8()},
        {"Windows-1252", text.toLatin1()},
    };
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto value = RegistryFile::fromBytes(c.file).queryValue(kShopKey, u"caf\u00C9"_s);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->data, bytes({0xe9, 't', 0xe9, 0}));
    }
}

TEST(RegistryFileTest, JunkAndHugeLinesGiveAnEmptyOrPartialRegistry)
{
    QByteArray junk;
    for (int i = 0; i < 70000; ++i)
        junk.append(char((i * 7919) % 256));
    EXPECT_TRUE(RegistryFile::fromBytes(junk).keyPaths().isEmpty());

    const QString hugeName(200000, u'n');
    const QString hugeHex = QStringLiteral("00,").repeated(100000) + QStringLiteral("00");
    const RegistryFile registry = shopRegistry(u"\""_s + hugeName + u"\"=\"v\"\r\n\"Hex\"=hex:"_s + hugeHex
                                               + u"\r\n["_s + QString(100000, u'[') + u"\r\n"_s);
    EXPECT_EQ(dataOf(registry, kShopKey, hugeName), QByteArray("v", 2));
    EXPECT_EQ(dataOf(registry, kShopKey, u"Hex"_s).size(), 100001);
    EXPECT_EQ(registry.keyPaths(), QStringList({kShopKey}));
}

TEST(RegistryFileTest, LoadsFromTheEnvironmentsFileOrTheProgramRoot)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"shop.reg"_s);
    ASSERT_TRUE(TestFiles::write(path, (kHeader + u"[HKEY_LOCAL_MACHINE\\Software\\Shop]\r\n\"A\"=\"1\"\r\n"_s).toUtf8()));

    const QByteArray saved = qgetenv("PCQUIBA_REGISTRY");
    qputenv("PCQUIBA_REGISTRY", path.toLocal8Bit());
    EXPECT_EQ(RegistryFile::location(), path);
    EXPECT_EQ(RegistryFile::open().valueNames(kShopKey), QStringList({u"A"_s}));
    qunsetenv("PCQUIBA_REGISTRY");
    EXPECT_EQ(RegistryFile::location(), TestEnvironment::root() + u"/registry.reg"_s);
    qputenv("PCQUIBA_REGISTRY", saved);

    EXPECT_TRUE(RegistryFile::load(folder.filePath(u"missing.reg"_s)).keyPaths().isEmpty());
    EXPECT_TRUE(RegistryFile::load(folder.path()).keyPaths().isEmpty());
}

TEST(RegistryFileTest, NamesTheSevenPredefinedRoots)
{
    EXPECT_EQ(RegistryFile::rootHandle(u"hkey_classes_root"_s), RegistryFile::ClassesRoot);
    EXPECT_EQ(RegistryFile::rootHandle(u"HKEY_DYN_DATA"_s), RegistryFile::DynData);
    EXPECT_FALSE(RegistryFile::rootHandle(u"HKLM"_s).has_value());
    EXPECT_FALSE(RegistryFile::rootHandle(u" HKEY_USERS"_s).has_value());
    EXPECT_EQ(RegistryFile::rootName(0x80000005), u"HKEY_CURRENT_CONFIG"_s);
    EXPECT_TRUE(RegistryFile::rootName(0x80000007).isEmpty());
}

} // namespace
