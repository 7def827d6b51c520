#pragma once

#include <QString>

// Appends lines to a text file in UTF-8, creating its folder when needed. A line that cannot be
// written is dropped: logging never stops the program.
class LineAppender {
public:
    static bool append(const QString& fileName, const QString& line);
};
