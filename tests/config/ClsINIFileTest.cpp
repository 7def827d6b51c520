#include "config/clsINIFile.h"

#include "services/Services.h"
#include "common/QtPrinting.h"
#include "common/TestFiles.h"
#include "fakes/RecordingErrorHandler.h"
#include "platform/Ansi.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"S"_s;
const QString kKey = u"k"_s;

class ClsINIFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ini.setFileName(path);
        ini.setObfuscateKey(u"kq-rwt-zvbn jx:pu:fe"_s);
    }

    void writeFile(const QByteArray& bytes) { ASSERT_TRUE(TestFiles::write(path, bytes)); }

    // The file with the key k in section S holding the stored text, or without the key.
    void store(const std::optional<QByteArray>& text) { writeFile(text ? "[S]\nk=" + *text + "\n" : "[S]\n"); }

    QByteArray fileBytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // A stored text (nothing for a missing key) and what a getter makes of it.
    template <class T>
    struct Stored {
        std::optional<QByteArray> text;
        T expected;
    };

    template <class T, class Read>
    void expectReads(const std::vector<Stored<T>>& cases, Read read)
    {
        for (const Stored<T>& c : cases) {
            store(c.text);
            EXPECT_EQ(read(), c.expected) << c.text.value_or("<missing>").left(40).constData();
        }
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"pcQUIBA.ini"_s);
    clsINIFile ini;
};

std::optional<QByteArray> missing()
{
    return std::nullopt;
}

qint32 errorNumberOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const AutomationError& error) {
        return error.number();
    }
    return 0;
}

TEST_F(ClsINIFileTest, PropertiesStartWithTheirDefaults)
{
    clsINIFile fresh;
    EXPECT_EQ(fresh.FileName(), u""_s);
    EXPECT_EQ(fresh.HexPrefix(), u"0x"_s);
    EXPECT_EQ(fresh.DateFormat(), u"dd-mmm-yyyy hh:nn:ss"_s);
    EXPECT_EQ(fresh.DateFormat().size(), 20);
}

TEST_F(ClsINIFileTest, GetLongReadsDecimalAndHexadecimalText)
{
    expectReads<qint32>(
        {
            {"42", 42},
            {" 42 ", 42},
            {"-17", -17},
            {"\"12\"", 12},
            {"0x1F", 31},
            {"0X1F", 31},
            {"&H10", 16},
            {"2.5", 2},
            {"3.5", 4},
            {"1e3", 1000},
            {"0x7FFFFFFF", std::numeric_limits<qint32>::max()},
            {"0xFFFFFFFF", -1},
            {"0x80000000", std::numeric_limits<qint32>::min()},
            // Four digits are the runtime's Integer notation, as WriteIntegerHex writes them.
            {"0xFFFF", -1},
            {"0x8000", -32768},
            // Eight, as WriteLongHex writes them, are a Long.
            {"0x0000FFFF", 65535},
            {"0x00008000", 32768},
            {"12abc", 7},
            {"abc", 7},
            {"0x", 7},
            {"0xZZ", 7},
            {"0x 1F", 7},
            {"", 7},
            {missing(), 7},
        },
        [&] { return ini.GetLong(kSection, kKey, 7); });
}

TEST_F(ClsINIFileTest, HexPrefixIsRecognisedWithoutRegardToCase)
{
    ini.setHexPrefix(u"$X"_s);
    expectReads<qint32>({{"$xff", 255}, {"$XFF", 255}, {"0x1F", 7}, {"$x", 7}},
                        [&] { return ini.GetLong(kSection, kKey, 7); });
}

TEST_F(ClsINIFileTest, GetIntegerNarrowsAndOverflows)
{
    struct Case {
        std::optional<QByteArray> stored;
        qint16 expected;
        qint32 error;
    };
    const Case cases[] = {
        {"32767", 32767, 0},    {"-32768", -32768, 0}, {"0xFFFF", -1, 0}, {"0x7FFF", 32767, 0},
        {missing(), 3, 0},      {"junk", 3, 0},        {"32768", 0, 6},   {"-32769", 0, 6},
        {"0x00012345", 0, 6},
    };
    for (const Case& c : cases) {
        store(c.stored);
        const char* what = c.stored.value_or("<missing>").constData();
        if (c.error) {
            EXPECT_EQ(errorNumberOf([&] { ini.GetInteger(kSection, kKey, 3); }), c.error) << what;
        } else {
            EXPECT_EQ(ini.GetInteger(kSection, kKey, 3), c.expected) << what;
        }
    }
}

// A number too large for a Long overflows, written in decimal or in hexadecimal.
TEST_F(ClsINIFileTest, GetLongOfANumberOutOfRangeOverflows)
{
    for (const char* stored : {"99999999999", "-2147483649", "2147483648", "0x100000000", "0x1FFFFFFFF",
                               "0xFFFFFFFFFFFF", "0x0000000100000000", "&H100000000"}) {
        store(stored);
        EXPECT_EQ(errorNumberOf([&] { ini.GetLong(kSection, kKey, 3); }), 6) << stored;
    }
}

