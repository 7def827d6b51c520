#include "platform/PrivateProfile.h"

#include "platform/FileReplacer.h"

#include "common/QtPrinting.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStringBuffer = 1000;
constexpr int kSectionBuffer = 32000;
const QString kAbsent = u"<absent>"_s;

class PrivateProfileTest : public ::testing::Test {
protected:
    void writeFile(const QByteArray& bytes) { writeFileAt(path, bytes); }

    static void writeFileAt(const QString& fileName, const QByteArray& bytes)
    {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << fileName.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray fileBytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    QString read(const QString& section, const QString& key, const QString& fallback = kAbsent) const
    {
        return PrivateProfile::getPrivateProfileString(section, key, fallback, kStringBuffer, path);
    }

    QStringList sectionEntries(const QString& section) const
    {
        QStringList entries = PrivateProfile::getPrivateProfileSection(section, kSectionBuffer, path).split(QChar(u'\0'));
        entries.removeLast();
        return entries;
    }

    QStringList folderEntries() const
    {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    static mode_t modeOf(const QString& fileName)
    {
        struct stat status {};
        return ::stat(QFile::encodeName(fileName).constData(), &status) == 0 ? status.st_mode & 07777 : mode_t(-1);
    }

    // A child process that runs body and ends with its result.
    static pid_t startChild(const std::function<int()>& body)
    {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(body());
        return child;
    }

    static int exitCode(pid_t child)
    {
        int status = 0;
        if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    // Runs body in a child process as the user "nobody", which owns the test folder there; where
    // the process may not change its user, the child runs as the current user, whom permissions
    // bind as well.
    int inUnprivilegedChild(const std::function<int()>& body) const
    {
        return exitCode(startChild([&]() -> int {
            if (const passwd* nobody = ::getpwnam("nobody")) {
                for (const QString& entry : QStringList{folder.path(), path, FileReplacer::lockFileName(path)})
                    [[maybe_unused]] const int ignored
                        = ::chown(QFile::encodeName(entry).constData(), nobody->pw_uid, nobody->pw_gid);
                if (::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0)
                    [[maybe_unused]] const int ignored = ::setuid(nobody->pw_uid);
            }
            return body();
        }));
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"test.ini"_s);
};

// How the reader understands the syntax of the files the program meets.
TEST_F(PrivateProfileTest, ReadsTheSyntaxOfWindowsProfileFiles)
{
    struct Case {
        const char* what;
        QByteArray file;
        QString section;
        QString key;
        QString expected;
    };
    const Case cases[] = {
        {"plain key", "[S]\nk=v\n", u"S"_s, u"k"_s, u"v"_s},
        {"section and key names without regard to case", "[General]\nDebug=1\n", u"GENERAL"_s, u"debug"_s, u"1"_s},
        {"non-ASCII names without regard to case", "[\xc9T\xc9]\n\xe9t\xe9=1\n", u"été"_s, u"ÉTÉ"_s, u"1"_s},
        {"blanks and tabs around the name, the value and =", "[S]\n  \t k \t=\t  v w  \t\n", u"S"_s, u"k"_s,
         u"v w"_s},
        {"blanks inside the brackets", "[  S  ]\nk=v\n", u"S"_s, u"k"_s, u"v"_s},
        {"indented header", "   [S]\nk=v\n", u"S"_s, u"k"_s, u"v"_s},
        {"text after the closing bracket", "[S] ; main\nk=v\n", u"S"_s, u"k"_s, u"v"_s},
        {"blank names in the call", "[S]\nk=v\n", u" S "_s, u"\tk "_s, u"v"_s},
        {"double quotes stripped", "[S]\nk=\"  v  \"\n", u"S"_s, u"k"_s, u"  v  "_s},
        {"single quotes stripped", "[S]\nk='v'\n", u"S"_s, u"k"_s, u"v"_s},
        {"only one pair stripped", "[S]\nk=\"\"v\"\"\n", u"S"_s, u"k"_s, u"\"v\""_s},
        {"unmatched quotes kept", "[S]\nk=\"v'\n", u"S"_s, u"k"_s, u"\"v'"_s},
        {"a lone quote kept", "[S]\nk=\"\n", u"S"_s, u"k"_s, u"\""_s},
        {"quotes inside kept", "[S]\nk=a \"b\"\n", u"S"_s, u"k"_s, u"a \"b\""_s},
        {"empty quotes give empty text", "[S]\nk=\"\"\n", u"S"_s, u"k"_s, u""_s},
        {"comment line ignored", "[S]\n;k=1\nk=2\n", u"S"_s, u"k"_s, u"2"_s},
        {"indented comment line ignored", "[S]\n  ; k=1\n", u"S"_s, u"; k"_s, kAbsent},
        {"semicolon inside a value is text", "[S]\nk=a ; b\n", u"S"_s, u"k"_s, u"a ; b"_s},
        {"hash is no comment", "[S]\n#k=1\n", u"S"_s, u"#k"_s, u"1"_s},
        {"first of duplicate keys wins", "[S]\nk=1\nK=2\n", u"S"_s, u"k"_s, u"1"_s},
        {"first of duplicate sections wins", "[S]\nk=1\n[s]\nk=2\nj=3\n", u"S"_s, u"k"_s, u"1"_s},
        {"keys of a repeated section are hidden", "[S]\nk=1\n[s]\nj=3\n", u"S"_s, u"j"_s, kAbsent},
        {"empty value is present", "[S]\nk=\n", u"S"_s, u"k"_s, u""_s},
        {"value with = inside", "[S]\nk=a=b\n", u"S"_s, u"k"_s, u"a=b"_s},
        {"line without = is no key", "[S]\nk\n", u"S"_s, u"k"_s, kAbsent},
        {"key before any section belongs to none", "k=1\n[S]\nj=2\n", u""_s, u"k"_s, kAbsent},
        {"empty section name", "[]\nk=1\n", u""_s, u"k"_s, u"1"_s},
        {"unclosed header is no header", "[S]\nk=1\n[T\nj=2\n", u"S"_s, u"j"_s, u"2"_s},
        {"CRLF line ends", "[S]\r\nk=v\r\nj=w\r\n", u"S"_s, u"j"_s, u"w"_s},
        {"LF line ends", "[S]\nk=v\nj=w\n", u"S"_s, u"j"_s, u"w"_s},
        {"mixed line ends", "[S]\r\nk=v\nj=w\r\n", u"S"_s, u"k"_s, u"v"_s},
        {"no line end after the last line", "[S]\nk=v", u"S"_s, u"k"_s, u"v"_s},
        {"carriage return ending the last line", "[S]\nk=v\r", u"S"_s, u"k"_s, u"v"_s},
        {"CR-only line ends", "[S]\rk=v\rj=w\r", u"S"_s, u"j"_s, u"w"_s},
        {"CR-only line ends, header on its own line", "[S]\rk=v\r[T]\rk=x\r", u"T"_s, u"k"_s, u"x"_s},
        {"CR CR LF is a line and an empty line", "[S]\r\r\nk=v\r\r\n", u"S"_s, u"k"_s, u"v"_s},
        {"form feed and vertical tab are white space", "[S]\n\fk\v=\fv\v\n", u"S"_s, u"k"_s, u"v"_s},
        {"Windows-1252 value", "[S]\nk=\x80 \xe9\x9c\n", u"S"_s, u"k"_s, u"€ éœ"_s},
        {"missing section", "[S]\nk=v\n", u"T"_s, u"k"_s, kAbsent},
        {"missing key", "[S]\nk=v\n", u"S"_s, u"j"_s, kAbsent},
        {"empty file", "", u"S"_s, u"k"_s, kAbsent},
    };
    for (const Case& c : cases) {
        writeFile(c.file);
        EXPECT_EQ(read(c.section, c.key), c.expected) << c.what;
    }
}

TEST_F(PrivateProfileTest, DefaultLosesTrailingBlanksAndMissingFileGivesIt)
{
    EXPECT_EQ(read(u"S"_s, u"k"_s, u" d  "_s), u" d"_s);
    writeFile("[S]\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s, u"d"_s), u"d"_s);
}

TEST_F(PrivateProfileTest, ReadsAreCutToTheBuffer)
{
    const QByteArray longValue(1500, 'x');
    writeFile("[S]\nk=" + longValue + "\nj=short\n");
    struct Case {
        int buffer;
        qsizetype expected;
    };
    for (const Case c : {Case{1000, 999}, Case{1501, 1500}, Case{1, 0}, Case{0, 0}})
        EXPECT_EQ(PrivateProfile::getPrivateProfileString(u"S"_s, u"k"_s, {}, c.buffer, path).size(), c.expected)
            << c.buffer;
    EXPECT_EQ(read(u"S"_s, u"j"_s), u"short"_s);
    EXPECT_EQ(PrivateProfile::getPrivateProfileString(u"S"_s, u"none"_s, u"abcdef"_s, 4, path), u"abc"_s);
}

TEST_F(PrivateProfileTest, SectionBlockHoldsEntriesInFileOrder)
{
    writeFile("[S]\n; comment\nb = 2\n\na=\"1\"\nnoequals\nB=3\n[T]\nc=4\n");
    EXPECT_EQ(PrivateProfile::getPrivateProfileSection(u"s"_s, kSectionBuffer, path),
              u"b=2\0a=\"1\"\0B=3\0"_s);
    EXPECT_EQ(PrivateProfile::getPrivateProfileSection(u"none"_s, kSectionBuffer, path), u""_s);
}

TEST_F(PrivateProfileTest, SectionBlockTooLongForTheBufferIsCut)
{
    // 40 entries of 1000 characters plus their NULs: 40040 characters.
    QByteArray file = "[S]\n";
    for (int i = 0; i < 40; ++i)
        file += QByteArray::number(100 + i) + '=' + QByteArray(996, 'a' + i % 26) + '\n';
    writeFile(file);
    const QString block = PrivateProfile::getPrivateProfileSection(u"S"_s, kSectionBuffer, path);
    ASSERT_EQ(block.size(), kSectionBuffer - 2);
    // 31 whole entries (31031 characters), then 967 characters of the 32nd.
    const QStringList pieces = block.split(QChar(u'\0'));
    ASSERT_EQ(pieces.size(), 32);
    EXPECT_EQ(pieces.at(30), u"130="_s + QString(996, QChar(u'a' + 30 % 26)));
    EXPECT_EQ(pieces.at(31), u"131="_s + QString(963, QChar(u'a' + 31 % 26)));

    writeFile("[S]\nk=v\n");
    struct Case {
        int buffer;
        QString expected;
    };
    // "k=v" and its NUL need 4 characters, the block's closing NUL one more.
    for (const Case& c : {Case{5, u"k=v\0"_s}, Case{4, u"k="_s}, Case{2, u""_s}})
        EXPECT_EQ(PrivateProfile::getPrivateProfileSection(u"S"_s, c.buffer, path), c.expected) << c.buffer;
}

// What writes do to the text around them.
TEST_F(PrivateProfileTest, WritesKeepEveryOtherLine)
{
    using Write = std::function<bool(const QString&)>;
    const auto set = [](QString section, QString key, QString value) {
        return Write([=](const QString& file) { return PrivateProfile::writePrivateProfileString(section, key, value, file); });
    };
    const auto erase = [](QString section, QString key) {
        return Write(
            [=](const QString& file) { return PrivateProfile::writePrivateProfileString(section, key, std::nullopt, file); });
    };
    const auto setSection = [](QString section, std::optional<QString> block) {
        return Write([=](const QString& file) { return PrivateProfile::writePrivateProfileSection(section, block, file); });
    };
    struct Case {
        const char* what;
        QByteArray before;
        Write write;
        QByteArray after;
    };
    const QByteArray sample = "; settings\r\n[A]\r\nx = 1\r\n\r\n; next\r\n[B]\r\ny=2\r\n";
    const Case cases[] = {
        {"value replaced in place, spelling and spacing kept", sample, set(u"a"_s, u"X"_s, u"9"_s),
         "; settings\r\n[A]\r\nx = 9\r\n\r\n; next\r\n[B]\r\ny=2\r\n"},
        {"new key after the section's last key, CRLF kept", sample, set(u"A"_s, u"z"_s, u"3"_s),
         "; settings\r\n[A]\r\nx = 1\r\nz=3\r\n\r\n; next\r\n[B]\r\ny=2\r\n"},
        {"new key in the last section", sample, set(u"B"_s, u"z"_s, u"3"_s),
         "; settings\r\n[A]\r\nx = 1\r\n\r\n; next\r\n[B]\r\ny=2\r\nz=3\r\n"},
        {"new key under a header without keys", "[A]\n\n[B]\n", set(u"A"_s, u"z"_s, u"3"_s), "[A]\nz=3\n\n[B]\n"},
        {"new section at the end", sample, set(u"C"_s, u"z"_s, u"3"_s),
         "; settings\r\n[A]\r\nx = 1\r\n\r\n; next\r\n[B]\r\ny=2\r\n\r\n[C]\r\nz=3\r\n"},
        {"new section after a last line without line end", "[A]\nx=1", set(u"C"_s, u"z"_s, u"3"_s),
         "[A]\nx=1\n\n[C]\nz=3\n"},
        {"new key after a last line without line end", "[A]\nx=1", set(u"A"_s, u"z"_s, u"3"_s), "[A]\nx=1\nz=3\n"},
        {"new key after a last line ending in a carriage return", "[A]\nx=1\r", set(u"A"_s, u"z"_s, u"3"_s),
         "[A]\nx=1\rz=3\n"},
        {"value replaced in a file with CR-only line ends", "[A]\rx=1\ry=2\r", set(u"A"_s, u"x"_s, u"9"_s),
         "[A]\rx=9\ry=2\r"},
        {"new key in a file with CR-only line ends", "[A]\rx=1\r", set(u"A"_s, u"z"_s, u"3"_s), "[A]\rx=1\rz=3\r"},
        {"new key into a section between others", "[A]\nx=1\n\n[B]\ny=2\n", set(u"A"_s, u"z"_s, u"3"_s),
         "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
        {"key erased from a section between others", "[A]\nx=1\nz=3\n[B]\ny=2\n", erase(u"A"_s, u"x"_s),
         "[A]\nz=3\n[B]\ny=2\n"},
        {"new file", "", set(u"A"_s, u"z"_s, u"3"_s), "[A]\nz=3\n"},
        {"first of duplicate keys replaced", "[A]\nx=1\nx=2\n", set(u"A"_s, u"x"_s, u"3"_s), "[A]\nx=3\nx=2\n"},
        {"line breaks in a value stay on its line", "[A]\n", set(u"A"_s, u"x"_s, u"1\r\n[B]\ny=2"_s),
         "[A]\nx=1  [B] y=2\n"},
        {"value cut at NUL", "[A]\n", set(u"A"_s, u"x"_s, u"1\0002"_s), "[A]\nx=1\n"},
        {"Windows-1252 text written and other bytes kept", "[A]\n\xff\xfe=\x81\n",
         set(u"A"_s, u"x"_s, u"€é"_s), "[A]\n\xff\xfe=\x81\nx=\x80\xe9\n"},
        {"erase removes only the key's lines", sample, erase(u"A"_s, u"x"_s),
         "; settings\r\n[A]\r\n\r\n; next\r\n[B]\r\ny=2\r\n"},
        {"erase removes duplicates too", "[A]\nx=1\ny=0\nX=2\n", erase(u"A"_s, u"x"_s), "[A]\ny=0\n"},
        {"erase of a missing key changes nothing", sample, erase(u"A"_s, u"none"_s), sample},
        {"erase of a section keeps the blank lines and comments before the next one", sample,
         setSection(u"a"_s, std::nullopt), "; settings\r\n\r\n; next\r\n[B]\r\ny=2\r\n"},
        {"erase of a section removes its inner comments", "[A]\n; about x\nx=1\n; end\n[B]\ny=2\n",
         setSection(u"A"_s, std::nullopt), "; end\n[B]\ny=2\n"},
        {"erase of a repeated section removes every copy", "[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n",
         setSection(u"A"_s, std::nullopt), "[B]\ny=2\n"},
        {"erase of a missing section changes nothing", sample, setSection(u"C"_s, std::nullopt), sample},
        {"section replaced in place, separating blank line kept", sample,
         setSection(u"A"_s, u"p=1\0q = 2\0\0"_s), "; settings\r\n[A]\r\np=1\r\nq = 2\r\n\r\n; next\r\n[B]\r\ny=2\r\n"},
        {"section emptied by an empty block", sample, setSection(u"A"_s, u"\0\0"_s),
         "; settings\r\n[A]\r\n\r\n; next\r\n[B]\r\ny=2\r\n"},
        {"block ends at the empty entry", "", setSection(u"A"_s, u"p=1\0\0q=2\0\0"_s), "[A]\np=1\n"},
        {"new section from a block", "[B]\ny=2\n", setSection(u"A"_s, u"p=1\0\0"_s), "[B]\ny=2\n\n[A]\np=1\n"},
    };
    for (const Case& c : cases) {
        writeFile(c.before);
        EXPECT_TRUE(c.write(path)) << c.what;
        EXPECT_EQ(fileBytes(), c.after) << c.what;
    }
}

TEST_F(PrivateProfileTest, WriteWithoutKeyOrSectionNameIsRefused)
{
    writeFile("[A]\nx=1\n");
    EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u"A"_s, u"  "_s, u"v"_s, path));
    EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u""_s, u"x"_s, u"v"_s, path));
    EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u" "_s, u"x"_s, std::nullopt, path));
    EXPECT_FALSE(PrivateProfile::writePrivateProfileSection(u""_s, u"x=1\0\0"_s, path));
    EXPECT_FALSE(PrivateProfile::writePrivateProfileSection(u""_s, std::nullopt, path));
    EXPECT_EQ(fileBytes(), "[A]\nx=1\n");
}

