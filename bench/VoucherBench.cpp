// A voucher of about 4 KB end to end: its print events as a Sovereign receives them (the
// markup read from the file, every event handled by an empty target), and its receipt
// rendered by the built-in printer and written as a PNG file. The voucher is the test sample
// with its receipt body repeated.
#include "api/VoucherMarkup.h"
#include "components/EscPosEncoder.h"
#include "components/ReceiptOutput.h"
#include "components/ReceiptPrinter.h"
#include "controller/PrintEvents.h"
#include "support/XmlReaderNoEvents.h"
#include "support/clsXMLReader.h"
#include "support/clsZlib.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>
#include <vector>

namespace {

const QString kVouchers = QStringLiteral(PCQUIBA_SOURCE_DIR "/tests/data/vouchers");

class NoPrinting : public PrintEvents {
public:
    void RaisePrintBegin(qint16) override { ++events; }
    void RaisePrintVoucher(const QString&) override { ++events; }
    void RaisePrintText(const QString&, const QString&, qint16, qint16, const QString&, qint16,
                        const QString&) override
    {
        ++events;
    }
    void RaisePrintLine(qint16) override { ++events; }
    void RaisePrintBarcode(const QString&, qint16, qint16, const QString&, const QString&) override { ++events; }
    void RaisePrintGraphicsBegin(const QString&) override { ++events; }
    void RaisePrintImage(const QString&, const QString&) override { ++events; }
    void RaisePrintGraphicsEnd() override { ++events; }
    void RaisePrintCut(bool&) override { ++events; }
    void RaisePrintVoucherEnd() override { ++events; }
    void RaisePrintEnd() override { ++events; }

    qint64 events = 0;
};

// The sample's body repeated until the document holds 4 KB, written plain or compressed.
struct Voucher {
    explicit Voucher(bool compressed)
    {
        QFile sample(kVouchers + QStringLiteral("/sample.xml"));
        sample.open(QIODevice::ReadOnly);
        const QByteArray xml = sample.readAll();
        const qsizetype bodyStart = xml.indexOf("<graphics");
        const qsizetype bodyEnd = xml.indexOf("<cut");
        QByteArray body = xml.mid(bodyStart, bodyEnd - bodyStart);
        QByteArray document = xml.left(bodyStart);
        while (document.size() + body.size() < 4096 - 30)
            document += body;
        document += xml.mid(bodyEnd);
        size = document.size();
        path = folder.filePath(QStringLiteral("voucher.xml"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(document);
        file.close();
        if (compressed)
            clsZlib().Compress(path);
    }

    QTemporaryDir folder;
    QString path;
    qsizetype size = 0;
};

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "VoucherBench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

void PrintEventsOf4KbVoucher(benchmark::State& state)
{
    const Voucher voucher(state.range(0) != 0);
    NoPrinting target;
    VoucherPrintState printState;
    for (auto _ : state) {
        VoucherMarkup markup(target, printState, {kVouchers + QStringLiteral("/logos"), QStringLiteral("bmp")});
        markup.RaisePrintEvents(voucher.path);
    }
    state.counters["bytes"] = double(voucher.size);
    state.counters["events"] = double(target.events) / double(state.iterations());
}
BENCHMARK(PrintEventsOf4KbVoucher)->ArgName("compressed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The yardstick: the same file through the reader alone, every event ignored.
void ReaderAloneOn4KbVoucher(benchmark::State& state)
{
    const Voucher voucher(false);
    XmlReaderNoEvents ignore;
    for (auto _ : state) {
        clsXMLReader reader(&ignore);
        reader.Parse(voucher.path);
    }
    state.counters["bytes"] = double(voucher.size);
}
BENCHMARK(ReaderAloneOn4KbVoucher)->Unit(benchmark::kMicrosecond);

void RenderPngOf4KbVoucher(benchmark::State& state)
{
    ensureApplication();
    const Voucher voucher(false);
    ReceiptSettings settings;
    settings.logoPath = kVouchers + QStringLiteral("/logos");
    const QString png = voucher.folder.filePath(QStringLiteral("voucher.png"));
    int height = 0;
    for (auto _ : state) {
        const QList<QImage> sheets = ReceiptPrinter::render(voucher.path, settings);
        ReceiptOutput::writePng(sheets, png, settings);
        height = sheets.value(0).height();
    }
    state.counters["bytes"] = double(voucher.size);
    state.counters["dots_down"] = height;
}
BENCHMARK(RenderPngOf4KbVoucher)->Unit(benchmark::kMillisecond);

// The print events of a voucher, kept to be handed to a printer again and again.
class RecordedEvents : public PrintEvents {
public:
    void RaisePrintBegin(qint16 n) override { add([=](PrintEvents& t) { t.RaisePrintBegin(n); }); }
    void RaisePrintVoucher(const QString& a) override { add([=](PrintEvents& t) { t.RaisePrintVoucher(a); }); }
    void RaisePrintText(const QString& f, const QString& e, qint16 w, qint16 h, const QString& a, qint16 i,
                        const QString& d) override
    {
        add([=](PrintEvents& t) { t.RaisePrintText(f, e, w, h, a, i, d); });
    }
    void RaisePrintLine(qint16 w) override { add([=](PrintEvents& t) { t.RaisePrintLine(w); }); }
    void RaisePrintBarcode(const QString& y, qint16 w, qint16 h, const QString& a, const QString& d) override
    {
        add([=](PrintEvents& t) { t.RaisePrintBarcode(y, w, h, a, d); });
    }
    void RaisePrintGraphicsBegin(const QString& v) override
    {
        add([=](PrintEvents& t) { t.RaisePrintGraphicsBegin(v); });
    }
    void RaisePrintImage(const QString& a, const QString& f) override
    {
        add([=](PrintEvents& t) { t.RaisePrintImage(a, f); });
    }
    void RaisePrintGraphicsEnd() override { add([](PrintEvents& t) { t.RaisePrintGraphicsEnd(); }); }
    void RaisePrintCut(bool& half) override
    {
        add([half](PrintEvents& t) {
            bool h = half;
            t.RaisePrintCut(h);
        });
    }
    void RaisePrintVoucherEnd() override { add([](PrintEvents& t) { t.RaisePrintVoucherEnd(); }); }
    void RaisePrintEnd() override { add([](PrintEvents& t) { t.RaisePrintEnd(); }); }

    void replay(PrintEvents& target) const
    {
        for (const auto& call : m_calls)
            call(target);
    }

private:
    void add(std::function<void(PrintEvents&)> call) { m_calls.push_back(std::move(call)); }
    std::vector<std::function<void(PrintEvents&)>> m_calls;
};

// The ESC/POS job of the voucher from its print events (encoding alone, the reading left
// out): codes drawn as images by default, or by the printer itself (printer_barcodes=all).
void EscPosJobOf4KbVoucher(benchmark::State& state)
{
    ensureApplication();
    const Voucher voucher(false);
    RecordedEvents events;
    VoucherPrintState printState;
    VoucherMarkup(events, printState, {kVouchers + QStringLiteral("/logos"), QStringLiteral("bmp")})
        .RaisePrintEvents(voucher.path);
    ReceiptSettings settings;
    if (state.range(0) != 0)
        settings.nativeBarcodes = {QStringLiteral("all")};
    qsizetype bytes = 0;
    for (auto _ : state) {
        EscPosEncoder encoder(settings);
        events.replay(encoder);
        bytes = encoder.job().size();
    }
    state.counters["voucher_bytes"] = double(voucher.size);
    state.counters["job_bytes"] = double(bytes);
}
BENCHMARK(EscPosJobOf4KbVoucher)->ArgName("native_codes")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
