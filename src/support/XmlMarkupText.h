#pragma once

#include <QString>
#include <QStringView>

// The text operations the XML reader takes tags and content apart with. White space here is
// every character with a code below 33 unless a function says otherwise.
class XmlMarkupText {
public:
    // The first word: the run of non-white characters after the leading white space; empty when
    // there is none.
    static QStringView head(QStringView text);
    // What follows the first word and the white space behind it; empty when nothing follows.
    static QStringView tail(QStringView text);
    // Without leading and trailing white space.
    static QStringView trimControls(QStringView text);
    // Without leading and trailing blanks (code 32) only.
    static QStringView trimBlanks(QStringView text);
    // Only tabs, line ends and blanks (true for the empty text).
    static bool isIgnorableWhitespace(QStringView text);
    // The first character at or after from, -1 when there is none. A plain scan: the reader
    // looks for single characters in short tags all the time, and QStringView::indexOf takes
    // each such call through the general search for a string.
    static qsizetype find(QStringView text, QChar character, qsizetype from = 0);
    // Equal texts, compared in line: names and attribute values are a few characters long, and
    // QString's own comparison calls out to a general routine for every pair of equal length.
    static bool same(QStringView a, QStringView b)
    {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i] != b[i])
                return false;
        }
        return true;
    }
    // The part of a qualified name after its first ":", or the whole name.
    static QStringView localName(QStringView qualifiedName);

    // Replaces &lt; &gt; &apos; &quot;, then numeric references, then &amp;, in that order, so
    // that an escaped ampersand is never decoded twice. A numeric reference is decoded only
    // when its ";" comes fewer than 8 characters after its "&"; the first one that does not
    // ends the decoding and leaves the later ones as they are. Codes up to 255 are characters
    // of the Windows-1252 code page, higher codes Unicode characters. A reference that holds no
    // number raises Type mismatch (13).
    static QString unescape(QString text);

private:
    static QString replaceNamedEntities(QStringView text);
    static void decodeNumericReferences(QString& text);
};