// Each process reads back what it wrote exactly as every other process reads it.
TEST_F(PrivateProfileTest, WriterReadsItsOwnWriteAsTheFileHoldsIt)
{
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"\u0100\u20ac\u2713"_s, path));
    EXPECT_EQ(fileBytes(), "[S]\nk=?\x80?\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"?\u20ac?"_s);
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"\u0100"_s, u"\u2713"_s, u"1"_s, path));
    EXPECT_EQ(read(u"?"_s, u"?"_s), u"1"_s);
    EXPECT_EQ(read(u"\u0101"_s, u"\u2714"_s), u"1"_s);
    ASSERT_TRUE(PrivateProfile::writePrivateProfileSection(u"T"_s, u"a=\u0100\0\0"_s, path));
    EXPECT_EQ(PrivateProfile::getPrivateProfileSection(u"T"_s, kSectionBuffer, path), u"a=?\0"_s);
}

// Files that start with a byte-order mark are read and written in their own encoding.
TEST_F(PrivateProfileTest, FileWithAByteOrderMarkKeepsItsEncoding)
{
    const auto utf16 = [](const QString& text) {
        QByteArray bytes("\xff\xfe");
        for (const QChar c : text)
            bytes += char(c.unicode() & 0xff), bytes += char(c.unicode() >> 8);
        return bytes;
    };
    struct Case {
        const char* what;
        QByteArray before;
        QByteArray after;
    };
    const Case cases[] = {
        {"UTF-16LE", utf16(u"[S]\r\nk=\u00e9\u2713\r\n"_s), utf16(u"[S]\r\nk=\u00e9\u2713\r\nnew=\u20ac\u2713\r\n"_s)},
        {"UTF-8", "\xef\xbb\xbf[S]\nk=\xc3\xa9\xe2\x9c\x93\n",
         "\xef\xbb\xbf[S]\nk=\xc3\xa9\xe2\x9c\x93\nnew=\xe2\x82\xac\xe2\x9c\x93\n"},
        {"Windows-1252 without a mark", "[S]\nk=\xe9?\n", "[S]\nk=\xe9?\nnew=\x80?\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(c.before);
        EXPECT_EQ(read(u"s"_s, u"K"_s).left(1), u"\u00e9"_s);
        ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"new"_s, u"\u20ac\u2713"_s, path));
        EXPECT_EQ(fileBytes(), c.after);
        EXPECT_EQ(read(u"S"_s, u"new"_s), u"\u20ac"_s + (c.after.startsWith("[") ? u"?"_s : u"\u2713"_s));
    }
    // An odd last byte of a UTF-16LE file is half a character and reads as nothing.
    writeFile(utf16(u"[S]\nk=v\n"_s) + 'x');
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"v"_s);
}