TEST_F(ClsINIFileTest, GetBooleanKnowsItsWordsAndElseGivesTheDefault)
{
    struct Case {
        std::optional<QByteArray> stored;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {"Yes", true},   {"y", true},     {"TRUE", true},   {"t", true},         {" on ", true}, {"1", true},
        {"-1", true},    {"No", false},   {"n", false},     {"False", false},    {"F", false},   {"OFF", false},
        {"0", false},    {"maybe", {}},   {"2", {}},        {"yes please", {}},  {"", {}},       {missing(), {}},
        {"y e s", {}},
    };
    for (const Case& c : cases) {
        store(c.stored);
        for (const bool fallback : {false, true})
            EXPECT_EQ(ini.GetBoolean(kSection, kKey, fallback), c.expected.value_or(fallback))
                << c.stored.value_or("<missing>").constData() << " default " << fallback;
    }
}

TEST_F(ClsINIFileTest, GetTristateMapsWordsAndTheDefaultsText)
{
    struct Case {
        std::optional<QByteArray> stored;
        Variant fallback;
        Variant expected;
    };
    const Case cases[] = {
        {"null", Variant(false), Variant::null()},
        {"maybe", Variant(true), Variant::null()},
        {" YES ", Variant::null(), Variant(true)},
        {"off", Variant(true), Variant(false)},
        {missing(), Variant(u"0"_s), Variant(false)},
        {missing(), Variant(u"yes"_s), Variant(true)},
        // The default's text is not lower-cased: "True" and "Yes" are no words of the lists.
        {missing(), Variant(true), Variant::null()},
        {missing(), Variant(u"Yes"_s), Variant::null()},
        {missing(), Variant(qint16(-1)), Variant(true)},
        {missing(), Variant::null(), Variant::null()},
        {missing(), Variant(), Variant::null()},
        {"", Variant(u"1"_s), Variant(true)},
    };
    for (const Case& c : cases) {
        store(c.stored);
        EXPECT_EQ(ini.GetTristate(kSection, kKey, c.fallback), c.expected)
            << c.stored.value_or("<missing>").constData() << " default " << c.fallback.typeName().toStdString();
    }
}

TEST_F(ClsINIFileTest, GetColorReadsOnlyRgbTriples)
{
    expectReads<qint32>(
        {
            {"RGB( 255 , 128 , 0 )", 33023},
            {"rgb(0,0,1)", 65536},
            {"rgb ( 1 , 2 , 3 )", 197121},
            {"rgb(300,0,0)", 255},
            {"rgb(1.5,2.5,0)", 2 + 2 * 256},
            {"rgb(255,128)", 7},
            {"rgb(1,2,3,4)", 7},
            {"33023", 7},
            {"rgb(a,0,0)", 7},
            {"rgb(,0,0)", 7},
            {"rgb(0,0,0", 7},
            {"rgb(-1,0,0)", 7},
            {"rgb(70000,0,0)", 7},
            {missing(), 7},
        },
        [&] { return ini.GetColor(kSection, kKey, 7); });
}

TEST_F(ClsINIFileTest, GetDoubleAndGetDateReadTheRuntimesForms)
{
    expectReads<double>({{"1.25", 1.25}, {"-3", -3.0}, {"1E-2", 0.01}, {"&HFF", 255.0}, {"abc", 0.5}, {missing(), 0.5}},
                        [&] { return ini.GetDouble(kSection, kKey, 0.5); });

    const double march5 = DateValue::fromParts(2024, 3, 5, 14, 7, 9);
    for (const Stored<double>& c : std::vector<Stored<double>>{{"2024-03-05 14:07:09", march5},
                                                               {"05-Mar-2024 14:07:09", march5},
                                                               {"garbage", 1.0},
                                                               {"", 1.0},
                                                               {missing(), 1.0}}) {
        store(c.text);
        EXPECT_NEAR(ini.GetDate(kSection, kKey, 1.0), c.expected, 1e-9) << c.text.value_or("<missing>").constData();
    }
}

TEST_F(ClsINIFileTest, GetStringGivesTheTextAsStored)
{
    expectReads<QString>(
        {
            {"text", u"text"_s},
            {"", u""_s},
            {"\" both blanks \"", u" both blanks "_s},
            {"caf\xe9 \x80", u"café €"_s},
            {QByteArray(1500, 'x'), QString(999, u'x')},
            {missing(), u"fallback"_s},
        },
        [&] { return ini.GetString(kSection, kKey, u"fallback"_s); });
}

TEST_F(ClsINIFileTest, GetStringHexDecodesPairsOfDigits)
{
    expectReads<QString>(
        {
            {"414243", u"ABC"_s},
            {"4142434", u"ABC\x04"_s},
            {"80e9", u"€é"_s},
            {"", u""_s},
            {"ZZ", u"fallback"_s},
            {"4-", u"fallback"_s},
            {missing(), u"fallback"_s},
        },
        [&] { return ini.GetStringHex(kSection, kKey, u"fallback"_s); });
}

