#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The code page the printer prints text in, chosen by the PRINTER key printer_code_page:
// Windows-1252 by default, or one of the DOS code pages most ESC/POS printers carry. Text is
// encoded one character a byte; a character the page does not hold, and every control
// character, C1 included (the printer would take it for a command), prints as "?".
class EscPosCodePage {
public:
    // The page of a name ("1252", "cp850", "PC858", ...); Windows-1252 for an unknown name.
    static EscPosCodePage named(const QString& name);
    // True when the name is one of the pages.
    static bool known(const QString& name);

    // The ESC t number that selects the page on the printer.
    quint8 table() const { return m_table; }
    QByteArray encode(const QString& text) const;

private:
    EscPosCodePage() = default;
    // The byte of one UTF-16 code unit: "?" for a control character, a surrogate, or a
    // character the page does not hold.
    char byteOf(char16_t c) const;

    quint8 m_table = 16;
    // The byte of each character above ASCII; empty for Windows-1252, which goes through Ansi.
    QHash<char16_t, char> m_upper;
};