TEST_F(PrivateProfileTest, UserProfileIsWinIniInTheProgramRoot)
{
    const QString profile = PrivateProfile::userProfilePath();
    EXPECT_EQ(profile, qEnvironmentVariable("PCQUIBA_ROOT") + u"/win.ini"_s);
    QDir().mkpath(qEnvironmentVariable("PCQUIBA_ROOT"));
    ASSERT_TRUE(PrivateProfile::writeProfileString(u"windows"_s, u"device"_s, u"printer"_s));
    EXPECT_EQ(PrivateProfile::getProfileString(u"Windows"_s, u"Device"_s, {}, kStringBuffer), u"printer"_s);
    ASSERT_TRUE(PrivateProfile::writeProfileSection(u"fonts"_s, u"a=1\0\0"_s));
    EXPECT_EQ(PrivateProfile::getProfileSection(u"fonts"_s, kSectionBuffer), u"a=1\0"_s);
    ASSERT_TRUE(PrivateProfile::writeProfileSection(u"fonts"_s, std::nullopt));
    ASSERT_TRUE(PrivateProfile::writeProfileString(u"windows"_s, u"device"_s, std::nullopt));
    EXPECT_EQ(PrivateProfile::getProfileString(u"windows"_s, u"device"_s, u"gone"_s, kStringBuffer), u"gone"_s);
    QFile::remove(profile);
}