TEST_F(ClsINIFileTest, WritersEncodeTheirValuesOrEraseTheDefault)
{
    using Write = std::function<void(clsINIFile&)>;
    struct Case {
        const char* what;
        Write write;
        // The stored text, or nothing when the key is erased.
        std::optional<QByteArray> stored;
    };
    const double march5 = DateValue::fromParts(2024, 3, 5, 14, 7, 9);
    const Case cases[] = {
        {"integer", [](clsINIFile& i) { i.WriteInteger(kSection, kKey, -3); }, "-3"},
        {"integer default", [](clsINIFile& i) { i.WriteInteger(kSection, kKey, -3, -3); }, {}},
        {"integer hex of -1", [](clsINIFile& i) { i.WriteIntegerHex(kSection, kKey, -1); }, "0xFFFF"},
        {"integer hex of 255", [](clsINIFile& i) { i.WriteIntegerHex(kSection, kKey, 255); }, "0x00FF"},
        {"integer hex default", [](clsINIFile& i) { i.WriteIntegerHex(kSection, kKey, 1, 1); }, {}},
        {"long", [](clsINIFile& i) { i.WriteLong(kSection, kKey, 5); }, "5"},
        {"long default", [](clsINIFile& i) { i.WriteLong(kSection, kKey, 5, 5); }, {}},
        {"long other default", [](clsINIFile& i) { i.WriteLong(kSection, kKey, 5, 6); }, "5"},
        {"long hex of 255", [](clsINIFile& i) { i.WriteLongHex(kSection, kKey, 255); }, "0x000000FF"},
        {"long hex of -1", [](clsINIFile& i) { i.WriteLongHex(kSection, kKey, -1); }, "0xFFFFFFFF"},
        {"long hex with own prefix",
         [](clsINIFile& i) {
             i.setHexPrefix(u"&H"_s);
             i.WriteLongHex(kSection, kKey, 0xABCDEF);
         },
         "&H00ABCDEF"},
        {"boolean true", [](clsINIFile& i) { i.WriteBoolean(kSection, kKey, true); }, "true"},
        {"boolean false", [](clsINIFile& i) { i.WriteBoolean(kSection, kKey, false); }, "false"},
        {"boolean default", [](clsINIFile& i) { i.WriteBoolean(kSection, kKey, false, false); }, {}},
        {"tristate Null", [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant::null()); }, "null"},
        {"tristate word", [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(u"  OFF "_s)); }, "false"},
        {"tristate Boolean", [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(true)); }, "true"},
        {"tristate number", [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(qint16(-1))); }, "true"},
        {"tristate unknown", [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(u"maybe"_s)); }, "null"},
        {"tristate default compared mapped",
         [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(true), Variant(u"yes"_s)); }, {}},
        {"tristate both null",
         [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant::null(), Variant(u"whatever"_s)); }, {}},
        {"tristate other default",
         [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(u"yes"_s), Variant(false)); }, "true"},
        {"double", [](clsINIFile& i) { i.WriteDouble(kSection, kKey, 1.25); }, "1.25"},
        {"double default", [](clsINIFile& i) { i.WriteDouble(kSection, kKey, 1.25, 1.25); }, {}},
        {"color", [](clsINIFile& i) { i.WriteColor(kSection, kKey, 33023); }, "rgb(255,128,0)"},
        {"color of -1", [](clsINIFile& i) { i.WriteColor(kSection, kKey, -1); }, "rgb(255,255,255)"},
        {"color default", [](clsINIFile& i) { i.WriteColor(kSection, kKey, 0, 0); }, {}},
        {"date", [=](clsINIFile& i) { i.WriteDate(kSection, kKey, march5); }, "05-Mar-2024 14:07:09"},
        {"date default", [=](clsINIFile& i) { i.WriteDate(kSection, kKey, march5, march5); }, {}},
        {"date own format",
         [=](clsINIFile& i) {
             i.setDateFormat(u"yyyymmddhhnnss"_s);
             i.WriteDate(kSection, kKey, march5);
         },
         "20240305140709"},
        {"string", [](clsINIFile& i) { i.WriteString(kSection, kKey, u"plain"_s); }, "plain"},
        {"string with blanks", [](clsINIFile& i) { i.WriteString(kSection, kKey, u" a b "_s); }, "\" a b \""},
        {"string with a tab", [](clsINIFile& i) { i.WriteString(kSection, kKey, u"a\t"_s); }, "\"a\t\""},
        {"string in quotes", [](clsINIFile& i) { i.WriteString(kSection, kKey, u"\"q\""_s); }, "\"\"q\"\""},
        {"empty string", [](clsINIFile& i) { i.WriteString(kSection, kKey, u""_s); }, ""},
        {"string default", [](clsINIFile& i) { i.WriteString(kSection, kKey, u"x"_s, u"x"_s); }, {}},
        {"string Windows-1252", [](clsINIFile& i) { i.WriteString(kSection, kKey, u"€é"_s); }, "\x80\xe9"},
        {"string hex", [](clsINIFile& i) { i.WriteStringHex(kSection, kKey, u"AB€\n"_s); }, "4142800A"},
        {"string hex default", [](clsINIFile& i) { i.WriteStringHex(kSection, kKey, u"A"_s, u"A"_s); }, {}},
        {"obfuscated",
         [](clsINIFile& i) {
             i.setObfuscateKey(u"K"_s);
             i.WriteObfuscated(kSection, kKey, u"AB"_s);
         },
         "A090"},
        {"obfuscated default", [](clsINIFile& i) { i.WriteObfuscated(kSection, kKey, u"A"_s, u"A"_s); }, {}},
        {"erase key", [](clsINIFile& i) { i.EraseKey(kSection, kKey); }, {}},
    };
    for (const Case& c : cases) {
        writeFile("[S]\nk=old\n");
        clsINIFile writer;
        writer.setFileName(path);
        writer.setObfuscateKey(u"key"_s);
        c.write(writer);
        EXPECT_EQ(fileBytes(), c.stored ? "[S]\nk=" + *c.stored + "\n" : QByteArray("[S]\n")) << c.what;
    }
}

