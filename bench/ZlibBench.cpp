// clsZlib reading compressed files: a voucher-sized document, and a file made to exhaust
// memory (1 MB that inflates to 1 GiB), which must be refused after inflating no more than the
// limit. The counter peak_rss_MiB is the process's peak resident memory after the runs.
#include "platform/AutomationError.h"
#include "support/clsZlib.h"
#include "../tests/support/ZlibZeros.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

double peakResidentMebibytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

QByteArray compressed(const QByteArray& plain)
{
    uLongf length = compressBound(uLong(plain.size()));
    QByteArray packed(qsizetype(length), Qt::Uninitialized);
    compress(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(plain.constData()),
             uLong(plain.size()));
    packed.truncate(qsizetype(length));
    return packed;
}

void BM_ReadCompressedVoucher(benchmark::State& state)
{
    QTemporaryDir folder;
    QByteArray voucher;
    for (int i = 0; voucher.size() < 20'000; ++i)
        voucher += "<text a=\"l\">PIN " + QByteArray::number(i * 7919) + " valid 12 months</text>\n";
    const QString path = writeFile(folder, u"voucher.xml"_s, compressed(voucher));
    clsZlib zlib;
    for (auto _ : state)
        benchmark::DoNotOptimize(zlib.Read(path));
    state.SetBytesProcessed(state.iterations() * voucher.size());
}
BENCHMARK(BM_ReadCompressedVoucher)->Unit(benchmark::kMicrosecond);

void BM_RefuseOneMegabyteThatInflatesToAGibibyte(benchmark::State& state)
{
    QTemporaryDir folder;
    const QByteArray bomb = ZlibZeros::stream(qint64(1) << 30);
    const QString path = writeFile(folder, u"bomb.xml"_s, bomb);
    clsZlib zlib;
    qint64 refusals = 0;
    for (auto _ : state) {
        try {
            zlib.Read(path);
        } catch (const AutomationError& error) {
            refusals += quint32(error.number()) == clsZlib::kZlibErrorBase + 5 ? 1 : 0;
        }
    }
    if (refusals != state.iterations())
        state.SkipWithError("the file was not refused with the output space error");
    state.counters["file_MiB"] = double(bomb.size()) / (1 << 20);
    state.counters["limit_MiB"] = double(clsZlib::maximumInflatedSize()) / (1 << 20);
    state.counters["peak_rss_MiB"] = peakResidentMebibytes();
}
BENCHMARK(BM_RefuseOneMegabyteThatInflatesToAGibibyte)->Unit(benchmark::kMillisecond);

} // namespace
