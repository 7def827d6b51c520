#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Replaces a file with new content, possibly under another name (a document and its compressed
// sibling), so that a process killed at any point leaves the old file or the new one once the
// next recover() on the same names has run, never both and never a half-written one.
//
// The new content is written under a fixed partial name beside the target; a decision mark
// beside the target then says the replacement is to be finished; the content is renamed over
// the target, the source removed, and the mark removed last. A partial file without a mark is
// an unfinished write and goes; with a mark, the replacement is finished. Fixed names mean a
// crash leaves at most one stray file per name.
class FileReplacement {
public:
    // Writes bytes as target's content and removes source when it is another file.
    static void replace(const QString& source, const QString& target, const QByteArray& bytes);
    // Finishes or clears what an interrupted replace() left among these names (the names one
    // document may have: a replacement's source and target are both among them).
    static void recover(const QStringList& names);

    // Hidden files beside the target: ".name.partial" and ".name.replacing".
    static QString partialName(const QString& target);
    static QString markName(const QString& target);

private:
    static void finish(const QString& target, const QStringList& names);
};