TEST_F(ClsINIFileTest, WrittenValuesReadBackUnchanged)
{
    for (const qint16 value : {qint16(-32768), qint16(-1), qint16(0), qint16(255), qint16(32767)}) {
        ini.WriteIntegerHex(kSection, kKey, value);
        EXPECT_EQ(ini.GetInteger(kSection, kKey, 7), value);
    }
    for (const qint32 value : {std::numeric_limits<qint32>::min(), -1, 0, 32768, 65535, std::numeric_limits<qint32>::max()}) {
        ini.WriteLongHex(kSection, kKey, value);
        EXPECT_EQ(ini.GetLong(kSection, kKey, 7), value) << value;
        ini.WriteLong(kSection, kKey, value);
        EXPECT_EQ(ini.GetLong(kSection, kKey, 7), value) << value;
    }
    for (const qint32 value : {0, 33023, 0x123456, 0xFFFFFF}) {
        ini.WriteColor(kSection, kKey, value);
        EXPECT_EQ(ini.GetColor(kSection, kKey, 7), value);
    }
    for (const double value : {0.0, -1.5, 1e20, 3.14159265358979}) {
        ini.WriteDouble(kSection, kKey, value);
        EXPECT_DOUBLE_EQ(ini.GetDouble(kSection, kKey, 7.0), value);
    }
    const double march5 = DateValue::fromParts(2024, 3, 5, 14, 7, 9);
    ini.WriteDate(kSection, kKey, march5);
    EXPECT_NEAR(ini.GetDate(kSection, kKey, 0.0), march5, 1e-9);
    for (const Variant& value : {Variant(true), Variant(false), Variant::null()}) {
        ini.WriteTristate(kSection, kKey, value);
        EXPECT_EQ(ini.GetTristate(kSection, kKey, Variant(u"x"_s)), value);
    }
    for (const QString& text : {u" a "_s, u"\"x\""_s, u"'y'"_s, u"\t"_s, u"a=b"_s, u";c"_s, u"[T]"_s, u"\""_s}) {
        ini.WriteString(kSection, kKey, text);
        EXPECT_EQ(ini.GetString(kSection, kKey), text) << text.toStdString();
    }
    for (const QString& text : {u""_s, u"ÿ\x01 z€"_s}) {
        ini.WriteStringHex(kSection, kKey, text);
        EXPECT_EQ(ini.GetStringHex(kSection, kKey, u"fallback"_s), text);
        ini.WriteObfuscated(kSection, kKey, text);
        EXPECT_EQ(ini.GetObfuscated(kSection, kKey, u"fallback"_s), text);
    }
}

TEST_F(ClsINIFileTest, ObfuscationIsReversedByClarify)
{
    QRandomGenerator random(1234);
    const auto ansiText = [&](int length) {
        QString text;
        for (int i = 0; i < length; ++i)
            text += Ansi::character(quint8(random.bounded(256)));
        return text;
    };
    const QRegularExpression upperHex(u"^[0-9A-F]*$"_s);
    for (int round = 0; round < 400; ++round) {
        const QString key = ansiText(1 + random.bounded(40));
        const QString text = ansiText(round % 4 == 0 ? round / 4 : random.bounded(300));
        ini.setObfuscateKey(key);
        const QString obfuscated = ini.Obfuscate(text);
        ASSERT_EQ(obfuscated.size(), text.size() * 2);
        ASSERT_TRUE(upperHex.match(obfuscated).hasMatch()) << obfuscated.toStdString();
        ASSERT_EQ(ini.Clarify(obfuscated), text) << "round " << round;
    }
}

