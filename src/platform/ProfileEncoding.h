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
    // The text as the file will hold it: what a reader of the file gets back for it
    // (Windows-1252 turns the characters it lacks into "?").
    QString stored(const QString& text) const;

    bool operator==(const ProfileEncoding& other) const = default;

private:
    QByteArray byteOrderMark() const;

    Kind m_kind = Kind::Ansi;
};
