#include "api/Voucher.h"
#include "common/TestFiles.h"
#include "components/QuibaXmlDocument.h"
#include "fakes/ServiceFixture.h"
#include "support/clsZlib.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
        int stampedRounds = 0;
        for (int round = 0; round < 8; ++round) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                const auto voucher = Voucher::create(path);
                for (int i = 0; i < 1000; ++i)
                    voucher->zWritePrintedTimestamp();
                _exit(0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(20, 150)(random)));
            kill(child, SIGKILL);
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended before it was killed";

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