TEST_F(ClsINIFileTest, ObfuscationXorsWithTheKeyThenReversesGrowingChunks)
{
    struct Case {
        QString key;
        QString text;
        QString obfuscated;
    };
    const Case cases[] = {
        // 0x41^0x4B, 0x42^0x4B = "0A09"; chunks "0A" and "09" reversed.
        {u"K"_s, u"AB"_s, u"A090"_s},
        // Key code 0 keeps the codes: "0ABCDEF012" in chunks 0A|BCD|EF01|2.
        {QString(QChar(u'\0')), u"\x0A\xBC\xDE\xF0\x12"_s, u"A0DCB10FE2"_s},
        {u"K"_s, u""_s, u""_s},
    };
    for (const Case& c : cases) {
        ini.setObfuscateKey(c.key);
        EXPECT_EQ(ini.Obfuscate(c.text), c.obfuscated);
        EXPECT_EQ(ini.Clarify(c.obfuscated), c.text);
    }
}

TEST_F(ClsINIFileTest, ClarifyOfNonHexadecimalTextIsAnErrorButGetObfuscatedGivesTheDefault)
{
    EXPECT_EQ(errorNumberOf([&] { ini.Clarify(u"not hex!"_s); }), 13);
    store("plain text");
    EXPECT_EQ(ini.GetObfuscated(kSection, kKey, u"fallback"_s), u"fallback"_s);
    store(missing());
    EXPECT_EQ(ini.GetObfuscated(kSection, kKey, u"fallback"_s), u"fallback"_s);
}

TEST_F(ClsINIFileTest, HexadecimalTextAndObfuscationNeedTheKey)
{
    using Call = std::function<void(clsINIFile&)>;
    struct Case {
        const char* what;
        Call call;
    };
    const Case cases[] = {
        {"GetStringHex", [](clsINIFile& i) { i.GetStringHex(kSection, kKey); }},
        {"WriteStringHex", [](clsINIFile& i) { i.WriteStringHex(kSection, kKey, u"x"_s); }},
        {"GetObfuscated", [](clsINIFile& i) { i.GetObfuscated(kSection, kKey); }},
        {"WriteObfuscated", [](clsINIFile& i) { i.WriteObfuscated(kSection, kKey, u"x"_s); }},
        {"Obfuscate", [](clsINIFile& i) { i.Obfuscate(u"x"_s); }},
        {"Clarify", [](clsINIFile& i) { i.Clarify(u"00"_s); }},
    };
    writeFile("[S]\nk=4142\n");
    for (const Case& c : cases) {
        clsINIFile keyless;
        keyless.setFileName(path);
        try {
            c.call(keyless);
            ADD_FAILURE() << c.what << " raised nothing";
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.number(), 70) << c.what;
            EXPECT_EQ(error.description(), u"Permission denied"_s) << c.what;
        }
        EXPECT_EQ(fileBytes(), "[S]\nk=4142\n") << c.what;
    }
}

