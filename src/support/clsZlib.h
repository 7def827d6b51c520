#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Files stored whole as one zlib stream (RFC 1950, as zlib's compress writes it at the default
// level, with no header or length of our own) or as plain Windows-1252 text. A file counts as
// compressed when its first two bytes make a valid zlib header. With an extension set,
// compressed files are named with it and plain ones without.
//
// Replacing a file in place goes through FileReplacement: a failure on the way never loses the
// content, and what a killed process left half done is finished or cleared by the next call on
// the same document (its name with or without the extension).
//
// A stream inflates to at most maximumInflatedSize() bytes; a longer one, or a compressed file
// too long to inflate within it, raises 0x80040005 "Insufficient space in output buffer to
// uncompress string" without taking more memory than that.
class clsZlib {
public:
    static inline const QString kClassName = QStringLiteral("clsZlib");

    // Stored with a leading "."; read back without it. "." and the empty text clear it.
    QString Extension() const;
    void setExtension(const QString& extension);

    // Compresses the file in place (renaming it to carry the extension) unless it already is.
    void Compress(const QString& fileName);
    // Decompresses the file in place (dropping the extension from its name) if it is compressed.
    void Decompress(const QString& fileName);
    // Writes text, plain or compressed (then named with the extension), replacing the file.
    void Save(const QString& fileName, const QString& text, bool compressed);
    // The file's text, decompressed first when it is compressed. Raises 53 when the file exists
    // neither under its name nor with the extension.
    QString Read(const QString& fileName);
    // Read for a file whose whole content the caller holds (as IsCompressed hands it back): the
    // text as bytes, one a character, decompressed first when compressed; the same errors.
    QByteArray ReadContent(const QByteArray& content);
    // The name under which the file exists: as given, with the extension added, or with the
    // extension taken off; empty when none of them exists.
    QString ExistingFile(const QString& fileName);
    // True when the file exists, is longer than 2 bytes and starts with a valid zlib header.
    bool IsCompressed(const QString& fileName);
    // The same question for a caller that reads the file next: a file of at most
    // kLargestKeptContent bytes is read whole instead of only its header, and its bytes are
    // handed back through content (left empty for a larger file, or when the answer is false
    // without reading: no such file, not a regular file, too short).
    bool IsCompressed(const QString& fileName, QByteArray& content);
    static constexpr qint64 kLargestKeptContent = 1024 * 1024;

    // The base of the numbers of zlib failures: the number is this plus the absolute zlib code.
    static constexpr quint32 kZlibErrorBase = 0x80040000u;
    static qsizetype maximumInflatedSize();

private:
    QByteArray zCompress(const QByteArray& data);
    QByteArray zDecompress(const QByteArray& data);

    static bool hasZlibHeader(const QByteArray& start);
    static bool startsCompressed(const QString& fileName);
    struct Probe {
        bool compressed = false;
        // What was read: the whole file when it is no longer than asked, else its header.
        QByteArray bytes;
        bool whole = false;
    };
    Probe probe(const QString& fileName, qint64 wholeUpTo);
    static QByteArray readCompressed(const QString& fileName);
    bool endsWithExtension(const QString& fileName) const;
    // The names the document may have: without and with the extension.
    QStringList documentNames(const QString& fileName) const;
    void finishInterruptedReplacement(const QString& fileName) const;

    QString m_extension;
};
