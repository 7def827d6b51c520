#pragma once

#include <QByteArray>
#include <QString>

// Files a test lays out for the code under test.
class TestFiles {
public:
    // Writes `bytes` as the whole file at `path`; false when it could not be written whole.
    static bool write(const QString& path, const QByteArray& bytes);
};