// A change is seen by the next read, however it was made.
TEST_F(PrivateProfileTest, NextReadSeesChangesByOtherWriters)
{
    writeFile("[S]\nk=aaa\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"aaa"_s);

    // Rewritten in place at once, same size, same inode: within the clock tick of the last change.
    writeFile("[S]\nk=bbb\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"bbb"_s);

    // Rewritten long after the last change, same size, and the modification time put back.
    const timespec anHourAgo = {::time(nullptr) - 3600, 123456789};
    const timespec times[2] = {anHourAgo, anHourAgo};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"bbb"_s);
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"bbb"_s);
    writeFile("[S]\nk=ccc\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"ccc"_s);

    // Replaced by another file.
    const QString other = folder.filePath(u"other.ini"_s);
    writeFileAt(other, "[S]\nk=ddd\n");
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"ddd"_s);

    // Written through the profile functions, then by hand at once.
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"eee"_s, path));
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"eee"_s);
    writeFile("[S]\nk=fff\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"fff"_s);

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(read(u"S"_s, u"k"_s), kAbsent);
}

TEST_F(PrivateProfileTest, WriteStartsFromTheFileAsItIsNow)
{
    writeFile("[S]\nk=1\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"1"_s);
    writeFile("[S]\nk=2\nj=3\n");
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"n"_s, u"4"_s, path));
    EXPECT_EQ(fileBytes(), "[S]\nk=2\nj=3\nn=4\n");
}

