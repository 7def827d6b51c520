// Typed reads of an unchanged 1,000-key INI file, a whole-section read and one write; writes into
// a 2.6 MB file of 200,000 keys against copying that file.

#include "config/clsINIFile.h"
#include "platform/Dictionary.h"
#include "platform/FileReplacer.h"
#include "platform/ProfileCache.h"

#include <QFile>
#include <QFileInfo>
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

// For comparison: the same read when the file has to be read and parsed every time.
void BM_GetLongWithoutCache(benchmark::State& state)
{
    IniFixture fixture;
    for (auto _ : state) {
        ProfileCache::clear();
        benchmark::DoNotOptimize(fixture.ini.GetLong(kLastSection, kLastKey, -1));
    }
}
BENCHMARK(BM_GetLongWithoutCache)->Unit(benchmark::kMicrosecond);

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

constexpr int kLargeSections = 2000;
const QString kMiddleSection = u"S1000"_s;

// 200,000 keys in 2,000 sections: about 2.6 MB.
QByteArray largeFile()
{
    QByteArray text;
    text.reserve(2700000);
    for (int s = 0; s < kLargeSections; ++s) {
        text += "[S" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < kKeysPerSection; ++k)
            text += "key" + QByteArray::number(k) + "=" + QByteArray::number(s * 100 + k) + "\r\n";
    }
    return text;
}

struct LargeFixture {
    explicit LargeFixture(benchmark::State& state)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(largeFile()) < 0)
            qFatal("cannot write the benchmark file");
        file.close();
        ini.setFileName(path);
        state.counters["bytes"] = double(QFileInfo(path).size());
        // The process has read the file before, as the program has at any write.
        if (ini.GetLong(kMiddleSection, u"key0"_s, -1) != 100000)
            state.SkipWithError("wrong file");
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"pcQUIBA.ini"_s);
    clsINIFile ini;
};

// One write of an existing key of the large file: read, change, replace.
void BM_WriteLongIntoLargeFile(benchmark::State& state)
{
    LargeFixture fixture(state);
    qint32 value = 0;
    for (auto _ : state)
        fixture.ini.WriteLong(kMiddleSection, u"key50"_s, ++value);
    if (fixture.ini.GetLong(kMiddleSection, u"key50"_s, -1) != value)
        state.SkipWithError("write lost");
}
BENCHMARK(BM_WriteLongIntoLargeFile)->Unit(benchmark::kMillisecond);

// A new key in the middle of the large file, then its removal: two writes per iteration.
void BM_AddAndEraseKeyInLargeFile(benchmark::State& state)
{
    LargeFixture fixture(state);
    for (auto _ : state) {
        fixture.ini.WriteLong(kMiddleSection, u"extra"_s, 1);
        fixture.ini.EraseKey(kMiddleSection, u"extra"_s);
    }
    if (fixture.ini.KeyExists(kMiddleSection, u"extra"_s) || fixture.ini.GetLong(u"S1999"_s, u"key99"_s, -1) != 199999)
        state.SkipWithError("wrong file");
}
BENCHMARK(BM_AddAndEraseKeyInLargeFile)->Unit(benchmark::kMillisecond);

// The yardstick: copying the file as safely as a write replaces it (read it, write a temporary
// copy, sync, rename).
void BM_CopyLargeFileSafely(benchmark::State& state)
{
    LargeFixture fixture(state);
    const QString copy = fixture.folder.filePath(u"copy.ini"_s);
    for (auto _ : state) {
        QFile file(fixture.path);
        if (!file.open(QIODevice::ReadOnly) || !FileReplacer::replaceFile(copy, file.readAll()))
            state.SkipWithError("copy failed");
    }
}
BENCHMARK(BM_CopyLargeFileSafely)->Unit(benchmark::kMillisecond);

// And a plain copy, without the sync.
void BM_CopyLargeFilePlainly(benchmark::State& state)
{
    LargeFixture fixture(state);
    const QString copy = fixture.folder.filePath(u"copy.ini"_s);
    for (auto _ : state) {
        QFile::remove(copy);
        if (!QFile::copy(fixture.path, copy))
            state.SkipWithError("copy failed");
    }
}
BENCHMARK(BM_CopyLargeFilePlainly)->Unit(benchmark::kMillisecond);

} // namespace
