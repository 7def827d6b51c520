// Typed reads of an unchanged 1,000-key INI file, a whole-section read and one write.

#include "config/clsINIFile.h"
#include "platform/Dictionary.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSections = 10;
constexpr int kKeysPerSection = 100;

// Ten sections of a hundred keys each, with comments and blank lines as real files have them.
QByteArray thousandKeyFile()
{
    QByteArray text = "; pcQUIBA settings\r\n";
    for (int s = 0; s < kSections; ++s) {
        text += "\r\n[SECTION_" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < kKeysPerSection; ++k) {
            if (k % 10 == 0)
                text += "; group " + QByteArray::number(k / 10) + "\r\n";
            text += "key_" + QByteArray::number(k) + " = " + QByteArray::number(s * 1000 + k) + "\r\n";
        }
    }
    return text;
}

struct IniFixture {
    IniFixture()
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(thousandKeyFile()) < 0)
            qFatal("cannot write the benchmark file");
        file.close();
        ini.setFileName(path);
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"pcQUIBA.ini"_s);
    clsINIFile ini;
};

const QString kLastSection = u"SECTION_9"_s;
const QString kLastKey = u"key_99"_s;

void BM_GetString(benchmark::State& state)
{
    IniFixture fixture;
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.ini.GetString(kLastSection, kLastKey));
    if (fixture.ini.GetString(kLastSection, kLastKey) != u"9099"_s)
        state.SkipWithError("wrong value");
}
BENCHMARK(BM_GetString);

void BM_GetLong(benchmark::State& state)
{
    IniFixture fixture;
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.ini.GetLong(kLastSection, kLastKey, -1));
    if (fixture.ini.GetLong(kLastSection, kLastKey, -1) != 9099)
        state.SkipWithError("wrong value");
}
BENCHMARK(BM_GetLong);

void BM_GetLongOfMissingKey(benchmark::State& state)
{
    IniFixture fixture;
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.ini.GetLong(kLastSection, u"absent"_s, -1));
}
BENCHMARK(BM_GetLongOfMissingKey);

void BM_GetSection(benchmark::State& state)
{
    IniFixture fixture;
    for (auto _ : state)
        benchmark::DoNotOptimize(fixture.ini.GetSection(kLastSection));
    if (fixture.ini.GetSection(kLastSection)->count() != kKeysPerSection)
        state.SkipWithError("wrong section");
}
BENCHMARK(BM_GetSection);

// One write replaces the whole 1,000-key file through a temporary file and a rename.
void BM_WriteLong(benchmark::State& state)
{
    IniFixture fixture;
    qint32 value = 0;
    for (auto _ : state)
        fixture.ini.WriteLong(kLastSection, u"key_50"_s, ++value);
    if (fixture.ini.GetLong(kLastSection, u"key_50"_s, -1) != value)
        state.SkipWithError("write lost");
}
BENCHMARK(BM_WriteLong)->Unit(benchmark::kMicrosecond);

// A read right after a write of the file, while its time stamp cannot yet tell a later change
// apart: the file is read again and compared.
void BM_GetLongAfterWrite(benchmark::State& state)
{
    IniFixture fixture;
    qint32 value = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.ini.WriteLong(kLastSection, u"key_50"_s, ++value);
        state.ResumeTiming();
        benchmark::DoNotOptimize(fixture.ini.GetLong(kLastSection, kLastKey, -1));
    }
}
BENCHMARK(BM_GetLongAfterWrite)->Unit(benchmark::kMicrosecond);

} // namespace
