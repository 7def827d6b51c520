#pragma once

#include <QString>

// The section names of the INI file, upper case as they stand in the file.
class IniSections {
public:
    static inline const QString General = QStringLiteral("GENERAL");
    static inline const QString Info = QStringLiteral("INFO");
    static inline const QString Api = QStringLiteral("API");
    static inline const QString Files = QStringLiteral("FILES");
    static inline const QString Skins = QStringLiteral("SKINS");
    static inline const QString Gui = QStringLiteral("GUI");
    static inline const QString Keyboard = QStringLiteral("KEYBOARD");
    static inline const QString BarcodeReader = QStringLiteral("BARCODE_READER");
    static inline const QString CardReader = QStringLiteral("CARD_READER");
    static inline const QString Checkout = QStringLiteral("CHECKOUT");
    static inline const QString Printer = QStringLiteral("PRINTER");
    static inline const QString Host = QStringLiteral("HOST");
    static inline const QString Eftpos = QStringLiteral("EFTPOS");
    static inline const QString Quartermaster = QStringLiteral("QUARTERMASTER");
    static inline const QString Commands = QStringLiteral("COMMANDS");
    static inline const QString Operators = QStringLiteral("OPERATORS");
    static inline const QString Logging = QStringLiteral("LOGGING");
    static inline const QString ProductIndex = QStringLiteral("PRODUCT_INDEX");
    static inline const QString HardwareId = QStringLiteral("HARDWARE_ID");
    static inline const QString AssignCode1 = QStringLiteral("ASSIGN_CODE_1");
    static inline const QString AssignCode2 = QStringLiteral("ASSIGN_CODE_2");
    static inline const QString Fleet = QStringLiteral("FLEET");
};
