#include "support/modTouchTools.h"
#include "common/TestFiles.h"

#include "platform/AutomationError.h"
#include "platform/Dictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kLetters = u"abcdefghijklmnopqrstuvwxyz"_s;

struct TruthCase {
    const char* name;
    Variant value;
    bool expected;
};

TEST(ModTouchToolsTest, IsTrueTextAcceptsNumbersAndTheTrueWords)
{
    const TruthCase cases[] = {
        {"yes with blanks", u"  yes  "_s, true},
        {"YES", u"YES"_s, true},
        {"t", u"t"_s, true},
        {"True", u"True"_s, true},
        {"Y", u"Y"_s, true},
        {"on", u"On"_s, true},
        {"text 2", u"2"_s, true},
        {"text -1 with blanks", u" -1 "_s, true},
        {"Integer 2", qint16(2), true},
        {"Double 0.5", 0.5, true},
        {"Boolean True", true, true},
        {"Integer 0", qint16(0), false},
        {"text 0", u"0"_s, false},
        {"text 0.0", u"0.0"_s, false},
        {"Boolean False", false, false},
        {"maybe", u"maybe"_s, false},
        {"no", u"no"_s, false},
        {"off", u"off"_s, false},
        {"empty text", QString(), false},
        {"Empty", Variant(), false},
        {"Null", Variant::null(), false},
        {"yes after a tab", u"\tyes"_s, false},
        {"yesterday", u"yesterday"_s, false},
        {"array", VariantArray{Variant(true)}, false},
        {"object", Variant(ObjectRef(std::make_shared<Dictionary>())), false},
    };
    for (const TruthCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(modTouchTools::IsTrueText(c.value), c.expected);
    }
}

struct QuoteCase {
    Variant value;
    QString quote;
    QString expected;
};

TEST(ModTouchToolsTest, QuoteTextDoublesTheQuoteInside)
{
    const QuoteCase cases[] = {
        {u"a\"b"_s, u"\""_s, u"\"a\"\"b\""_s},
        {QString(), u"\""_s, u"\"\""_s},
        {Variant(), u"'"_s, u"''"_s},
        {u"it's"_s, u"'"_s, u"'it''s'"_s},
        {u"\"\""_s, u"\""_s, u"\"\"\"\"\"\""_s},
        {qint32(42), u"\""_s, u"\"42\""_s},
        {true, u"\""_s, u"\"True\""_s},
        {Variant::null(), u"\""_s, u"\"Null\""_s},
        {u"plain"_s, QString(), u"plain"_s},
    };
    for (const QuoteCase& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        EXPECT_EQ(modTouchTools::QuoteText(c.value, c.quote), c.expected);
    }
    EXPECT_EQ(modTouchTools::QuoteText(u"a\"b"_s, u"\""_s).size(), 6);
}

class CreateFolderPathTest : public ::testing::Test {
protected:
    QString path(const QString& relative) const { return m_folder.path() + u'/' + relative; }

    QTemporaryDir m_folder;
};

TEST_F(CreateFolderPathTest, CreatesEveryMissingFolderDownThePath)
{
    EXPECT_TRUE(modTouchTools::CreateFolderPath(path(u"a/b/c/"_s)));
    EXPECT_TRUE(QFileInfo(path(u"a"_s)).isDir());
    EXPECT_TRUE(QFileInfo(path(u"a/b"_s)).isDir());
    EXPECT_TRUE(QFileInfo(path(u"a/b/c"_s)).isDir());
}

