#include "api/Voucher.h"
#include "common/RepeatingChild.h"
#include "common/TestFiles.h"
#include "components/QuibaXmlDocument.h"
#include "fakes/ServiceFixture.h"
#include "support/clsZlib.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <random>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLines = 20000;

class VoucherRewriteTest : public ServiceFixture {
protected:
    // A voucher large enough that every rewrite takes a while, so kills land inside writes.
    QString writeLargeVoucher(bool compressed)
    {
        QByteArray body = "<document>";
        for (int i = 0; i < kLines; ++i)
            body += "<text f='C'>Line " + QByteArray::number(i) + " of the voucher</text>";
        body += "</document>";
        const QString path = folder.filePath(u"large.xml"_s);
        EXPECT_TRUE(TestFiles::write(path, body));
        if (compressed)
            clsZlib().Compress(path);
        return path;
    }

    QTemporaryDir folder;
};

TEST_F(VoucherRewriteTest, AChildKilledWhileStampingNeverLeavesADamagedFile)
{
    std::mt19937 random(20261210);
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        const QString path = writeLargeVoucher(compressed);
        const auto voucher = Voucher::create(path);
        int stampedRounds = 0;
        for (int round = 0; round < 8; ++round) {
            RepeatingChild child([&] { voucher->zWritePrintedTimestamp(); });
            ASSERT_TRUE(child.started());
            // After none, one or two whole stamps, at a random moment of the next one.
            ASSERT_TRUE(child.waitForWrites(round % 3)) << "round " << round;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 150)(random)));
            ASSERT_TRUE(child.kill()) << "the child ended before it was killed";

            // The voucher is whole: the old or the new document, every line in it.
            QuibaXmlDocument document;
            ASSERT_NO_THROW(document.Load(path)) << "round " << round;
            EXPECT_EQ(document.PrettyXML().count(u"<text "_s), kLines);
            EXPECT_EQ(clsZlib().IsCompressed(path), compressed);
            if (!document.printedTimestamp().isEmpty())
                ++stampedRounds;
        }
        // The children did rewrite the file between the kills.
        EXPECT_GT(stampedRounds, 0);
    }
}

} // namespace
