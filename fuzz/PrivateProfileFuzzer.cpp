// Reads arbitrary bytes as a profile (INI) file and checks that the bytes come back unchanged,
// that every section and key it lists can be looked up, and that edits read back as written
// and leave bytes that parse to the same sections and keys.
#include "platform/ProfileFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The file's sections and keys as the lookups see them.
QStringList outline(const ProfileFile& file)
{
    QStringList lines;
    for (const QString& section : file.sectionNames())
        lines.append(u'[' + section + u']' + file.entries(section).join(u'\n'));
    return lines;
}

// An edit must read back and must be what a fresh parse of its bytes finds; the bytes, partly
// copied from the source, must be the encoded text.
void checkReparse(const ProfileFile& file)
{
    const QByteArray bytes = file.toBytes();
    check(bytes == file.encoding().encode(file.toText()));
    const ProfileFile reparsed = ProfileFile::fromBytes(bytes);
    check(reparsed.encoding() == file.encoding());
    check(outline(reparsed) == outline(file));
}

void checkLookups(const ProfileFile& file)
{
    for (const QString& section : file.sectionNames()) {
        check(file.hasSection(section));
        for (const QString& entry : file.entries(section)) {
            const QString key = entry.left(entry.indexOf(u'='));
            check(file.value(section, key).has_value());
        }
    }
}

void checkEdits(const ProfileFile& parsed)
{
    const QString fuzz = QStringLiteral("FUZZ");
    const QString key = QStringLiteral("key");

    ProfileFile edited = parsed;
    edited.setValue(fuzz, key, QStringLiteral("v1"));
    check(edited.value(QStringLiteral("fuzz"), QStringLiteral("KEY")) == QStringLiteral("v1"));
    checkReparse(edited);

    edited.removeKey(fuzz, key);
    check(!edited.value(fuzz, key).has_value());
    checkReparse(edited);

    edited.replaceSection(fuzz, {QStringLiteral("a=1"), QStringLiteral("b = 2")});
    check(edited.entries(fuzz) == QStringList({QStringLiteral("a=1"), QStringLiteral("b=2")}));
    checkReparse(edited);

    edited.removeSection(fuzz);
    check(!edited.hasSection(fuzz));
    checkReparse(edited);

    // The file's own first key, replaced in place.
    const QStringList sections = parsed.sectionNames();
    if (sections.isEmpty() || parsed.entries(sections.first()).isEmpty())
        return;
    const QString entry = parsed.entries(sections.first()).first();
    const QString ownKey = entry.left(entry.indexOf(u'='));
    ProfileFile own = parsed;
    own.setValue(sections.first(), ownKey, QStringLiteral("v2"));
    check(own.value(sections.first(), ownKey) == QStringLiteral("v2"));
    checkReparse(own);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ProfileFile file = ProfileFile::fromBytes(bytes);
    const ProfileEncoding& encoding = file.encoding();
    check(file.toText() == encoding.decode(bytes));
    // Windows-1252 and whole UTF-16LE files come back byte for byte.
    if (encoding.kind() == ProfileEncoding::Kind::Ansi
        || (encoding.kind() == ProfileEncoding::Kind::Utf16LE && size % 2 == 0))
        check(file.toBytes() == bytes);
    checkLookups(file);
    checkEdits(file);
    return 0;
}