TEST_F(CreateFolderPathTest, AnswersWhetherTheFolderExistsAfterwards)
{
    ASSERT_TRUE(TestFiles::write(path(u"file"_s), {}));
    ASSERT_TRUE(QDir().mkdir(path(u"existing"_s)));

    struct Case {
        QString path;
        bool expected;
    };
    const Case cases[] = {
        {path(u"existing"_s), true},
        {path(u"existing/"_s), true},
        {path(u"double//slash"_s), true},
        {u"/"_s, true},
        {path(u"file"_s), false},
        {path(u"file/below"_s), false},
        {u"pcquiba-no-such-relative-folder/below"_s, false},
        {u"pcquiba-no-such-relative-folder"_s, false},
        {QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(modTouchTools::CreateFolderPath(c.path), c.expected);
    }
    EXPECT_FALSE(QFileInfo::exists(u"pcquiba-no-such-relative-folder"_s));
}

TEST(ModTouchToolsTest, FlattenArrayKeepsLeavesInDepthFirstOrder)
{
    const VariantArray nested{
        qint16(1), VariantArray{qint16(2), VariantArray{qint16(3), u"4"_s}}, VariantArray{}, u"x"_s,
        VariantArray{VariantArray{VariantArray{Variant::null()}}}, Variant(),
    };
    EXPECT_EQ(modTouchTools::FlattenArray(nested),
              (VariantArray{qint16(1), qint16(2), qint16(3), u"4"_s, u"x"_s, Variant::null(), Variant()}));
    EXPECT_TRUE(modTouchTools::FlattenArray({}).isEmpty());
}

TEST(ModTouchToolsTest, FlattenArrayNeedsNoStackForDeepNesting)
{
    // Deep enough that a recursive walk would overrun the small stack of the thread below.
    Variant deep = u"leaf"_s;
    for (int i = 0; i < 20000; ++i)
        deep = VariantArray{deep};
    VariantArray flat;
    QThread* worker = QThread::create([&] { flat = modTouchTools::FlattenArray(deep.arrayValue()); });
    worker->setStackSize(64 * 1024);
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_EQ(flat, VariantArray{u"leaf"_s});
}

struct WordCase {
    QString text;
    QString first;
    QString rest;
};

TEST(ModTouchToolsTest, FirstWordAndAfterFirstWordSplitAtControlsAndBlanks)
{
    const WordCase cases[] = {
        {u"  /splash  x"_s, u"/splash"_s, u"x"_s},
        {QString(), QString(), QString()},
        {u"   "_s, QString(), QString()},
        {u"word"_s, u"word"_s, QString()},
        {u"word   "_s, u"word"_s, QString()},
        {u"a b c "_s, u"a"_s, u"b c "_s},
        {u"\t/g\r\n"_s, u"/g"_s, QString()},
        {u"/s\t\tfile name"_s, u"/s"_s, u"file name"_s},
        {u"\x01" "a\x1f" "b"_s, u"a"_s, u"b"_s},
        {u"\u00E9t\u00E9 \u03A9mega"_s, u"\u00E9t\u00E9"_s, u"\u03A9mega"_s},
        {u"a\0b c"_s, u"a"_s, u"b c"_s},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(modTouchTools::FirstWord(c.text), c.first);
        EXPECT_EQ(modTouchTools::AfterFirstWord(c.text), c.rest);
    }
}

TEST(ModTouchToolsTest, RegistryRootKeyKnowsThePredefinedRoots)
{
    struct Case {
        QString name;
        quint32 expected;
    };
    const Case cases[] = {
        {u"HKCR"_s, 0x80000000},
        {u"hkcr"_s, 0x80000000},
        {u"HKEY_CLASSES_ROOT"_s, 0x80000000},
        {u"HKEY_CURRENT_USER"_s, 0x80000001},
        {u"  hkey_local_machine  "_s, 0x80000002},
        {u"HKEY_USERS"_s, 0x80000003},
        {u"HKEY_PERFORMANCE_DATA"_s, 0x80000004},
        {u"HKEY_CURRENT_CONFIG"_s, 0x80000005},
        {u"HKEY_DYN_DATA"_s, 0x80000006},
        {u"HKLM"_s, 0},
        {u"HKCU"_s, 0},
        {u"\tHKEY_USERS"_s, 0},
        // Letters that only Unicode case folding equates with the ASCII ones.
        {u"H\u212AEY_LOCAL_MACHINE"_s, 0},
        {u"H\u212ACR"_s, 0},
        {QString(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(modTouchTools::RegistryRootKey(c.name), c.expected);
    }
}

class ReadRegistryValueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = qEnvironmentVariable("PCQUIBA_REGISTRY");
        ASSERT_TRUE(TestFiles::write(m_path, "Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Software\\Shop]\r\n"
                                     "\"Text\"=\"till one\"\r\n"
                                     "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                     "\"Bytes\"=hex:00,1a,ff\r\n"
                                     "\"Number\"=dword:0000002a\r\n"
                                     "\"Negative\"=dword:ffffffff\r\n"
                                     "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                     "\"EmptyMulti\"=hex(7):00,00\r\n"
                                     "\"NoNul\"=hex(1):41,00,42,00\r\n"
                                     "\"ShortNumber\"=hex(4):01\r\n"
                                     "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                                     "\"Nothing\"=hex(0):\r\n"
                                     "\"BigEndian\"=hex(5):00,00,00,01\r\n"
                                     "@=\"default of the key\"\r\n"));
    }
    void TearDown() override { QFile::remove(m_path); }

    static Variant read(const QString& key, const QString& name, const Variant& fallback = {})
    {
        return modTouchTools::ReadRegistryValue(0x80000002, key, name, fallback);
    }

    QString m_path;
};

TEST_F(ReadRegistryValueTest, DecodesTheFiveSupportedTypes)
{
    struct Case {
        const char* name;
        Variant expected;
    };
    const Case cases[] = {
        {"Text", u"till one"_s},
        {"Expand", u"%A%"_s},
        {"Bytes", VariantArray{qint16(0), qint16(26), qint16(255)}},
        {"Number", qint32(42)},
        {"Negative", qint32(-1)},
        {"Multi", u"a\0b"_s},
        {"EmptyMulti", QString()},
        {"NoNul", u"AB"_s},
        {"ShortNumber", qint32(1)},
        {"", u"default of the key"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(u"Software\\Shop"_s, QString::fromUtf8(c.name)), c.expected);
    }
}

TEST_F(ReadRegistryValueTest, MissingKeysAndValuesGiveTheDefault)
{
    EXPECT_EQ(read(u"Software\\Nowhere"_s, u"Text"_s, u"fallback"_s), Variant(u"fallback"_s));
    EXPECT_EQ(read(u"Software\\Shop"_s, u"Missing"_s, qint32(7)), Variant(qint32(7)));
    EXPECT_EQ(read(u"Software\\Nowhere"_s, u"Text"_s), Variant());
    EXPECT_EQ(modTouchTools::ReadRegistryValue(0, u"Software\\Shop"_s, u"Text"_s, u"d"_s), Variant(u"d"_s));
    QFile::remove(m_path);
    EXPECT_EQ(read(u"Software\\Shop"_s, u"Text"_s, u"no file"_s), Variant(u"no file"_s));
}

TEST_F(ReadRegistryValueTest, OtherTypesRaiseUnsupportedValueType)
{
    for (const char* name : {"Quad", "Nothing", "BigEndian"}) {
        SCOPED_TRACE(name);
        try {
            read(u"Software\\Shop"_s, QString::fromUtf8(name), u"unused"_s);
            ADD_FAILURE() << "no error raised";
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.number(), 13);
            EXPECT_EQ(error.description(), u"Unsupported value type"_s);
        }
    }
}