TEST_F(ClsINIFileTest, KeyAndSectionExistence)
{
    struct Case {
        QByteArray file;
        bool keyExists;
        bool sectionExists;
    };
    const Case cases[] = {
        {"[S]\nk=v\n", true, true},
        {"[S]\nk=\n", true, true},
        {"[S]\nk=~^JUNK`~\n", false, true},
        {"[S]\n", false, false},
        {"[S]\n; k=v\n", false, false},
        {"[S]\nother=1\n", false, true},
        {"k=v\n", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        writeFile(c.file);
        EXPECT_EQ(ini.KeyExists(kSection, kKey), c.keyExists) << c.file.constData();
        EXPECT_EQ(ini.SectionExists(kSection), c.sectionExists) << c.file.constData();
    }
}

TEST_F(ClsINIFileTest, GetSectionMapsKeysToValuesInFileOrder)
{
    writeFile("[S]\nb = 2\n; c=comment\nA=\"1\"\na=dup\nc=\"\nd==x\ne=\"in\"side\"\n[T]\nt=1\n");
    const std::shared_ptr<Dictionary> section = ini.GetSection(u"s"_s);
    EXPECT_EQ(section->compareMode(), Dictionary::CompareMode::Text);
    EXPECT_EQ(section->keys(), (QStringList{u"b"_s, u"A"_s, u"c"_s, u"d"_s, u"e"_s}));
    EXPECT_EQ(section->items(),
              (VariantArray{Variant(u"2"_s), Variant(u"1"_s), Variant(u"\""_s), Variant(u"=x"_s),
                            Variant(u"in\"side"_s)}));
    EXPECT_TRUE(section->exists(u"B"_s));
    EXPECT_EQ(ini.GetSection(u"missing"_s)->count(), 0);
}

TEST_F(ClsINIFileTest, GetSectionOfAnOversizedSectionKeepsWhatFits)
{
    QByteArray file = "[S]\n";
    for (int i = 0; i < 40; ++i)
        file += QByteArray::number(100 + i) + '=' + QByteArray(996, 'v') + '\n';
    writeFile(file);
    const std::shared_ptr<Dictionary> section = ini.GetSection(kSection);
    ASSERT_EQ(section->count(), 32);
    EXPECT_EQ(section->item(u"130"_s).toString().size(), 996);
    EXPECT_EQ(section->item(u"131"_s).toString().size(), 963);
}

TEST_F(ClsINIFileTest, WriteSectionReplacesTheSectionInDictionaryOrder)
{
    writeFile("[S]\nold=1\n\n[T]\nt=1\n");
    auto entries = std::make_shared<Dictionary>();
    entries->add(u"b"_s, Variant(u"2"_s));
    entries->add(u"a"_s, Variant(u" 1 "_s));
    entries->add(u"n"_s, Variant(qint32(5)));
    entries->add(u"z"_s, Variant::null());
    ini.WriteSection(kSection, entries);
    EXPECT_EQ(fileBytes(), "[S]\nb=2\na= 1 \nn=5\nz=\n\n[T]\nt=1\n");

    ini.WriteSection(u"U"_s, ini.GetSection(kSection));
    EXPECT_EQ(ini.GetSection(u"U"_s)->keys(), (QStringList{u"b"_s, u"a"_s, u"n"_s, u"z"_s}));

    ini.WriteSection(kSection, nullptr);
    EXPECT_EQ(fileBytes(), "[S]\n\n[T]\nt=1\n\n[U]\nb=2\na=1\nn=5\nz=\n");
    ini.EraseSection(u"u"_s);
    EXPECT_EQ(fileBytes(), "[S]\n\n[T]\nt=1\n\n");
}

TEST_F(ClsINIFileTest, SectionNamesListsBracketedLinesInFileOrder)
{
    struct Case {
        QByteArray file;
        QStringList expected;
    };
    const Case cases[] = {
        {"[A]\nk=1\n[ B ]\n  [C]  \r\n[D] ; note\n[E\n[]\n\t[F]\n", {u"A"_s, u" B "_s, u"C"_s, u""_s}},
        {"[A]\r\n[a]\r\n", {u"A"_s, u"a"_s}},
        {"[A]\rk=1\r[B]\r", {u"A"_s, u"B"_s}},
        {QByteArray("\xff\xfe[\0\xe9\0]\0\r\0\n\0[\0B\0]\0", 18), {u"\u00e9"_s, u"B"_s}},
        {"\xef\xbb\xbf[\xc3\xa9]\n", {u"\u00e9"_s}},
        {"[\xe9]\n", {u"\u00e9"_s}},
        {"k=1\n", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        writeFile(c.file);
        EXPECT_EQ(ini.SectionNames(), c.expected) << c.file.constData();
    }
    QFile::remove(path);
    EXPECT_EQ(ini.SectionNames(), QStringList());
}

TEST_F(ClsINIFileTest, SectionNamesHoldsAtMost1001Names)
{
    QByteArray file;
    for (int i = 0; i < 1001; ++i)
        file += "[S" + QByteArray::number(i) + "]\n";
    writeFile(file);
    const QStringList names = ini.SectionNames();
    ASSERT_EQ(names.size(), 1001);
    EXPECT_EQ(names.last(), u"S1000"_s);
    writeFile(file + "[one too many]\n");
    EXPECT_EQ(errorNumberOf([&] { ini.SectionNames(); }), 9);
}

TEST_F(ClsINIFileTest, FileExistsAsksForFilesOnly)
{
    writeFile("[S]\n");
    struct Case {
        QString fileName;
        QString argument;
        bool expected;
    };
    const Case cases[] = {
        {u""_s, u""_s, true},
        {path, u""_s, true},
        {folder.filePath(u"none.ini"_s), u""_s, false},
        {folder.filePath(u"none.ini"_s), path, true},
        {path, folder.filePath(u"none.ini"_s), false},
        {path, folder.path(), false},
    };
    for (const Case& c : cases) {
        clsINIFile probe;
        probe.setFileName(c.fileName);
        EXPECT_EQ(probe.FileExists(c.argument), c.expected) << c.fileName.toStdString() << " " << c.argument.toStdString();
    }
}

TEST_F(ClsINIFileTest, EmptyFileNameUsesTheUsersProfile)
{
    const QString profile = qEnvironmentVariable("PCQUIBA_ROOT") + u"/win.ini"_s;
    QDir().mkpath(qEnvironmentVariable("PCQUIBA_ROOT"));
    clsINIFile windows;
    EXPECT_TRUE(windows.FileExists());
    windows.WriteString(u"windows"_s, u"device"_s, u"printer"_s);
    ASSERT_TRUE(QFileInfo::exists(profile));
    EXPECT_EQ(windows.GetString(u"Windows"_s, u"Device"_s), u"printer"_s);
    EXPECT_EQ(windows.SectionNames(), QStringList{u"windows"_s});
    windows.EraseSection(u"windows"_s);
    EXPECT_FALSE(windows.KeyExists(u"windows"_s, u"device"_s));
    QFile::remove(profile);
}

TEST_F(ClsINIFileTest, TwoAccessorsOnOneFileSeeEachOthersWrites)
{
    clsINIFile other;
    other.setFileName(path);
    for (int i = 0; i < 50; ++i) {
        ini.WriteLong(kSection, u"mine"_s, i);
        EXPECT_EQ(other.GetLong(kSection, u"mine"_s, -1), i);
        other.WriteLong(kSection, u"theirs"_s, i * 2);
        EXPECT_EQ(ini.GetLong(kSection, u"theirs"_s, -1), i * 2);
    }
    other.EraseKey(kSection, u"mine"_s);
    EXPECT_FALSE(ini.KeyExists(kSection, u"mine"_s));
    EXPECT_EQ(fileBytes(), "[S]\ntheirs=98\n");
}

TEST_F(ClsINIFileTest, BinaryJunkGivesDefaultsEverywhere)
{
    // Every byte value, in a scrambled order, many times over.
    QByteArray junk;
    for (int i = 0; i < 16 * 1024; ++i)
        junk += char((i * 7919 + i / 251) % 256);
    writeFile(junk);
    EXPECT_EQ(ini.GetString(kSection, kKey, u"d"_s), u"d"_s);
    EXPECT_EQ(ini.GetLong(kSection, kKey, 7), 7);
    EXPECT_EQ(ini.GetInteger(kSection, kKey, 7), 7);
    EXPECT_TRUE(ini.GetBoolean(kSection, kKey, true));
    EXPECT_EQ(ini.GetTristate(kSection, kKey, Variant::null()), Variant::null());
    EXPECT_EQ(ini.GetDouble(kSection, kKey, 0.5), 0.5);
    EXPECT_EQ(ini.GetDate(kSection, kKey, 1.0), 1.0);
    EXPECT_EQ(ini.GetColor(kSection, kKey, 7), 7);
    EXPECT_EQ(ini.GetStringHex(kSection, kKey, u"d"_s), u"d"_s);
    EXPECT_EQ(ini.GetObfuscated(kSection, kKey, u"d"_s), u"d"_s);
    EXPECT_EQ(ini.GetSection(kSection)->count(), 0);
    ini.SectionNames();
    ini.WriteLong(kSection, kKey, 1);
    EXPECT_EQ(ini.GetLong(kSection, kKey, 7), 1);
    EXPECT_TRUE(fileBytes().startsWith(junk));
}

TEST_F(ClsINIFileTest, MissingFolderGivesDefaultsAndWritesFailSilently)
{
    ini.setFileName(folder.filePath(u"missing/pcQUIBA.ini"_s));
    EXPECT_EQ(ini.GetLong(kSection, kKey, 7), 7);
    EXPECT_FALSE(ini.FileExists());
    EXPECT_NO_THROW(ini.WriteLong(kSection, kKey, 1));
    EXPECT_NO_THROW(ini.WriteSection(kSection, nullptr));
    EXPECT_NO_THROW(ini.EraseSection(kSection));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(u"missing"_s)));
}