TEST_F(PrivateProfileTest, WriteFollowsASymbolicLinkAndKeepsPermissions)
{
    const QString target = folder.filePath(u"target.ini"_s);
    writeFileAt(target, "[S]\nk=1\n");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(QFile::link(target, path));
    const QFile::Permissions permissions = QFileInfo(target).permissions();
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"2"_s, path));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(QFileInfo(target).permissions(), permissions);
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"2"_s);
}

// A write that cannot finish leaves the old file whole and no temporary file behind.
TEST_F(PrivateProfileTest, InterruptedWriteLeavesTheOldFile)
{
    const QByteArray original = "[S]\nk=" + QByteArray(2000, 'o') + "\n";
    writeFile(original);
    EXPECT_EQ(read(u"S"_s, u"k"_s).size(), 999);

    // The file size limit makes the write of the new content fail halfway, as a full disk would.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = PrivateProfile::writePrivateProfileString(u"S"_s, u"j"_s, u"new"_s, path);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(fileBytes(), original);
    EXPECT_EQ(folderEntries(), QStringList({u"test.ini"_s, u"test.ini.lock"_s}));
    EXPECT_EQ(read(u"S"_s, u"j"_s), kAbsent);
}

// A file without any write bit is never rewritten, whoever writes (the tests run as root in CI);
// a rewritten file keeps its mode, owner and group.
TEST_F(PrivateProfileTest, WriteKeepsModeAndOwnerAndNeverTouchesAFileWithoutWriteBits)
{
    struct Case {
        mode_t mode;
        bool rewritten;
    };
    const Case cases[] = {
        {0444, false}, {0400, false}, {0555, false}, {0000, false}, {0040, false},
        {0644, true},  {0600, true},  {0660, true},  {0640, true},  {0604, true}, {0755, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        QFile::remove(path);
        writeFile("[S]\nk=1\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.mode), 0);
        EXPECT_EQ(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"2"_s, path), c.rewritten);
        EXPECT_EQ(PrivateProfile::writePrivateProfileSection(u"S"_s, std::nullopt, path), c.rewritten);
        EXPECT_EQ(modeOf(path), c.mode);
        ::chmod(QFile::encodeName(path).constData(), 0600);
        EXPECT_EQ(fileBytes(), c.rewritten ? QByteArray() : QByteArray("[S]\nk=1\n"));
    }

    // Root may hand the file to another user; anybody else keeps it as it is.
    writeFile("[S]\nk=1\n");
    if (const passwd* nobody = ::getpwnam("nobody"))
        [[maybe_unused]] const int ignored = ::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"2"_s, path));
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

