#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>

// Reads an ESC/POS stream as a printer does, written from the command reference independently
// of the program's encoder: text lines with the settings in force, barcodes, raster images
// (consecutive raster commands of one width make one image), cuts, and what it cannot read.
// A real-time status request (DLE EOT n) is answered through the given function.
class EscPosJobDecoder {
public:
    struct Item {
        enum class Kind { Text, Barcode, Symbol2D, Image, Cut, Unknown };
        Kind kind = Kind::Text;
        // Text: the line (decoded with the code table in force); Barcode / Symbol2D: the data;
        // Unknown: the bytes in hexadecimal.
        QString text;
        // Barcode: its type name (code39, code128, ean13, ean8, upca); Symbol2D: qr or pdf417.
        QString type;
        int alignment = 0;
        int font = 0;
        int width = 1;
        int height = 1;
        bool bold = false;
        bool underline = false;
        bool reverse = false;
        // Barcode: GS w and GS h; Symbol2D: the module size.
        int module = 0;
        int barHeight = 0;
        // Barcode: HRI text below.
        bool textBelow = false;
        QImage image;
        bool halfCut = false;
        // Dots fed with ESC J since the item before.
        int fedBefore = 0;
        // Text: ESC 3 in force (0: the printer's default).
        int lineSpacing = 0;
    };

    using Answer = std::function<QByteArray(int n)>;

    explicit EscPosJobDecoder(Answer answer = {}) : m_answer(std::move(answer)) {}

    // Takes the next bytes of the stream; returns the answers to status requests among them.
    QByteArray feed(const QByteArray& bytes);
    // A whole job read at once.
    static EscPosJobDecoder of(const QByteArray& job);
    // Bytes written as the command reference lists them, e.g. bytes({0x1D, 0x56, 0x41, 0x00}).
    static QByteArray bytes(std::initializer_list<int> values);

    const QList<Item>& items() const { return m_items; }
    // The text lines alone.
    QStringList lines() const;
    int codeTable() const { return m_codeTable; }
    int initialisations() const { return m_initialisations; }
    // Dots fed with ESC J after the last item.
    int fedAfterLastItem() const { return m_fed; }
    // FS . seen since the last ESC @; ESC R in force.
    bool kanjiCancelled() const { return m_kanjiCancelled; }
    int characterSet() const { return m_characterSet; }
    qint64 bytesRead() const { return m_bytesRead; }

private:
    // Reads one command at the start of the buffer; 0 when it is not complete yet.
    qsizetype command(QByteArray& answers);
    qsizetype esc(QByteArray& answers);
    // Adds an item with the feed before it.
    void add(Item item);
    qsizetype gs();
    qsizetype barcode();
    qsizetype symbol2D();
    qsizetype raster();
    void endLine();
    void reset();
    Item settingsItem(Item::Kind kind) const;
    void unknown(qsizetype length);

    Answer m_answer;
    QByteArray m_buffer;
    QByteArray m_line;
    bool m_lineStarted = false;
    QList<Item> m_items;
    qint64 m_bytesRead = 0;
    int m_initialisations = 0;

    int m_codeTable = 0;
    int m_alignment = 0;
    int m_font = 0;
    int m_width = 1;
    int m_height = 1;
    bool m_bold = false;
    bool m_underline = false;
    bool m_reverse = false;
    int m_barWidth = 3;
    int m_barHeight = 162;
    bool m_textBelow = false;
    // 2-D symbols: the data stored and the module size, by cn.
    QByteArray m_stored[2];
    int m_moduleSize[2] = {3, 3};
    bool m_lastWasRaster = false;
    int m_fed = 0;
    int m_lineSpacing = 0;
    bool m_kanjiCancelled = false;
    int m_characterSet = 0;
};