class ClsINIFileTraceTest : public ClsINIFileTest {
protected:
    void SetUp() override
    {
        ClsINIFileTest::SetUp();
        writeFile("[S]\nk=1\n");
        Services::setErrorHandler(handler);
    }
    void TearDown() override { Services::reset(); }

    QStringList entered() const { return handler->events.filter(u"enter "_s); }
    QStringList recorded() const { return handler->events.filter(u"record "_s); }
    void forget()
    {
        handler->events.clear();
        handler->enters = handler->leaves = 0;
    }

    std::shared_ptr<RecordingErrorHandler> handler = std::make_shared<RecordingErrorHandler>();
};

TEST_F(ClsINIFileTraceTest, EveryOperationAnnouncesItselfAndLeaves)
{
    using Call = std::function<void(clsINIFile&)>;
    struct Case {
        QString procedure;
        Call call;
    };
    const Case cases[] = {
        {u"Get FileName"_s, [](clsINIFile& i) { i.FileName(); }},
        {u"Let FileName"_s, [](clsINIFile& i) { i.setFileName(i.FileName()); }},
        {u"Property (Let) ObfuscateKey"_s, [](clsINIFile& i) { i.setObfuscateKey(u"k"_s); }},
        {u"Get HexPrefix"_s, [](clsINIFile& i) { i.HexPrefix(); }},
        {u"Let HexPrefix"_s, [](clsINIFile& i) { i.setHexPrefix(u"0x"_s); }},
        {u"DateFormat"_s, [](clsINIFile& i) { i.DateFormat(); }},
        {u"DateFormat"_s, [](clsINIFile& i) { i.setDateFormat(clsINIFile::kDefaultDateFormat); }},
        {u"FileExists"_s, [](clsINIFile& i) { i.FileExists(); }},
        {u"SectionExists"_s, [](clsINIFile& i) { i.SectionExists(kSection); }},
        {u"KeyExists"_s, [](clsINIFile& i) { i.KeyExists(kSection, kKey); }},
        {u"SectionNames"_s, [](clsINIFile& i) { i.SectionNames(); }},
        {u"GetSection"_s, [](clsINIFile& i) { i.GetSection(kSection); }},
        {u"GetString"_s, [](clsINIFile& i) { i.GetString(kSection, kKey); }},
        {u"GetLong"_s, [](clsINIFile& i) { i.GetLong(kSection, kKey, 0); }},
        {u"GetInteger"_s, [](clsINIFile& i) { i.GetInteger(kSection, kKey, 0); }},
        {u"GetBoolean"_s, [](clsINIFile& i) { i.GetBoolean(kSection, kKey, false); }},
        {u"GetTristate"_s, [](clsINIFile& i) { i.GetTristate(kSection, kKey, Variant()); }},
        {u"GetDate"_s, [](clsINIFile& i) { i.GetDate(kSection, kKey, 0.0); }},
        {u"GetDouble"_s, [](clsINIFile& i) { i.GetDouble(kSection, kKey, 0.0); }},
        {u"GetColor"_s, [](clsINIFile& i) { i.GetColor(kSection, kKey, 0); }},
        {u"GetStringHex"_s, [](clsINIFile& i) { i.GetStringHex(kSection, kKey); }},
        {u"GetObfuscated"_s, [](clsINIFile& i) { i.GetObfuscated(kSection, kKey); }},
        {u"WriteString"_s, [](clsINIFile& i) { i.WriteString(kSection, kKey, u"1"_s); }},
        {u"WriteInteger"_s, [](clsINIFile& i) { i.WriteInteger(kSection, kKey, 1); }},
        {u"WriteIntegerHex"_s, [](clsINIFile& i) { i.WriteIntegerHex(kSection, kKey, 1); }},
        {u"WriteLong"_s, [](clsINIFile& i) { i.WriteLong(kSection, kKey, 1); }},
        {u"WriteLongHex"_s, [](clsINIFile& i) { i.WriteLongHex(kSection, kKey, 1); }},
        {u"WriteBoolean"_s, [](clsINIFile& i) { i.WriteBoolean(kSection, kKey, true); }},
        {u"WriteTristate"_s, [](clsINIFile& i) { i.WriteTristate(kSection, kKey, Variant(true)); }},
        {u"WriteDate"_s, [](clsINIFile& i) { i.WriteDate(kSection, kKey, 1.0); }},
        {u"WriteDouble"_s, [](clsINIFile& i) { i.WriteDouble(kSection, kKey, 1.0); }},
        {u"WriteColor"_s, [](clsINIFile& i) { i.WriteColor(kSection, kKey, 1); }},
        {u"WriteStringHex"_s, [](clsINIFile& i) { i.WriteStringHex(kSection, kKey, u"1"_s); }},
        {u"WriteObfuscated"_s, [](clsINIFile& i) { i.WriteObfuscated(kSection, kKey, u"1"_s); }},
        {u"EraseKey"_s, [](clsINIFile& i) { i.EraseKey(kSection, kKey); }},
        {u"EraseSection"_s, [](clsINIFile& i) { i.EraseSection(u"T"_s); }},
        {u"WriteSection"_s, [](clsINIFile& i) { i.WriteSection(u"T"_s, nullptr); }},
        {u"Obfuscate"_s, [](clsINIFile& i) { i.Obfuscate(u"1"_s); }},
        {u"Clarify"_s, [](clsINIFile& i) { i.Clarify(u"00"_s); }},
    };
    for (const Case& c : cases) {
        forget();
        c.call(ini);
        // Property calls made by the case itself may come first.
        EXPECT_TRUE(entered().contains(u"enter clsINIFile."_s + c.procedure)) << c.procedure.toStdString();
        EXPECT_EQ(handler->enters, handler->leaves) << c.procedure.toStdString();
        EXPECT_TRUE(recorded().isEmpty()) << recorded().join(u", "_s).toStdString();
    }
}

