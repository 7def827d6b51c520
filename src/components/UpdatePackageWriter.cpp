#include "components/UpdatePackageWriter.h"

#include "components/ManifestSignature.h"
#include "components/UpdatePackage.h"
#include "components/UpdatePackageArchive.h"

#include <QCryptographicHash>
#include <QFile>
#include <array>
#include <cstring>
#include <zlib.h>

namespace {

constexpr int kBlock = UpdatePackageArchive::kBlockSize;

void putOctal(char* field, int length, qint64 value)
{
    const QByteArray digits = QByteArray::number(value, 8).rightJustified(length - 1, '0');
    std::memcpy(field, digits.constData(), size_t(std::min<qsizetype>(digits.size(), length - 1)));
}

void putText(char* field, int length, const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    std::memcpy(field, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), length)));
}

std::array<char, kBlock> header(const UpdatePackageWriter::Member& member)
{
    std::array<char, kBlock> block{};
    putText(block.data(), 100, member.path);
    putOctal(block.data() + 100, 8, member.mode);
    putOctal(block.data() + 108, 8, 0);
    putOctal(block.data() + 116, 8, 0);
    putOctal(block.data() + 124, 12, member.declaredSize.value_or(member.data.size()));
    putOctal(block.data() + 136, 12, 0);
    block[156] = member.type;
    putText(block.data() + 157, 100, member.linkTarget);
    std::memcpy(block.data() + 257, "ustar\0" "00", 8);
    std::memset(block.data() + 148, ' ', 8);
    unsigned sum = 0;
    for (char c : block)
        sum += static_cast<unsigned char>(c);
    putOctal(block.data() + 148, 7, sum);
    return block;
}

} // namespace

void UpdatePackageWriter::addFile(const QString& path, const QByteArray& data, bool executable)
{
    m_files.append({path, data, '0', executable ? 0755u : 0644u, {}, std::nullopt});
}

void UpdatePackageWriter::addMember(const Member& member)
{
    m_members.append(member);
}

QByteArray UpdatePackageWriter::manifest() const
{
    if (m_manifest)
        return *m_manifest;
    QByteArray text = "# pcQUIBA update package\nversion: " + m_version.toUtf8() + '\n';
    text += m_programInstaller ? "installer: program\n" : "installer: component\n";
    for (const Member& file : m_files)
        text += QCryptographicHash::hash(file.data, QCryptographicHash::Sha256).toHex() + "  " + file.path.toUtf8()
            + '\n';
    return text;
}

bool UpdatePackageWriter::write(const QString& fileName) const
{
    gzFile out = gzopen(QFile::encodeName(fileName).constData(), "wb");
    if (!out)
        return false;
    QList<Member> all{{UpdatePackage::kManifestName, manifest(), '0', 0644, {}, std::nullopt}};
    if (m_signature && !m_unsigned)
        all.append({ManifestSignature::kFileName, *m_signature, '0', 0644, {}, std::nullopt});
    all += m_files;
    all += m_members;
    bool ok = true;
    for (const Member& member : all) {
        const auto block = header(member);
        ok = ok && gzwrite(out, block.data(), kBlock) == kBlock;
        if (!member.data.isEmpty())
            ok = ok && gzwrite(out, member.data.constData(), unsigned(member.data.size())) == member.data.size();
        const qsizetype padding = (kBlock - member.data.size() % kBlock) % kBlock;
        const std::array<char, kBlock> zeros{};
        if (padding)
            ok = ok && gzwrite(out, zeros.data(), unsigned(padding)) == padding;
    }
    const std::array<char, 2 * kBlock> end{};
    ok = ok && gzwrite(out, end.data(), unsigned(end.size())) == int(end.size());
    return gzclose(out) == Z_OK && ok;
}
