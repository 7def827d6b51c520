#pragma once

#include <QByteArrayView>
#include <QString>

// The XML reader's UTF-8 decoding. It is lenient the way the reader has always been: a lead
// byte announces one to five continuation bytes and gives its low bits, a byte that cannot
// start a sequence (a stray continuation byte, 0xFE, 0xFF) stands for the character of that
// code, and overlong forms are taken at their value. Only a continuation byte of the wrong
// form, or a value beyond the last Unicode character, is refused.
class Utf8Decoder {
public:
    enum class Status { Decoded, NotUtf8 };

    struct Result {
        // How many bytes from the front were decoded; the rest is one sequence that runs past
        // the end and must wait for the next bytes.
        qsizetype used = 0;
        Status status = Status::Decoded;
    };

    // Appends the characters of the complete sequences of bytes to text. Characters above
    // U+FFFF become a surrogate pair.
    static Result decode(QByteArrayView bytes, QString& text);
};
