#pragma once

#include "platform/AutomationError.h"
#include "platform/Variant.h"

#include <optional>

// The public error codes: the automation base for object errors, 0x80040000, plus an offset
// that is also the lexicon key of the code's text.
enum quibaErrors : qint32 {
    quibaGeneralError = qint32(0x80040258),
    quibaNotReady = qint32(0x80040259),
    quibaBusy = qint32(0x8004025A),
    quibaNotSupported = qint32(0x8004025B),
    quibaInvalidArgument = qint32(0x8004025C),
    quibaAssignRequired = qint32(0x8004025D),
    quibaNoBasket = qint32(0x80040262),
    quibaBasketIsEmpty = qint32(0x80040263),
    quibaBasketNotEmpty = qint32(0x80040264),
    quibaBasketIsFull = qint32(0x80040265),
    quibaBasketNotCommitted = qint32(0x80040266),
    quibaBasketIsCommitted = qint32(0x80040267),
    quibaProductNotFound = qint32(0x8004026C),
    quibaItemNotFound = qint32(0x8004026D),
    quibaItemDestroyed = qint32(0x8004026E),
    quibaStartNotFound = qint32(0x8004026F),
    quibaIncompatibleItem = qint32(0x80040270),
    quibaBadDevice = qint32(0x80040276),
    quibaNoPrinterSpecified = qint32(0x80040277),
    quibaFileNotFound = qint32(0x80040278),
};

// The automation base for object errors.
inline constexpr qint32 kObjectErrorBase = qint32(0x80040000);

// The catalogue of codes and their built-in English texts.
class QuibaErrorCatalogue {
public:
    struct Entry {
        quibaErrors code;
        const char* name;
        const char* defaultText;
    };

    static const QList<Entry>& entries();
    // The entry of a catalogued code; nothing for any other number.
    static std::optional<Entry> find(qint32 number);

    // The lexicon section of the error texts and the key of every uncatalogued number.
    static QString lexiconSection();
    static QString unknownKey();
    static QString unknownText();

    // The source of an error raised by a public class: the executable's name immediately
    // followed by the class name ("pcQUIBAAPI").
    static QString sourceName(const QString& className);

    // The error a public operation raises: code, source name and ErrText(code, arguments).
    static AutomationError error(quibaErrors code, const QString& className, const VariantArray& arguments = {});
};
