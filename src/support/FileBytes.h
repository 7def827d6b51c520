#pragma once

#include <QByteArray>
#include <QString>

// Whole files as bytes, with the runtime's error numbers for what goes wrong: 53 for a
// missing file, 76 for a missing folder, 70 for missing rights, 75 for any other refusal and 57
// for a failed read or write.
class FileBytes {
public:
    static QByteArray read(const QString& path);
    // At most count bytes from the start.
    static QByteArray readFirst(const QString& path, qsizetype count);
    // Writes to a temporary file in the same folder and renames it over path, so that path holds
    // either its old content or all of the new one, whatever fails on the way.
    static void write(const QString& path, const QByteArray& bytes);
    static void remove(const QString& path);
};
