#include "components/UpdatePackage.h"

#include "components/ManifestSignature.h"
#include "components/TrustedKeys.h"
#include "components/UpdatePackageArchive.h"
#include "platform/FileError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <unistd.h>

namespace {

const QRegularExpression& fileLine()
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9a-fA-F]{64}) [ *](.+)$"));
    return pattern;
}

const QString kVersionPrefix = QStringLiteral("version: ");
const QString kKeysFolder = QStringLiteral("share/pcquiba/keys");

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 32 || c.unicode() == 127)
            return true;
    return false;
}

} // namespace

bool UpdatePackage::load(const QString& fileName, const QString& extractTo)
{
    reset(fileName);
    UpdatePackageArchive archive(fileName);
    return readManifest(archive) && readMembers(archive, extractTo);
}

bool UpdatePackage::loadManifest(const QString& fileName)
{
    reset(fileName);
    UpdatePackageArchive archive(fileName);
    return readManifest(archive);
}

void UpdatePackage::reset(const QString& fileName)
{
    m_name = QFileInfo(fileName).fileName();
    m_error.clear();
    m_files.clear();
    m_index.clear();
    m_programInstaller = false;
    m_hasVersion = false;
    m_version = PackageVersion();
    m_signatureRefused = false;
    m_writeError = 0;
}

bool UpdatePackage::failToWrite(const QString& path, int systemError)
{
    m_writeError = systemError ? systemError : EIO;
    return fail(QStringLiteral("cannot write %1: %2").arg(path, FileError::description(m_writeError)));
}

bool UpdatePackage::fail(const QString& why)
{
    m_error = QStringLiteral("Update package %1: %2").arg(m_name, why);
    return false;
}

bool UpdatePackage::readManifest(UpdatePackageArchive& archive)
{
    const auto first = archive.next();
    if (!first)
        return fail(archive.error().isEmpty() ? QStringLiteral("empty archive") : archive.error());
    if (first->path != kManifestName || (first->type != '0' && first->type != '\0'))
        return fail(QStringLiteral("the first member is not the manifest"));
    if (first->size > kMaxManifestSize)
        return fail(QStringLiteral("the manifest is too large"));
    QByteArray text;
    if (!archive.readData([&](const char* data, qint64 size) {
            text.append(data, size);
            return true;
        }))
        return fail(archive.error());
    return parseManifest(text) && readSignature(archive, text);
}

bool UpdatePackage::readSignature(UpdatePackageArchive& archive, const QByteArray& manifest)
{
    const auto second = archive.next();
    if (!second && !archive.error().isEmpty())
        return fail(archive.error());
    QByteArray signature;
    QString why;
    if (!second || second->path != ManifestSignature::kFileName || (second->type != '0' && second->type != '\0'))
        why = ManifestSignature::kNotSigned;
    else if (second->size > ManifestSignature::kMaxFileSize)
        why = ManifestSignature::kNotMinisign;
    else if (!archive.readData([&](const char* data, qint64 size) {
                 signature.append(data, size);
                 return true;
             }))
        return fail(archive.error());
    else
        why = ManifestSignature::verify(manifest, signature, TrustedKeys::load());
    if (why.isEmpty())
        return true;
    m_signatureRefused = true;
    return fail(why);
}

bool UpdatePackage::parseManifest(const QByteArray& text)
{
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).remove(QLatin1Char('\r')).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')) && !parseLine(line, i + 1))
            return false;
    }
    if (m_files.isEmpty())
        return fail(QStringLiteral("the manifest names no files"));
    if (!m_hasVersion)
        return fail(QStringLiteral("the manifest has no version line"));
    return true;
}

bool UpdatePackage::parseLine(const QString& line, qsizetype number)
{
    const auto notUnderstood = [&] { return fail(QStringLiteral("manifest line %1 is not understood").arg(number)); };
    if (line == QStringLiteral("installer: program") || line == QStringLiteral("installer: component")) {
        m_programInstaller = line.endsWith(QStringLiteral("program"));
        return true;
    }
    if (line.startsWith(kVersionPrefix)) {
        const auto version = PackageVersion::parse(line.mid(kVersionPrefix.size()));
        if (!version || m_hasVersion)
            return notUnderstood();
        m_version = *version;
        m_hasVersion = true;
        return true;
    }
    const auto match = fileLine().match(line);
    if (!match.hasMatch())
        return notUnderstood();
    const QString path = match.captured(2);
    if (!isSafePath(path))
        return fail(QStringLiteral("the manifest names an unsafe path %1").arg(path));
    if (isReservedPath(path))
        return fail(QStringLiteral("the manifest names %1, which only the kiosk writes").arg(path));
    if (m_index.contains(path))
        return fail(QStringLiteral("the manifest names %1 twice").arg(path));
    if (m_files.size() >= kMaxFiles)
        return fail(QStringLiteral("the manifest names too many files"));
    m_index.insert(path, m_files.size());
    m_files.append({path, match.captured(1).toLower().toLatin1(), false});
    return true;
}

