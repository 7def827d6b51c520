#include "common/TestFiles.h"
#include "components/ReceiptPrinter.h"
#include "components/VoucherCommand.h"
#include "fakes/EscPosJobDecoder.h"
#include "fakes/EscPosPrinterSimulator.h"
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
        output.clear();
        QTextStream errorStream(&errors);
        QTextStream outputStream(&output);
        const int status =
            VoucherCommand::run(QStringList{QStringLiteral("pcquiba-voucher")} + arguments, outputStream, errorStream);
        errorStream.flush();
        outputStream.flush();
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
    QString output;
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
    for (const QString& kind : {QStringLiteral("--png"), QStringLiteral("--pdf"), QStringLiteral("--escpos")}) {
        const QString out = folder.filePath(QStringLiteral("out") + kind.mid(1));
        EXPECT_EQ(run({voucher, kind, out}), VoucherCommand::kFailed) << kind.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << kind.toStdString();
        EXPECT_EQ(errors, QStringLiteral("pcquiba-voucher: Invalid file format (321)\n"));
    }
}

TEST_F(VoucherCommandTest, WrongArgumentsShowTheUsage)
{
    const QList<QStringList> wrong{{},
                                   {QStringLiteral("v.xml")},
                                   {QStringLiteral("v.xml"), QStringLiteral("--gif"), QStringLiteral("out")},
                                   {QStringLiteral("--status")},
                                   {QStringLiteral("v.xml"), QStringLiteral("--status"), QStringLiteral("out")}};
    for (const QStringList& arguments : wrong) {
        EXPECT_EQ(run(arguments), VoucherCommand::kWrongArguments) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(errors.startsWith(QStringLiteral("usage: pcquiba-voucher FILE"))) << errors.toStdString();
    }
}

TEST_F(VoucherCommandTest, HelpAndVersionAnswerOnTheOutputAndSucceed)
{
    EXPECT_EQ(run({QStringLiteral("--help")}), VoucherCommand::kDone);
    EXPECT_TRUE(output.startsWith(QStringLiteral("usage: pcquiba-voucher FILE"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("--version"))) << output.toStdString();
    EXPECT_EQ(errors, QString());

    EXPECT_EQ(run({QStringLiteral("--version")}), VoucherCommand::kDone);
    EXPECT_EQ(output, QStringLiteral("pcquiba-voucher VB.%1.%2.%3\n")
                          .arg(PCQUIBA_VERSION_MAJOR, 2, 10, QChar(u'0'))
                          .arg(PCQUIBA_VERSION_MINOR, 2, 10, QChar(u'0'))
                          .arg(PCQUIBA_VERSION_PATCH, 2, 10, QChar(u'0')));
}

TEST_F(VoucherCommandTest, WritesTheEscPosJobOfAVoucher)
{
    const QString voucher = write("<document><text>PIN 1234</text><cut f='half'/></document>");
    const QString out = folder.filePath(QStringLiteral("job.bin"));
    EXPECT_EQ(run({voucher, QStringLiteral("--escpos"), out}), VoucherCommand::kDone);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray job = file.readAll();
    EXPECT_EQ(job, ReceiptPrinter::escPosJob(voucher, ReceiptPrinter::iniSettings()));
    const EscPosJobDecoder decoder = EscPosJobDecoder::of(job);
    EXPECT_EQ(decoder.lines(), QStringList{QStringLiteral("PIN 1234")});
    ASSERT_EQ(decoder.items().size(), 2);
    EXPECT_TRUE(decoder.items().last().halfCut);
}

TEST_F(VoucherCommandTest, StatusTellsThePrintersState)
{
    const struct {
        EscPosPrinterSimulator::State state;
        const char* output;
        int status;
    } cases[] = {
        {EscPosPrinterSimulator::State::Ready, "Printer ready\n", VoucherCommand::kDone},
        {EscPosPrinterSimulator::State::PaperNearEnd, "Printer ready, paper near end\n", VoucherCommand::kDone},
        {EscPosPrinterSimulator::State::CoverOpen, "Printer cover open\n", VoucherCommand::kFailed},
        {EscPosPrinterSimulator::State::PaperEnd, "Printer paper end\n", VoucherCommand::kFailed},
    };
    for (const auto& c : cases) {
        EscPosPrinterSimulator printer;
        printer.setState(c.state);
        EXPECT_EQ(run({QStringLiteral("--status"), printer.device()}), c.status) << c.output;
        EXPECT_EQ(output, QString::fromLatin1(c.output));
        EXPECT_EQ(printer.decoded().initialisations(), 0);
    }
    const QString missing = folder.filePath(QStringLiteral("lp9"));
    EXPECT_EQ(run({QStringLiteral("--status"), missing}), VoucherCommand::kFailed);
    EXPECT_EQ(errors, QStringLiteral("pcquiba-voucher: Printer %1 cannot be reached: No such file or directory (57)\n")
                          .arg(missing));
}

} // namespace
