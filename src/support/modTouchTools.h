#pragma once

#include "platform/RegistryReader.h"
#include "platform/Variant.h"

#include <QString>
#include <functional>

class QWidget;

// Small stateless helpers shared by the whole program: text tests, quoting, word splitting,
// a registry reader, a folder-path creator and array flattening. None of them writes a trace
// line.
class modTouchTools {
public:
    // The number and text raised by ReadRegistryValue for a value it cannot decode.
    static constexpr qint32 UnsupportedValueTypeError = RegistryReader::UnsupportedValueTypeError;
    static QString unsupportedValueTypeText();

    // True for a numeric value other than 0, and for the texts TRUE, T, YES, Y, ON (blanks
    // around them and case ignored); False for everything else, Null and objects included.
    static bool IsTrueText(const Variant& value);
    // The quote, the value's text with every quote doubled, and the quote again. Null is
    // written as the word Null.
    static QString QuoteText(const Variant& value, const QString& quote);

    // True when the folder exists afterwards; missing parents are created first. A trailing
    // "/" is dropped; an existing file of that name, or a relative path whose first folder
    // does not exist, gives False.
    static bool CreateFolderPath(const QString& path);
    // The folder above a path: the text before its last "/", "/" for "/name", empty for a name
    // without a "/".
    static QString ParentFolderName(const QString& path);
    // Every non-array element, depth first, in one array.
    static VariantArray FlattenArray(const VariantArray& array);

    // The first run of characters with codes 33 and above, after leading blanks and control
    // characters; empty when there is none.
    static QString FirstWord(const QString& text);
    // The text from the start of its second word on; empty when there is no second word.
    static QString AfterFirstWord(const QString& text);

    // The predefined root handle of a root name (trimmed, any case): "HKCR" or one of the
    // seven HKEY_ names; 0 for any other name.
    static quint32 RegistryRootKey(const QString& name);
    // A value of the registry stand-in, decoded as RegistryReader::readValue decodes it.
    static Variant ReadRegistryValue(quint32 root, const QString& keyPath, const QString& valueName,
                                     const Variant& defaultValue = {});

    static bool EndsWithText(const QString& text, const QString& ending, bool ignoreCase);
    static bool StartsWithText(const QString& text, const QString& beginning, bool ignoreCase);

    // For each pattern character at position i (from 1): its position p in the alphabet; p at
    // the alphabet's end takes the value's character at i, another p the value's character at
    // p, no p copies the pattern character. Positions past the value's end give nothing.
    static QString MapCharacters(const QString& value, const QString& pattern, const QString& alphabet);

    // The text up to its first NUL, or the whole text.
    static QString CutAtNul(const QString& text);

    // True when one of the program's loaded forms has that name (case ignored).
    static bool IsFormLoaded(const QString& formName);
    // Clicks the control with the left button from the event loop: after the posting call has
    // returned and no event relay is under way (EventRelay), in posting order. A
    // missing, disabled or unloading control receives nothing; nothing is ever raised.
    // `prepare`, when given, runs right before the click, in the same turn of the event loop.
    static void PostClick(QWidget* control, std::function<void()> prepare = {});
};