struct AffixCase {
    QString text;
    QString affix;
    bool ignoreCase;
    bool endsWith;
    bool startsWith;
};

TEST(ModTouchToolsTest, EndsWithTextAndStartsWithTextCompareTheOuterCharacters)
{
    const AffixCase cases[] = {
        {u"c:\\quiba\\config"_s, u"config"_s, false, true, false},
        {u"/srv/quiba/CONFIG"_s, u"config"_s, true, true, false},
        {u"/srv/quiba/CONFIG"_s, u"config"_s, false, false, false},
        {u"/install /quiet"_s, u"/INSTALL"_s, true, false, true},
        {u"/install"_s, u"/INSTALL"_s, false, false, false},
        {u"abc"_s, QString(), false, true, true},
        {QString(), QString(), true, true, true},
        {u"ab"_s, u"abc"_s, true, false, false},
        {u"aba"_s, u"a"_s, false, true, true},
    };
    for (const AffixCase& c : cases) {
        SCOPED_TRACE((c.text + u" / "_s + c.affix).toStdString());
        EXPECT_EQ(modTouchTools::EndsWithText(c.text, c.affix, c.ignoreCase), c.endsWith);
        EXPECT_EQ(modTouchTools::StartsWithText(c.text, c.affix, c.ignoreCase), c.startsWith);
    }
}

TEST(ModTouchToolsTest, MapCharactersPicksValueCharactersByAlphabetPosition)
{
    struct Case {
        QString value;
        QString pattern;
        QString alphabet;
        QString expected;
    };
    const Case cases[] = {
        {u"ABCDEFGH"_s, u"abcd-efgh"_s, kLetters, u"ABCD-EFGH"_s},
        {u"ABCDEFGH"_s, u"hgfe"_s, kLetters, u"HGFE"_s},
        {u"ABC"_s, u"zzz"_s, kLetters, u"ABC"_s},
        {u"ABC"_s, u"-z-z"_s, kLetters, u"-B-"_s},
        {u"ABC"_s, u"abcdef"_s, kLetters, u"ABC"_s},
        {u"ABC"_s, u"A:b"_s, kLetters, u"A:B"_s},
        {QString(), u"ab-z"_s, kLetters, u"-"_s},
        {u"ABC"_s, QString(), kLetters, QString()},
        {u"ABC"_s, u"xy"_s, u"xy"_s, u"AB"_s},
        {u"ABC"_s, u"ab"_s, QString(), u"ab"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.value + u" / "_s + c.pattern).toStdString());
        EXPECT_EQ(modTouchTools::MapCharacters(c.value, c.pattern, c.alphabet), c.expected);
    }
}

TEST(ModTouchToolsTest, CutAtNulStopsAtTheFirstNul)
{
    EXPECT_EQ(modTouchTools::CutAtNul(u"ab\0cd\0"_s), u"ab"_s);
    EXPECT_EQ(modTouchTools::CutAtNul(u"abc"_s), u"abc"_s);
    EXPECT_EQ(modTouchTools::CutAtNul(u"\0abc"_s), QString());
    EXPECT_EQ(modTouchTools::CutAtNul(QString()), QString());
}

} // namespace
