// Feeds the input as a voucher file, once as it is and once compressed, through the markup
// interpreter: whatever the bytes, the call either returns or raises an automation error,
// and every PrintBegin and PrintVoucher it raised is matched by its end.
#include "api/VoucherMarkup.h"
#include "controller/PrintEvents.h"
#include "platform/AutomationError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

QTemporaryDir& scratchFolder()
{
    static QTemporaryDir folder(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/markupfuzz-XXXXXX"_s
                                                              : QDir::tempPath() + u"/markupfuzz-XXXXXX"_s);
    return folder;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

QByteArray compressed(const QByteArray& bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.constData()),
                 uLong(bytes.size()))
        != Z_OK)
        std::abort();
    out.truncate(qsizetype(size));
    return out;
}

// Counts open jobs and vouchers; an end without its begin is a fault as well.
class DepthCheck : public PrintEvents {
public:
    void RaisePrintBegin(qint16 numberOfDocuments) override
    {
        if (numberOfDocuments != 1)
            std::abort();
        ++jobs;
    }
    void RaisePrintVoucher(const QString&) override { ++vouchers; }
    void RaisePrintText(const QString&, const QString&, qint16, qint16, const QString&, qint16,
                        const QString&) override
    {
    }
    void RaisePrintLine(qint16) override {}
    void RaisePrintBarcode(const QString&, qint16, qint16, const QString&, const QString&) override {}
    void RaisePrintGraphicsBegin(const QString& verticalAlignment) override
    {
        if (verticalAlignment != u"t" && verticalAlignment != u"m" && verticalAlignment != u"b")
            std::abort();
    }
    void RaisePrintImage(const QString&, const QString&) override {}
    void RaisePrintGraphicsEnd() override {}
    void RaisePrintCut(bool&) override {}
    void RaisePrintVoucherEnd() override { --vouchers; }
    void RaisePrintEnd() override
    {
        if (--jobs < 0 || vouchers != 0)
            std::abort();
    }

    int jobs = 0;
    int vouchers = 0;
};

void check(const QString& path)
{
    DepthCheck target;
    VoucherPrintState state;
    VoucherMarkup markup(target, state, {scratchFolder().path(), u"bmp"_s});
    try {
        markup.RaisePrintEvents(path);
    } catch (const AutomationError&) {
        if (markup.complete())
            std::abort();
    }
    if (target.jobs != 0 || target.vouchers != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = QDir(scratchFolder().path()).filePath(u"voucher.xml"_s);
    writeFile(path, bytes);
    check(path);
    writeFile(path, compressed(bytes));
    check(path);
    return 0;
}
