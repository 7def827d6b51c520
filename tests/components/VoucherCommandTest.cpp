#include "common/TestFiles.h"
#include "components/VoucherCommand.h"
#include "fakes/ServiceFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

class VoucherCommandTest : public ServiceFixture {
protected:
    int run(const QStringList& arguments)
    {
        errors.clear();
        QTextStream stream(&errors);
        const int status = VoucherCommand::run(QStringList{QStringLiteral("pcquiba-voucher")} + arguments, stream);
        stream.flush();
        return status;
    }

    QString write(const QByteArray& markup)
    {
        const QString path = folder.filePath(QStringLiteral("voucher.xml"));
        EXPECT_TRUE(TestFiles::write(path, markup));
        return path;
    }

    QTemporaryDir folder;
    QString errors;
};

TEST_F(VoucherCommandTest, WritesTheReceiptOfAWholeVoucher)
{
    const QString out = folder.filePath(QStringLiteral("out.png"));
    EXPECT_EQ(run({write("<document><text>PIN 1234</text><cut/></document>"), QStringLiteral("--png"), out}),
              VoucherCommand::kDone);
    EXPECT_TRUE(QFile::exists(out));
    EXPECT_EQ(errors, QString());
}

TEST_F(VoucherCommandTest, AVoucherThatEndsEarlyFailsAndWritesNothing)
{
    const QString voucher = write("<document><text>Serial</text><cut/><text b='");
    for (const QString& kind : {QStringLiteral("--png"), QStringLiteral("--pdf")}) {
        const QString out = folder.filePath(QStringLiteral("out") + kind.mid(1));
        EXPECT_EQ(run({voucher, kind, out}), VoucherCommand::kFailed) << kind.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << kind.toStdString();
        EXPECT_EQ(errors, QStringLiteral("pcquiba-voucher: Invalid file format (321)\n"));
    }
}

TEST_F(VoucherCommandTest, WrongArgumentsShowTheUsage)
{
    const QList<QStringList> wrong{{}, {QStringLiteral("v.xml")}, {QStringLiteral("v.xml"), QStringLiteral("--gif"),
                                                                    QStringLiteral("out")}};
    for (const QStringList& arguments : wrong) {
        EXPECT_EQ(run(arguments), VoucherCommand::kWrongArguments) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(errors.startsWith(QStringLiteral("usage: pcquiba-voucher FILE"))) << errors.toStdString();
    }
}

} // namespace
