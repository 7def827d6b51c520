// Checking an update package's signature: a MANIFEST of 1 MiB (the largest a package may carry,
// some 12,000 file lines) signed by the real minisign, checked with libsodium against one trusted
// key and against a folder of 64 (the most read from one folder). Needs `minisign` on the PATH.
#include "components/ManifestSignature.h"
#include "components/MinisignKey.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Signed {
    QByteArray manifest;
    QByteArray signature;
    MinisignKey key;
};

bool runMinisign(const QStringList& arguments)
{
    QProcess minisign;
    minisign.start(QStringLiteral("minisign"), arguments);
    minisign.closeWriteChannel();
    return minisign.waitForFinished(-1) && minisign.exitCode() == 0;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const Signed& signedManifest()
{
    static const Signed made = [] {
        QTemporaryDir folder;
        const QString manifest = folder.filePath(QStringLiteral("MANIFEST"));
        QByteArray text = "version: 1.0.0\ninstaller: component\n";
        for (int i = 0; text.size() < 1024 * 1024 - 100; ++i)
            text += QByteArray(64, 'a') + "  share/pcquiba/file" + QByteArray::number(i) + '\n';
        QFile out(manifest);
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
            return Signed{};
        out.close();
        const QString pub = folder.filePath(QStringLiteral("k.pub"));
        const QString sec = folder.filePath(QStringLiteral("k.key"));
        if (!runMinisign({QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-p"), pub, QStringLiteral("-s"), sec})
            || !runMinisign({QStringLiteral("-S"), QStringLiteral("-s"), sec, QStringLiteral("-m"), manifest}))
            return Signed{};
        return Signed{text, readAll(manifest + QStringLiteral(".minisig")), *MinisignKey::fromFile(pub)};
    }();
    return made;
}

void BM_VerifyOneMebibyteManifest(benchmark::State& state)
{
    const Signed& made = signedManifest();
    if (made.manifest.isEmpty()) {
        state.SkipWithError("minisign could not make the signed manifest");
        return;
    }
    // Other keys first, so that the signer's is found last among them.
    QList<MinisignKey> keys;
    for (int i = 1; i < state.range(0); ++i) {
        QByteArray other = "untrusted comment: other\n";
        QByteArray body = "Ed" + QByteArray(8, char(i)) + QByteArray(32, char(i));
        keys.append(*MinisignKey::fromText(other + body.toBase64() + '\n'));
    }
    keys.append(made.key);
    for (auto _ : state) {
        const QString why = ManifestSignature::verify(made.manifest, made.signature, keys);
        if (!why.isEmpty()) {
            state.SkipWithError(why.toStdString().c_str());
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * made.manifest.size());
    state.counters["manifest_bytes"] = double(made.manifest.size());
}
BENCHMARK(BM_VerifyOneMebibyteManifest)->Arg(1)->Arg(64)->Unit(benchmark::kMicrosecond);

} // namespace
