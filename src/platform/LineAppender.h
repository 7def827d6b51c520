#pragma once

#include <QByteArray>
#include <QString>

// Appends lines to a text file in UTF-8, creating its folder when needed. Both are private to
// their owner when made here (PrivateFiles: a log holds customers' data). A line that cannot be
// written is dropped: logging never stops the program. A line is written whole or not at all: a
// short write (a full disk, a file size limit) cuts the file back to the line's start, and a file
// that ends inside a line (a write torn before) gets its line closed before the next one.
class LineAppender {
public:
    // Shown in place of each line break of a text, so that one text stays one line.
    static constexpr char16_t kBreakMark = u'\u23CE';

    // Appends the text as one line: its line breaks are shown as kBreakMark.
    static bool append(const QString& fileName, const QString& line);

    // The text with every line break (CR LF, CR, LF, VT, FF, NEL, and the line and paragraph
    // separators) replaced by one kBreakMark each.
    static QString oneLine(const QString& text);

    // Writes bytes (one line with its end) to the end of the file open for appending on fd, whole
    // or not at all; false when not.
    static bool appendWhole(int fd, QByteArray bytes);

private:
    static bool endsInsideLine(int fd);
    static void cutBack(int fd, qsizetype written);
};