// Permissions that bind an ordinary user: checked in a child that runs as "nobody" when the
// tests run as root.
TEST_F(PrivateProfileTest, WithoutPermissionNothingIsReadOrReplaced)
{
    writeFile("[S]\nk=1\n");
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"j"_s, u"2"_s, path));
    const QByteArray written = fileBytes();
    const int result = inUnprivilegedChild([&]() -> int {
        // No read permission: defaults, and never replaced by a file rebuilt from nothing.
        if (::chmod(QFile::encodeName(path).constData(), 0200) != 0)
            return 10;
        if (read(u"S"_s, u"k"_s, u"d"_s) != u"d"_s)
            return 11;
        if (PrivateProfile::writePrivateProfileString(u"S"_s, u"n"_s, u"3"_s, path))
            return 12;
        // A folder without write permission: the temporary file cannot be made.
        if (::chmod(QFile::encodeName(path).constData(), 0600) != 0
            || ::chmod(QFile::encodeName(folder.path()).constData(), 0500) != 0)
            return 13;
        if (PrivateProfile::writePrivateProfileString(u"S"_s, u"n"_s, u"3"_s, path))
            return 14;
        ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(fileBytes(), written);
}

// Two processes writing one file: every write of each survives.
TEST_F(PrivateProfileTest, WritersInTwoProcessesLoseNothing)
{
    constexpr int kWrites = 60;
    const auto writer = [&](const char* name) {
        return [=, this]() -> int {
            for (int i = 0; i < kWrites; ++i) {
                const QString number = QString::number(i);
                // Own keys, and the same shared keys the other writer overwrites.
                if (!PrivateProfile::writePrivateProfileString(u"S"_s, QString::fromLatin1(name) + number, number, path)
                    || !PrivateProfile::writePrivateProfileString(u"Shared"_s, u"k"_s + QString::number(i % 7),
                                                                  QString::fromLatin1(name), path))
                    return 1;
            }
            return 0;
        };
    };
    writeFile("[S]\n");
    const pid_t first = startChild(writer("a"));
    const pid_t second = startChild(writer("b"));
    EXPECT_EQ(exitCode(first), 0);
    EXPECT_EQ(exitCode(second), 0);
    for (int i = 0; i < kWrites; ++i) {
        EXPECT_EQ(read(u"S"_s, u"a"_s + QString::number(i)), QString::number(i));
        EXPECT_EQ(read(u"S"_s, u"b"_s + QString::number(i)), QString::number(i));
    }
    QStringList shared = PrivateProfile::getPrivateProfileSection(u"Shared"_s, kSectionBuffer, path).split(QChar(u'\0'));
    shared.removeLast();
    EXPECT_EQ(shared.size(), 7);
    for (const QString& entry : shared)
        EXPECT_TRUE(entry.endsWith(u"=a"_s) || entry.endsWith(u"=b"_s)) << entry.toStdString();
    EXPECT_EQ(folderEntries(), QStringList({u"test.ini"_s, u"test.ini.lock"_s}));
}

// Writers killed at any moment leave the old or the new file and at most one temporary file,
// which the next write clears.
TEST_F(PrivateProfileTest, KilledWritersLeaveNoTemporaryFilesBehind)
{
    writeFile("[S]\nkeep=1\n");
    QRandomGenerator random(7);
    for (int round = 0; round < 60; ++round) {
        const pid_t child = startChild([&]() -> int {
            for (int i = 0;; ++i)
                PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s + QString::number(i % 500), u"v"_s, path);
        });
        ::usleep(useconds_t(random.bounded(500, 15000)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ASSERT_EQ(read(u"S"_s, u"keep"_s), u"1"_s) << round;
        const QStringList entries = folderEntries();
        ASSERT_LE(entries.size(), 3) << entries.join(u' ').toStdString();
        for (const QString& entry : entries)
            ASSERT_TRUE(entry == u"test.ini"_s || entry == u"test.ini.lock"_s || entry == u".test.ini.tmp"_s)
                << entry.toStdString();
    }
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"last"_s, u"1"_s, path));
    EXPECT_EQ(folderEntries(), QStringList({u"test.ini"_s, u"test.ini.lock"_s}));
}

