#pragma once

#include <QByteArray>
#include <QString>

// How a profile (INI) file stores its text. Windows tools write UTF-16LE or UTF-8 files that
// start with a byte-order mark; every other file is Windows-1252, byte for byte. A file is
// written back in the encoding it was read in, its mark included.
class ProfileEncoding {
public:
    enum class Kind { Ansi, Utf8, Utf16LE };

    ProfileEncoding() = default;
    explicit ProfileEncoding(Kind kind) : m_kind(kind) {}

    // The encoding of a file's bytes, by its byte-order mark.
    static ProfileEncoding detect(const QByteArray& bytes);

    Kind kind() const { return m_kind; }
    // The text after the byte-order mark.
    QString decode(const QByteArray& bytes) const;
    // The bytes of the whole file, byte-order mark first.
    QByteArray encode(const QString& text) const;
    QByteArray byteOrderMark() const;
    // Bytes per character when that is fixed (Windows-1252: 1, UTF-16LE: 2), else 0 (UTF-8).
    int fixedWidth() const;
    // For a fixed width: writes the bytes of a piece of text at out and returns the end, so
    // that a large file is encoded piece by piece into one buffer.
    char* write(char* out, QStringView text) const;
    // The text as the file will hold it: what a reader of the file gets back for it
    // (Windows-1252 turns the characters it lacks into "?").
    QString stored(const QString& text) const;

    bool operator==(const ProfileEncoding& other) const = default;

private:
    Kind m_kind = Kind::Ansi;
};
