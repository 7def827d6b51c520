#include "config/clsINIFile.h"

#include "platform/Dictionary.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ClsINIFileTest : public ::testing::Test {
protected:
    void SetUp() override { ini.setFileName(path); }

    void writeFile(const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray fileBytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"pcQUIBA.ini"_s);
    clsINIFile ini;
};

TEST_F(ClsINIFileTest, ReadsWhatItWrote)
{
    ini.WriteString(u"GENERAL"_s, u"name"_s, u"kiosk"_s);
    ini.WriteLong(u"GENERAL"_s, u"count"_s, 42);
    ini.WriteBoolean(u"GENERAL"_s, u"debug"_s, true);

    EXPECT_EQ(ini.GetString(u"general"_s, u"NAME"_s), u"kiosk"_s);
    EXPECT_EQ(ini.GetLong(u"GENERAL"_s, u"count"_s, 0), 42);
    EXPECT_TRUE(ini.GetBoolean(u"GENERAL"_s, u"debug"_s, false));
    EXPECT_EQ(fileBytes(), "[GENERAL]\nname=kiosk\ncount=42\ndebug=true\n");
}

TEST_F(ClsINIFileTest, WriterErasesTheKeyWhenTheValueIsTheDefault)
{
    writeFile("[S]\nk=1\nother=2\n");
    ini.WriteLong(u"S"_s, u"k"_s, 5, 5);
    EXPECT_EQ(fileBytes(), "[S]\nother=2\n");
    ini.WriteLong(u"S"_s, u"k"_s, 5);
    EXPECT_EQ(fileBytes(), "[S]\nother=2\nk=5\n");
}

} // namespace
