// clsXMLReader against expat on the same generated voucher-like document of about 1 MB and
// 10 MB, every event handled by an empty handler. The reader is measured on file input (the
// way a voucher file is printed) and on text input (a decompressed voucher).
#include "platform/Ansi.h"
#include "support/clsXMLReader.h"
#include "support/XmlReaderNoEvents.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <expat.h>
#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kMegabyte = 1 << 20;

// One voucher's print markup: text with attributes, escapes and non-ASCII characters, rules,
// a barcode, a graphics block and a cut.
QByteArray voucher(int number)
{
    const QByteArray n = QByteArray::number(number);
    return "  <document a=\"c\" id=\"" + n + "\">\n"
           "    <text a=\"c\" f=\"B\" e=\"bold\" w=\"2\" h=\"2\">Mobile Top-Up &amp; Vouchers</text>\n"
           "    <text a=\"l\" f=\"A\">Caf\xC3\xA9 de la Gare \xE2\x80\x93 Terminal 0042</text>\n"
           "    <line w=\"1\"/>\n"
           "    <text a=\"l\" hs=\"_\" i=\"2\">PIN:_" + n + "_5678_9012_3456</text>\n"
           "    <text a=\"r\">Amount: \xE2\x82\xAC 20.00</text>\n"
           "    <barcode h=\"40\" y=\"code128\" a=\"c\">" + n + "123456789012</barcode>\n"
           "    <graphics valign=\"top\"><image a=\"c\" f=\"logo\"/></graphics>\n"
           "    <!-- serial " + n + " -->\n"
           "    <text a=\"l\" e=\"\">Keep this voucher &lt;safe&gt;. Valid for 12 months.</text>\n"
           "    <cut f=\"half\"/>\n"
           "  </document>\n";
}

QByteArray document(qsizetype size)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vouchers>\n";
    for (int number = 1; xml.size() < size; ++number)
        xml += voucher(number);
    return xml + "</vouchers>\n";
}

struct Sample {
    QByteArray bytes;
    QString path;
};

// The documents are written once per run, so every benchmark reads the same files.
const Sample& sample(qsizetype megabytes)
{
    static QTemporaryDir folder;
    static std::map<qsizetype, Sample> samples;
    auto found = samples.find(megabytes);
    if (found == samples.end()) {
        Sample made{document(megabytes * kMegabyte), folder.filePath(QString::number(megabytes) + u"mb.xml"_s)};
        QFile file(made.path);
        if (!file.open(QIODevice::WriteOnly) || file.write(made.bytes) != made.bytes.size())
            qFatal("cannot write the sample document");
        found = samples.emplace(megabytes, std::move(made)).first;
    }
    return found->second;
}

// Every event handled, by doing nothing.
using EmptyHandler = XmlReaderNoEvents;

void ReaderFile(benchmark::State& state)
{
    const Sample& input = sample(state.range(0));
    EmptyHandler handler;
    clsXMLReader reader(&handler);
    for (auto _ : state)
        reader.Parse(input.path);
    state.SetBytesProcessed(state.iterations() * input.bytes.size());
}

void ReaderText(benchmark::State& state)
{
    const Sample& input = sample(state.range(0));
    const QString text = Ansi::toUnicode(input.bytes);
    EmptyHandler handler;
    clsXMLReader reader(&handler);
    for (auto _ : state)
        reader.Parse(text);
    state.SetBytesProcessed(state.iterations() * input.bytes.size());
}

void XMLCALL expatStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL expatEnd(void*, const XML_Char*) {}
void XMLCALL expatCharacters(void*, const XML_Char*, int) {}
void XMLCALL expatComment(void*, const XML_Char*) {}
void XMLCALL expatInstruction(void*, const XML_Char*, const XML_Char*) {}

// Expat reads the same file, in blocks of the size it is usually given.
void Expat(benchmark::State& state)
{
    const Sample& input = sample(state.range(0));
    constexpr qsizetype kBlock = 64 * 1024;
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(parser, expatStart, expatEnd);
        XML_SetCharacterDataHandler(parser, expatCharacters);
        XML_SetCommentHandler(parser, expatComment);
        XML_SetProcessingInstructionHandler(parser, expatInstruction);
        QFile file(input.path);
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open the sample document");
        for (;;) {
            const QByteArray block = file.read(kBlock);
            const bool last = block.size() < kBlock;
            if (XML_Parse(parser, block.constData(), int(block.size()), last) != XML_STATUS_OK) {
                state.SkipWithError("expat refused the document");
                break;
            }
            if (last)
                break;
        }
        XML_ParserFree(parser);
    }
    state.SetBytesProcessed(state.iterations() * input.bytes.size());
}

} // namespace

BENCHMARK(ReaderFile)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(ReaderText)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(Expat)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