TEST_F(ClsINIFileTraceTest, ObfuscationRunsThroughTheChunkReversal)
{
    forget();
    ini.Obfuscate(u"abc"_s);
    EXPECT_EQ(handler->events,
              (QStringList{u"enter clsINIFile.Obfuscate"_s, u"enter clsINIFile.zJumble"_s, u"leave"_s, u"leave"_s}));
}

TEST_F(ClsINIFileTraceTest, UnexpectedErrorIsRecordedAndRaisedUnchanged)
{
    writeFile("[S]\nk=40000\n");
    forget();
    try {
        ini.GetInteger(kSection, kKey, 0);
        ADD_FAILURE() << "no overflow";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.number(), 6);
        EXPECT_EQ(error.description(), u"Overflow"_s);
    }
    EXPECT_EQ(recorded(), QStringList{u"record 6 clsINIFile.GetInteger"_s});
    EXPECT_EQ(handler->enters, handler->leaves);
}

TEST_F(ClsINIFileTraceTest, MissingKeyIsRefusedBeforeTheErrorExit)
{
    clsINIFile keyless;
    keyless.setFileName(path);
    EXPECT_EQ(errorNumberOf([&] { keyless.GetObfuscated(kSection, kKey); }), 70);
    EXPECT_TRUE(recorded().isEmpty());
    EXPECT_EQ(handler->enters, handler->leaves);
}

} // namespace