bool UpdatePackage::readMembers(UpdatePackageArchive& archive, const QString& extractTo)
{
    QSet<QString> seen;
    qint64 total = 0;
    int folders = 0;
    while (const auto member = archive.next()) {
        QString path = member->path;
        if (member->type == '5' && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        if (!isSafePath(path))
            return fail(QStringLiteral("member %1 has an unsafe path").arg(member->path));
        if (member->type == '1' || member->type == '2')
            return fail(QStringLiteral("member %1 is a link").arg(path));
        if (member->type != '0' && member->type != '\0' && member->type != '5')
            return fail(QStringLiteral("member %1 is not a plain file").arg(path));
        // Whatever a member declares is read through, a folder's too: all of it is bounded.
        total += member->size;
        if (total > m_maxTotalSize)
            return fail(QStringLiteral("the files are too large together"));
        // Folders carry no data but cost a header each: bounded like files.
        if (member->type == '5' && ++folders > kMaxFolders)
            return fail(QStringLiteral("more than %1 folders").arg(kMaxFolders));
        if (member->type == '5')
            continue;
        const auto listed = m_index.constFind(path);
        if (listed == m_index.constEnd())
            return fail(QStringLiteral("member %1 is not in the manifest").arg(path));
        if (seen.contains(path))
            return fail(QStringLiteral("member %1 appears twice").arg(path));
        seen.insert(path);

        File& file = m_files[*listed];
        file.executable = (member->mode & 0111) != 0;
        // Unbuffered, and closed here: a disk that fills up is met at the write that fills it,
        // never at a close nobody checks (a short file would have been installed).
        QFile out;
        if (!extractTo.isEmpty()) {
            const QString target = QDir(extractTo).filePath(path);
            errno = 0;
            if (!QDir().mkpath(QFileInfo(target).path()))
                return failToWrite(path, errno);
            out.setFileName(target);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
                return failToWrite(path, errno);
        }
        QCryptographicHash hash(QCryptographicHash::Sha256);
        int writeError = 0;
        if (!archive.readData([&](const char* data, qint64 size) {
                hash.addData(QByteArrayView(data, size));
                errno = 0;
                if (out.isOpen() && out.write(data, size) != size)
                    writeError = errno ? errno : EIO;
                return writeError == 0;
            }))
            return writeError ? failToWrite(path, writeError) : fail(archive.error());
        if (writeError)
            return failToWrite(path, writeError);
        if (out.isOpen()) {
            errno = 0;
            if (!out.flush() || (::fsync(out.handle()) != 0))
                return failToWrite(path, errno);
            out.close();
        }
        if (hash.result().toHex() != file.sha256)
            return fail(QStringLiteral("checksum of %1 does not match").arg(path));
    }
    if (!archive.error().isEmpty())
        return fail(archive.error());
    for (const File& file : std::as_const(m_files))
        if (!seen.contains(file.path))
            return fail(QStringLiteral("%1 of the manifest is missing").arg(file.path));
    return true;
}

bool UpdatePackage::isPlainName(const QString& name)
{
    return !name.isEmpty() && isSafePath(name) && !name.contains(QLatin1Char('/'));
}

bool UpdatePackage::isSafePath(const QString& path)
{
    if (path.isEmpty() || path.contains(QLatin1Char('\\')) || hasControlCharacter(path))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QStringLiteral(".") || part == QStringLiteral(".."))
            return false;
    return true;
}

bool UpdatePackage::isReservedPath(const QString& path)
{
    return path == kVersionRecord || path == kKeysFolder || path.startsWith(kKeysFolder + QLatin1Char('/'));
}

QByteArray UpdatePackage::fileChecksum(const QString& fileName)
{
    const int descriptor = UpdatePackageArchive::openRegularFile(fileName);
    QFile file;
    if (descriptor < 0 || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (descriptor >= 0)
            ::close(descriptor);
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result().toHex();
}
