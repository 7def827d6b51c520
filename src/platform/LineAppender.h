#pragma once

#include <QString>

// Appends lines to a text file in UTF-8, creating its folder when needed. Both are private to
// their owner when made here (PrivateFiles: a log holds customers' data). A line that cannot be
// written is dropped: logging never stops the program.
class LineAppender {
public:
    // Shown in place of each line break of a text, so that one text stays one line.
    static constexpr char16_t kBreakMark = u'\u23CE';

    // Appends the text as one line: its line breaks are shown as kBreakMark.
    static bool append(const QString& fileName, const QString& line);

    // The text with every line break (CR LF, CR, LF, VT, FF, NEL, and the line and paragraph
    // separators) replaced by one kBreakMark each.
    static QString oneLine(const QString& text);
};
