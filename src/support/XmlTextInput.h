#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QStringView>

// XML text handed to the reader, read as bytes in parts like a file: either characters of the
// Windows-1252 code page, one byte each, or those bytes themselves. The reader then holds only
// the part it is working on, so a document of any size costs the same per byte. The text is
// not copied: it must outlive the device.
class XmlTextInput : public QIODevice {
public:
    explicit XmlTextInput(QStringView windows1252);
    explicit XmlTextInput(QByteArrayView bytes);

    // Whether the bytes decode as UTF-8 (a sequence cut off by the end of the text aside), as
    // Utf8Decoder decodes them. Only the runs of bytes from 128 up are decoded to find out.
    bool isUtf8() const;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    quint8 byteAt(qsizetype index) const;
    // The first index from from whose byte may be 128 or more (or the end).
    qsizetype skipAscii(qsizetype from) const;
    void copyBytes(qsizetype from, qsizetype count, char* out) const;

    QStringView m_characters;
    QByteArrayView m_bytes;
    bool m_isCharacters;
    qsizetype m_size;
    qsizetype m_read = 0;
};
