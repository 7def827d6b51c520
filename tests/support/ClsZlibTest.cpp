#include "fakes/ServiceFixture.h"
#include "common/TestFiles.h"
#include "platform/Ansi.h"
#include "platform/AutomationError.h"
#include "support/FileReplacement.h"
#include "support/clsZlib.h"
#include "support/ZlibZeros.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray zlibCompressed(const QByteArray& plain)
{
    uLongf length = compressBound(uLong(plain.size()));
    QByteArray packed(qsizetype(length), Qt::Uninitialized);
    compress(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(plain.constData()),
             uLong(plain.size()));
    packed.truncate(qsizetype(length));
    return packed;
}

class ClsZlib : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    QByteArray contents(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    bool exists(const QString& name) const { return QFileInfo::exists(path(name)); }

    // Hidden ones too: a replacement leaves none of its own behind.
    QStringList files() const
    {
        return QDir(m_folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // The zlib error a call raises; 0 when it raises none.
    template <class Call>
    static AutomationError errorOf(Call&& call)
    {
        try {
            call();
        } catch (const AutomationError& error) {
            return error;
        }
        return AutomationError(0, {}, {});
    }

    QTemporaryDir m_folder;
    clsZlib m_zlib;
};

TEST_F(ClsZlib, ExtensionIsStoredWithADotAndReadWithout)
{
    const std::pair<QString, QString> cases[] = {
        {u"gz"_s, u"gz"_s}, {u".gz"_s, u"gz"_s}, {u"  .gz  "_s, u"gz"_s}, {u"."_s, {}}, {{}, {}}, {u" . "_s, {}},
    };
    for (const auto& [value, readBack] : cases) {
        m_zlib.setExtension(u"old"_s);
        m_zlib.setExtension(value);
        EXPECT_EQ(m_zlib.Extension(), readBack) << value.toStdString();
    }
}

TEST_F(ClsZlib, ExistingFileTriesTheExtension)
{
    m_zlib.setExtension(u"gz"_s);
    write(u"plain.txt"_s, "p");
    write(u"packed.txt.gz"_s, "z");
    write(u"Upper.GZ"_s, "z");
    const std::pair<QString, QString> cases[] = {
        {u"plain.txt"_s, u"plain.txt"_s},
        {u"packed.txt"_s, u"packed.txt.gz"_s},
        {u"packed.txt.gz"_s, u"packed.txt.gz"_s},
        {u"plain.txt.gz"_s, u"plain.txt"_s},
        {u"Upper"_s, {}}, // the extension compares with case
        {u"absent"_s, {}},
        {u"absent.gz"_s, {}},
        {u"z"_s, {}},
    };
    for (const auto& [name, existing] : cases)
        EXPECT_EQ(m_zlib.ExistingFile(path(name)), existing.isEmpty() ? QString() : path(existing)) << name.toStdString();
    m_zlib.setExtension(QString());
    EXPECT_EQ(m_zlib.ExistingFile(path(u"packed.txt"_s)), QString());
}

TEST_F(ClsZlib, IsCompressedByTheZlibHeader)
{
    const std::pair<QByteArray, bool> cases[] = {
        {QByteArray("\x78\x9C\x03\x00", 4), true},
        {QByteArray("\x78\x01\x03\x00", 4), true},
        {QByteArray("\x78\xDA\x03\x00", 4), true},
        {QByteArray("\x78\x9D\x03\x00", 4), false}, // check bits wrong
        {QByteArray("\x79\x9C\x03\x00", 4), false}, // not deflate
        {"<?xml version=\"1.0\"?>", false},
        {"\x80\xFF\xFE\xFD", false},
        {"\xFF\xFF\xFF", false},
        {QByteArray("\x78\x9C", 2), false}, // 2 bytes or fewer never are
        {{}, false},
    };
    for (const auto& [bytes, compressed] : cases)
        EXPECT_EQ(m_zlib.IsCompressed(write(u"f"_s, bytes)), compressed) << bytes.toHex().toStdString();
    EXPECT_FALSE(m_zlib.IsCompressed(path(u"absent"_s)));
}

// The probe that keeps a small file's content answers as IsCompressed, and that content gives
// what Read gives, errors included.
TEST_F(ClsZlib, TheProbeKeepingTheContentAgreesWithIsCompressedAndRead)
{
    QByteArray damaged = zlibCompressed(QByteArray("voucher ").repeated(500));
    for (qsizetype i = 4; i < damaged.size() - 4; i += 3)
        damaged[i] = char(damaged[i] ^ 0x5A);
    const std::pair<const char*, QByteArray> cases[] = {
        {"plain", "<document>caf\xE9</document>"},
        {"compressed", zlibCompressed("<document>\x80 text</document>")},
        {"damaged", damaged},
        {"two bytes", QByteArray("\x78\x9C", 2)},
        {"larger than kept", QByteArray(clsZlib::kLargestKeptContent + 1, 'x')},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const QString file = write(u"f"_s, bytes);
        QByteArray content("stale");
        EXPECT_EQ(m_zlib.IsCompressed(file, content), m_zlib.IsCompressed(file));
        EXPECT_EQ(content, bytes.size() > 2 && bytes.size() <= clsZlib::kLargestKeptContent ? bytes : QByteArray());
        if (content.isEmpty())
            continue;
        QString read;
        const AutomationError readError = errorOf([&] { read = m_zlib.Read(file); });
        QByteArray fromContent;
        const AutomationError contentError = errorOf([&] { fromContent = m_zlib.ReadContent(content); });
        EXPECT_EQ(contentError.number(), readError.number());
        EXPECT_EQ(contentError.description(), readError.description());
        EXPECT_EQ(Ansi::toUnicode(fromContent), read);
    }
    QByteArray content("stale");
    EXPECT_FALSE(m_zlib.IsCompressed(path(u"absent"_s), content));
    EXPECT_TRUE(content.isEmpty());
    EXPECT_FALSE(m_zlib.IsCompressed(m_folder.path(), content));
    EXPECT_TRUE(content.isEmpty());
}

TEST_F(ClsZlib, CompressAndDecompressRenameWithTheExtension)
{
    m_zlib.setExtension(u"gz"_s);
    const QByteArray text = "<doc>voucher text, voucher text, voucher text</doc>";
    write(u"a.txt"_s, text);

    m_zlib.Compress(path(u"a.txt"_s));
    EXPECT_EQ(files(), QStringList{u"a.txt.gz"_s});
    EXPECT_TRUE(m_zlib.IsCompressed(path(u"a.txt.gz"_s)));

    m_zlib.Decompress(path(u"a.txt"_s));
    EXPECT_EQ(files(), QStringList{u"a.txt"_s});
    EXPECT_EQ(contents(u"a.txt"_s), text);
}

TEST_F(ClsZlib, WithoutExtensionTheFileKeepsItsName)
{
    const QByteArray text(5000, 'x');
    write(u"v.xml"_s, text);
    m_zlib.Compress(path(u"v.xml"_s));
    EXPECT_EQ(files(), QStringList{u"v.xml"_s});
    EXPECT_EQ(contents(u"v.xml"_s), zlibCompressed(text));
    m_zlib.Decompress(path(u"v.xml"_s));
    EXPECT_EQ(contents(u"v.xml"_s), text);
}

TEST_F(ClsZlib, CompressingTwiceOrDecompressingPlainChangesNothing)
{
    const QByteArray packed = zlibCompressed("already packed");
    write(u"packed"_s, packed);
    write(u"plain"_s, "plain text");
    m_zlib.setExtension(u"z"_s);
    m_zlib.Compress(path(u"packed"_s));
    m_zlib.Decompress(path(u"plain"_s));
    m_zlib.Compress(path(u"absent"_s));
    m_zlib.Decompress(path(u"absent"_s));
    EXPECT_EQ(files(), (QStringList{u"packed"_s, u"plain"_s}));
    EXPECT_EQ(contents(u"packed"_s), packed);
    EXPECT_EQ(contents(u"plain"_s), "plain text");
}

TEST_F(ClsZlib, SaveAndReadPlainAndCompressedText)
{
    m_zlib.setExtension(u"gz"_s);
    const QString text = u"café € <x/>\r\n"_s;
    m_zlib.Save(path(u"plain.txt"_s), text, false);
    EXPECT_EQ(contents(u"plain.txt"_s), "caf\xE9 \x80 <x/>\r\n"); // Windows-1252, no byte order mark
    m_zlib.Save(path(u"packed.txt"_s), text, true);
    EXPECT_TRUE(exists(u"packed.txt.gz"_s));
    EXPECT_FALSE(exists(u"packed.txt"_s));
    EXPECT_EQ(m_zlib.Read(path(u"plain.txt"_s)), text);
    EXPECT_EQ(m_zlib.Read(path(u"packed.txt"_s)), text);

    m_zlib.Save(path(u"plain.txt"_s), u"shorter"_s, false);
    EXPECT_EQ(m_zlib.Read(path(u"plain.txt"_s)), u"shorter"_s);
}

TEST_F(ClsZlib, ContentCompressingAThousandToOneDecompresses)
{
    QByteArray text;
    for (int i = 0; i < 200'000; ++i)
        text += "0000000000";
    m_zlib.Save(path(u"big"_s), QString::fromLatin1(text), true);
    const qint64 packedSize = QFileInfo(path(u"big"_s)).size();
    EXPECT_GT(text.size() / packedSize, 500); // far beyond the first output buffer
    m_zlib.Decompress(path(u"big"_s));
    EXPECT_EQ(contents(u"big"_s), text);
    EXPECT_EQ(m_zlib.Read(path(u"big"_s)), QString::fromLatin1(text));
}

TEST_F(ClsZlib, DamagedDataRaisesAndLeavesTheFileInPlace)
{
    m_zlib.setExtension(u"gz"_s);
    QByteArray damaged = zlibCompressed(QByteArray("voucher ").repeated(500));
    for (qsizetype i = 4; i < damaged.size() - 4; i += 3)
        damaged[i] = char(damaged[i] ^ 0x5A);
    write(u"v.xml.gz"_s, damaged);
    for (const auto& call : {std::function<void()>([&] { m_zlib.Decompress(path(u"v.xml"_s)); }),
                             std::function<void()>([&] { m_zlib.Read(path(u"v.xml"_s)); })}) {
        const AutomationError error = errorOf(call);
        EXPECT_EQ(quint32(error.number()), 0x80040003u);
        EXPECT_EQ(error.source(), u"Uncompress"_s);
        EXPECT_EQ(error.description(), u"Cannot uncompress corrupt data"_s);
    }
    EXPECT_EQ(files(), QStringList{u"v.xml.gz"_s});
    EXPECT_EQ(contents(u"v.xml.gz"_s), damaged);
}

TEST_F(ClsZlib, GarbageBehindAValidHeaderIsAZlibErrorNeverACrash)
{
    QRandomGenerator random(11);
    const QByteArray truncated = zlibCompressed(QByteArray(10'000, 'a')).left(20);
    QByteArray noise(4096, '\0');
    for (char& byte : noise)
        byte = char(random.bounded(256));
    const QByteArray cases[] = {
        QByteArray("\x78\x9C", 2) + noise,
        QByteArray("\x78\x9C\xFF", 3),
        truncated,
        QByteArray("\x78\x01", 2) + QByteArray(100, '\0'),
        QByteArray("\x08\x1D", 2) + noise, // valid header, window size 256
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.left(8).toHex().toStdString());
        write(u"g"_s, bytes);
        const AutomationError error = errorOf([&] { m_zlib.Decompress(path(u"g"_s)); });
        EXPECT_EQ(quint32(error.number()) & 0xFFFF0000u, clsZlib::kZlibErrorBase);
        EXPECT_EQ(error.source(), u"Uncompress"_s);
        EXPECT_EQ(contents(u"g"_s), bytes);
    }
}

TEST_F(ClsZlib, ZeroLengthFiles)
{
    write(u"empty"_s, {});
    EXPECT_EQ(m_zlib.Read(path(u"empty"_s)), QString());
    EXPECT_FALSE(m_zlib.IsCompressed(path(u"empty"_s)));
    m_zlib.Decompress(path(u"empty"_s));
    EXPECT_EQ(contents(u"empty"_s), QByteArray());
    m_zlib.Compress(path(u"empty"_s));
    EXPECT_TRUE(m_zlib.IsCompressed(path(u"empty"_s)));
    EXPECT_EQ(m_zlib.Read(path(u"empty"_s)), QString());
}

TEST_F(ClsZlib, ReadOfAMissingFileIsError53)
{
    m_zlib.setExtension(u"gz"_s);
    const AutomationError error = errorOf([&] { m_zlib.Read(path(u"absent"_s)); });
    EXPECT_EQ(error.number(), 53);
    EXPECT_EQ(error.description(), u"File not found"_s);
}

TEST_F(ClsZlib, AFailedReplacementKeepsTheOriginal)
{
    m_zlib.setExtension(u"gz"_s);
    const QByteArray packed = zlibCompressed("content that must survive");
    write(u"doc.gz"_s, packed);
    // The decompressed file cannot be written: its name is taken by a folder.
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(u"doc"_s));
    EXPECT_NE(errorOf([&] { m_zlib.Decompress(path(u"doc.gz"_s)); }).number(), 0);
    EXPECT_EQ(contents(u"doc.gz"_s), packed);
    EXPECT_EQ(files(), (QStringList{u"doc"_s, u"doc.gz"_s}));
}

TEST_F(ClsZlib, InflatingStopsAtTheLimitWithTheOutputSpaceError)
{
    const qint64 limit = clsZlib::maximumInflatedSize();
    struct Case {
        const char* name;
        QByteArray file;
        qint64 size; // the file is extended to this size (sparse, costing no disk)
    };
    const QByteArray header = zlibCompressed("x");
    const Case cases[] = {
        {"one byte beyond the limit", ZlibZeros::stream(limit + 1), 0},
        {"a megabyte that inflates to a gibibyte", ZlibZeros::stream(qint64(1) << 30), 0},
        // Too long to inflate within the limit: refused before it is read.
        {"longer than any stream within the limit", header, qint64(compressBound(uLong(limit))) + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(u"bomb"_s, c.file);
        if (c.size > 0) {
            ASSERT_TRUE(QFile::resize(path(u"bomb"_s), c.size));
        }
        const qint64 size = QFileInfo(path(u"bomb"_s)).size();
        for (const auto& call : {std::function<void()>([&] { m_zlib.Read(path(u"bomb"_s)); }),
                                 std::function<void()>([&] { m_zlib.Decompress(path(u"bomb"_s)); })}) {
            const AutomationError error = errorOf(call);
            EXPECT_EQ(quint32(error.number()), 0x80040005u);
            EXPECT_EQ(error.source(), u"Uncompress"_s);
            EXPECT_EQ(error.description(), u"Insufficient space in output buffer to uncompress string"_s);
        }
        EXPECT_EQ(files(), QStringList{u"bomb"_s});
        EXPECT_EQ(QFileInfo(path(u"bomb"_s)).size(), size);
        EXPECT_TRUE(contents(u"bomb"_s).startsWith(c.file)); // not printed: megabytes
    }

    write(u"full"_s, ZlibZeros::stream(limit));
    m_zlib.Decompress(path(u"full"_s));
    EXPECT_EQ(QFileInfo(path(u"full"_s)).size(), limit);
    EXPECT_FALSE(m_zlib.IsCompressed(path(u"full"_s)));
}

// What a process killed inside Compress, Decompress or Save leaves, and what the next call on
// the document finds: the interrupted replacement finished, or undone when it was not decided.
TEST_F(ClsZlib, TheNextCallFinishesOrClearsAnInterruptedReplacement)
{
    const QByteArray current = "<doc>current</doc>";
    const QByteArray stale = zlibCompressed("<doc>stale</doc>");
    const QByteArray packed = zlibCompressed(current);
    const QString plain = path(u"a.txt"_s);
    const QString gz = path(u"a.txt.gz"_s);
    enum Call { ReadPlainName, ReadCompressedName, DecompressPlainName };
    struct Case {
        const char* name;
        QList<std::pair<QString, QByteArray>> left;
        Call call;
        QStringList files;
    };
    const Case cases[] = {
        {"compress killed while writing",
         {{plain, current}, {FileReplacement::partialName(gz), packed.left(5)}}, ReadCompressedName, {u"a.txt"_s}},
        {"compress killed once decided",
         {{plain, current}, {FileReplacement::partialName(gz), packed}, {FileReplacement::markName(gz), {}}},
         ReadPlainName, {u"a.txt.gz"_s}},
        {"compress killed before removing the plain file",
         {{plain, current}, {gz, packed}, {FileReplacement::markName(gz), {}}}, DecompressPlainName, {u"a.txt"_s}},
        {"decompress killed before removing the compressed file",
         {{gz, stale}, {plain, current}, {FileReplacement::markName(plain), {}}}, ReadCompressedName, {u"a.txt"_s}},
        {"decompress killed once decided",
         {{gz, stale}, {FileReplacement::partialName(plain), current}, {FileReplacement::markName(plain), {}}},
         ReadCompressedName, {u"a.txt"_s}},
        {"save killed while writing",
         {{plain, current}, {FileReplacement::partialName(plain), "<doc>new, cut sh"}}, ReadPlainName, {u"a.txt"_s}},
    };
    m_zlib.setExtension(u"gz"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& name : files())
            QFile::remove(path(name));
        for (const auto& [name, bytes] : c.left)
            write(QFileInfo(name).fileName(), bytes);
        switch (c.call) {
        case ReadPlainName:
            EXPECT_EQ(m_zlib.Read(plain), QString::fromLatin1(current));
            break;
        case ReadCompressedName:
            EXPECT_EQ(m_zlib.Read(gz), QString::fromLatin1(current));
            break;
        case DecompressPlainName:
            m_zlib.Decompress(plain);
            EXPECT_EQ(contents(u"a.txt"_s), current);
            break;
        }
        EXPECT_EQ(files(), c.files);
    }
}

TEST_F(ClsZlib, EveryMemberTakingANameTidiesAnInterruptedReplacementFirst)
{
    const QString plain = path(u"v"_s);
    const QList<std::pair<const char*, std::function<void()>>> calls = {
        {"ExistingFile", [&] { m_zlib.ExistingFile(plain); }},
        {"IsCompressed", [&] { m_zlib.IsCompressed(plain); }},
        {"Compress", [&] { m_zlib.Compress(plain); }},
        {"Save", [&] { m_zlib.Save(path(u"v.z"_s), u"t"_s, true); }},
    };
    m_zlib.setExtension(u"z"_s);
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        write(u"v"_s, "old");
        write(u"v.z"_s, zlibCompressed("new"));
        write(QFileInfo(FileReplacement::markName(path(u"v.z"_s))).fileName(), {});
        call();
        EXPECT_EQ(files(), QStringList{u"v.z"_s});
        QFile::remove(path(u"v.z"_s));
    }
}

class ClsZlibTrace : public ServiceFixture {
protected:
    QTemporaryDir m_folder;
};

TEST_F(ClsZlibTrace, AZlibErrorPassesItsCallerOnceRecordedAndWritesNoLogLines)
{
    const QString bad = m_folder.filePath(u"bad"_s);
    ASSERT_TRUE(TestFiles::write(bad, QByteArray("\x78\x9C\xFF\xFF", 4)));
    clsZlib zlib;
    EXPECT_THROW(zlib.Read(bad), AutomationError);
    // zDecompress raises with its trap off; Read's exit records the error and passes it on.
    EXPECT_EQ(errorHandler->events,
              (QStringList{u"enter clsZlib.Function Read"_s, u"enter clsZlib.Function ExistingFile"_s, u"leave"_s,
                           u"enter clsZlib.Function zDecompress"_s, u"leave"_s,
                           u"record -2147221501 clsZlib.Function Read"_s, u"mode 3"_s, u"leave"_s}));
    EXPECT_TRUE(logger->lines.isEmpty());
}

} // namespace