TEST_F(PrivateProfileTest, MissingFolderGivesDefaultsAndRefusesWrites)
{
    const QString lost = folder.filePath(u"missing/test.ini"_s);
    EXPECT_EQ(PrivateProfile::getPrivateProfileString(u"S"_s, u"k"_s, u"d"_s, kStringBuffer, lost), u"d"_s);
    EXPECT_EQ(PrivateProfile::getPrivateProfileSection(u"S"_s, kSectionBuffer, lost), u""_s);
    EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"v"_s, lost));
    EXPECT_FALSE(PrivateProfile::writePrivateProfileSection(u"S"_s, u"k=v\0\0"_s, lost));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(u"missing"_s)));
}

TEST_F(PrivateProfileTest, UnreadableFileGivesDefaultsAndIsNeverReplaced)
{
    // A folder where the file should be cannot be read by anybody, root included.
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"test.ini"_s));
    writeFileAt(path + u"/inside"_s, "[S]\nk=v\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s, u"d"_s), u"d"_s);
    EXPECT_FALSE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"v"_s, path));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(QFileInfo::exists(path + u"/inside"_s));
}

TEST_F(PrivateProfileTest, BinaryJunkReadsAsDefaultsAndSurvivesWrites)
{
    QByteArray junk(64 * 1024, Qt::Uninitialized);
    QRandomGenerator random(20240501);
    for (char& byte : junk)
        byte = char(random.bounded(256));
    junk.replace("[", "(");
    writeFile(junk);
    EXPECT_EQ(read(u"S"_s, u"k"_s), kAbsent);
    EXPECT_EQ(PrivateProfile::getPrivateProfileSection(u"S"_s, kSectionBuffer, path), u""_s);

    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"k"_s, u"v"_s, path));
    EXPECT_EQ(read(u"S"_s, u"k"_s), u"v"_s);
    EXPECT_TRUE(fileBytes().startsWith(junk));
    ASSERT_TRUE(PrivateProfile::writePrivateProfileSection(u"S"_s, std::nullopt, path));
    EXPECT_TRUE(fileBytes().startsWith(junk));
    EXPECT_LE(fileBytes().size(), junk.size() + 2);
}

TEST_F(PrivateProfileTest, OverlongLineIsCutOnReadAndKeptOnWrite)
{
    const QByteArray longLine = "k=" + QByteArray(1 << 20, 'z');
    writeFile("[S]\n" + longLine + "\nj=1\n");
    EXPECT_EQ(read(u"S"_s, u"k"_s), QString(999, u'z'));
    EXPECT_EQ(read(u"S"_s, u"j"_s), u"1"_s);
    ASSERT_TRUE(PrivateProfile::writePrivateProfileString(u"S"_s, u"j"_s, u"2"_s, path));
    EXPECT_EQ(fileBytes(), "[S]\n" + longLine + "\nj=2\n");
}

} // namespace
