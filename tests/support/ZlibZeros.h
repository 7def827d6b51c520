#pragma once

#include <QByteArray>
#include <QtEndian>
#include <zlib.h>

// A zlib stream of size zero bytes, made without deflating them all: after a full flush a raw
// deflate piece stands alone, so the piece for a mebibyte of zeros is repeated, followed by a
// piece for the rest, the final empty block and the checksum. A gibibyte takes a megabyte.
class ZlibZeros {
public:
    static QByteArray stream(qint64 size)
    {
        QByteArray stream("\x78\x9C", 2);
        const QByteArray mebibyte = rawPiece(kPiece);
        for (qint64 whole = size / kPiece; whole > 0; --whole)
            stream += mebibyte;
        stream += rawPiece(size % kPiece);
        stream += QByteArray("\x03\x00", 2); // final block holding nothing
        // Adler-32 of zeros: the sum stays 1, the sum of sums is the count.
        const quint32 adler = quint32(size % 65521) << 16 | 1u;
        char check[4];
        qToBigEndian(adler, check);
        return stream + QByteArray(check, 4);
    }

private:
    static constexpr qint64 kPiece = 1 << 20;

    static QByteArray rawPiece(qint64 count)
    {
        if (count == 0)
            return {};
        const QByteArray zeros(count, '\0');
        z_stream deflater{};
        deflateInit2(&deflater, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        QByteArray piece(qsizetype(deflateBound(&deflater, uLong(count))) + 64, '\0');
        deflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
        deflater.avail_in = uInt(count);
        deflater.next_out = reinterpret_cast<Bytef*>(piece.data());
        deflater.avail_out = uInt(piece.size());
        deflate(&deflater, Z_FULL_FLUSH);
        piece.truncate(piece.size() - deflater.avail_out);
        deflateEnd(&deflater);
        return piece;
    }
};
