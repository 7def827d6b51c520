#include "api/Printer.h"
#include "api/SaleFixture.h"
#include "api/Voucher.h"
#include "api/Vouchers.h"
#include "services/QuibaErrors.h"
#include "common/TestEventLoop.h"
#include "common/TestFiles.h"
#include "components/QuibaXmlDocument.h"
#include "components/ReceiptPrinter.h"
#include "fakes/EscPosPrinterSimulator.h"
#include "platform/Clock.h"
#include "platform/Collection.h"
#include "platform/ComponentRegistry.h"
#include "platform/OffLoopWork.h"
#include "support/clsZlib.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kPrinterClass = u"Test.Printer"_s;

// A printer component that notes every file it is given and can be made to fail.
class RecordingPrinter : public Printer {
public:
    QString className() const override { return u"RecordingPrinter"_s; }
    void PrintDocument(QString& fileName, const ObjectRef& options) override
    {
        printed.append(fileName);
        EXPECT_EQ(options, nullptr);
        if (fails)
            throw AutomationError(482, u"Printer"_s, u"Printer error"_s);
    }

    static inline QStringList printed;
    static inline bool fails = false;
};

QString documentWith(const QString& text)
{
    return u"<document><text>"_s + text + u"</text></document>"_s;
}

class VoucherTest : public SaleFixture {
protected:
    void SetUp() override
    {
        SaleFixture::SetUp();
        RecordingPrinter::printed.clear();
        RecordingPrinter::fails = false;
        ComponentRegistry::registerFactory(kPrinterClass, [] { return std::make_shared<RecordingPrinter>(); });
        ProcessState& state = ProcessState::instance();
        state.printerClass = kPrinterClass;
        state.logoPath = QStringLiteral(PCQUIBA_TEST_DATA "/vouchers/logos");
        state.logoExt = u"bmp"_s;
    }

    void TearDown() override
    {
        ComponentRegistry::unregisterFactory(kPrinterClass);
        SaleFixture::TearDown();
    }

    QString writeVoucher(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(TestFiles::write(path, bytes));
        return path;
    }

    QString writeVoucher(const QString& name, const QString& text) { return writeVoucher(name, text.toUtf8()); }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A running engine whose committed basket lists these documents, all released.
    void sellDocuments(const QStringList& paths)
    {
        startEngine();
        basket().documents = paths;
        basket().isCommitted = true;
        for (const QString& path : paths)
            basket().releasedDocuments.insert(path);
    }

    // Vouchers whose owner answers with the engine basket's documents.
    std::shared_ptr<Vouchers> basketVouchers()
    {
        return std::make_shared<Vouchers>([this](std::shared_ptr<Collection>& docList) {
            if (engine && engine->basket)
                docList = engine->basket->DocumentList();
        });
    }

    static bool stamped(const QString& path)
    {
        QuibaXmlDocument document;
        document.Load(path);
        return !document.printedTimestamp().isEmpty();
    }

    QTemporaryDir folder;
};

TEST_F(VoucherTest, ItemsAreNumberedFromOneOverTheExistingFilesOnly)
{
    const QString first = writeVoucher(u"a.xml"_s, documentWith(u"a"_s));
    const QString third = writeVoucher(u"c.xml"_s, documentWith(u"c"_s));
    sellDocuments({first, folder.filePath(u"vanished.xml"_s), third});
    const auto vouchers = basketVouchers();

    EXPECT_EQ(vouchers->Count(), 2);
    EXPECT_EQ(traceLines(), (QStringList{u"Get: Vouchers.Count"_s, u" --> 2"_s}));
    EXPECT_EQ(vouchers->Item(0), nullptr);
    EXPECT_EQ(vouchers->Item(3), nullptr);
    EXPECT_EQ(vouchers->Item(-1), nullptr);
    ASSERT_TRUE(vouchers->Item(1) && vouchers->Item(2));
    EXPECT_EQ(vouchers->Item(1)->path(), first);
    EXPECT_EQ(vouchers->Item(2)->path(), third);
    EXPECT_EQ(traceLines().mid(2, 3),
              (QStringList{u"CALL: Vouchers.Item(0)"_s, u"CALL: Vouchers.Item(3)"_s, u"CALL: Vouchers.Item(-1)"_s}));

    const auto enumeration = vouchers->NewEnum();
    ASSERT_EQ(enumeration->count(), 2);
    EXPECT_EQ(std::dynamic_pointer_cast<Voucher>(enumeration->item(2).objectValue())->path(), third);
}

TEST_F(VoucherTest, PrintEventsOfTwoDocumentsShareOneJob)
{
    const QString one = writeVoucher(u"one.xml"_s, documentWith(u"one"_s));
    const QString two = writeVoucher(u"two.xml"_s, u"<document a='right'><text>two</text><cut f='HaLf'/></document>"_s);
    sellDocuments({one, two});
    std::optional<bool> sync = true;
    basketVouchers()->RaisePrintEvents(sync);

    EXPECT_EQ(listener.events,
              (QStringList{u"PrintBegin(2)"_s, u"PrintVoucher(l)"_s, u"PrintText(A, , 1, 1, l, 0, one)"_s,
                           u"PrintVoucherEnd()"_s, u"PrintVoucher(r)"_s, u"PrintText(A, , 1, 1, l, 0, two)"_s,
                           u"PrintCut(True)"_s, u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
    EXPECT_EQ(frmController::instance().printDepth(), 0);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Vouchers.RaisePrintEvents(Sync=True)"_s,
                                         u"CALL: Voucher.RaisePrintEvents(Sync=True)"_s,
                                         u"CALL: Voucher.RaisePrintEvents(Sync=True)"_s}));
    EXPECT_TRUE(stamped(one));
    EXPECT_TRUE(stamped(two));
}

TEST_F(VoucherTest, ASingleVoucherIsItsOwnJobAndKeepsItsPrintStateAcrossDocuments)
{
    const QString path = writeVoucher(u"v.xml"_s, u"<document><text w='2' hs='_'>a_b</text></document>"_s);
    sellDocuments({path});
    const auto voucher = Voucher::create(path);
    std::optional<bool> sync = true;
    voucher->RaisePrintEvents(sync);
    EXPECT_EQ(listener.events, (QStringList{u"PrintBegin(1)"_s, u"PrintVoucher(l)"_s,
                                            u"PrintText(A, , 2, 1, l, 0, a b)"_s,
                                            u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));

    // A barcode takes its width from the text before it, also from the voucher's earlier read.
    QFile::remove(path);
    writeVoucher(u"v.xml"_s, u"<document><barcode>123</barcode></document>"_s);
    listener.events.clear();
    voucher->RaisePrintEvents(sync);
    EXPECT_TRUE(listener.events.contains(u"PrintBarcode(code39, 2, 10, c, 123)"_s))
        << listener.events.join(u'\n').toStdString();
}

struct CheckCase {
    const char* name;
    std::function<void(FakeEngineBasket&, const QString& path)> arrange;
    std::function<void(Voucher&, Vouchers&)> call;
    qint32 number;
    const char* description;
    const char* source;
};

TEST_F(VoucherTest, PrintingAndReadingCheckBasketReleasePrinterAndFile)
{
    const auto printVoucher = [](Voucher& v, Vouchers&) {
        std::optional<bool> sync = true;
        v.PrintVoucher(sync);
    };
    const auto raiseVoucher = [](Voucher& v, Vouchers&) {
        std::optional<bool> sync = true;
        v.RaisePrintEvents(sync);
    };
    const auto printAll = [](Voucher&, Vouchers& all) {
        std::optional<bool> sync;
        all.PrintAll(sync);
    };
    const auto raiseAll = [](Voucher&, Vouchers& all) {
        std::optional<bool> sync = true;
        all.RaisePrintEvents(sync);
    };
    const auto fileName = [](Voucher& v, Vouchers&) { v.FileName(); };
    const auto xml = [](Voucher& v, Vouchers&) { v.XML(); };
    const auto notReleased = [](FakeEngineBasket& b, const QString&) { b.releasedDocuments.clear(); };
    const auto notCommitted = [](FakeEngineBasket& b, const QString&) { b.isCommitted = false; };
    const auto noPrinter = [](FakeEngineBasket&, const QString&) { ProcessState::instance().printerClass.clear(); };
    const auto vanished = [](FakeEngineBasket&, const QString& path) { QFile::remove(path); };

    const CheckCase cases[] = {
        {"voucher print not released", notReleased, printVoucher,
         quibaBasketNotCommitted, "Basket not (yet) Committed", "Voucher"},
        {"voucher events not released", notReleased, raiseVoucher,
         quibaBasketNotCommitted, "Basket not (yet) Committed", "Voucher"},
        {"file name not released", notReleased, fileName,
         quibaBasketNotCommitted, "Basket not (yet) Committed", "Voucher"},
        {"xml not released", notReleased, xml,
         quibaBasketNotCommitted, "Basket not (yet) Committed", "Voucher"},
        {"print all not committed", notCommitted, printAll,
         quibaBasketNotCommitted, "Basket not (yet) Committed", "Vouchers"},
        {"events of all not committed", notCommitted, raiseAll,
         quibaBasketNotCommitted, "Basket not (yet) Committed", "Vouchers"},
        {"voucher print without printer", noPrinter, printVoucher,
         quibaNoPrinterSpecified, "Cannot Print: No Printer Specified", "Voucher"},
        {"print all without printer", noPrinter, printAll,
         quibaNoPrinterSpecified, "Cannot Print: No Printer Specified", "Vouchers"},
        {"voucher print of a vanished file", vanished, printVoucher,
         quibaFileNotFound, "Voucher File not Found", "Voucher"},
        {"voucher events of a vanished file", vanished, raiseVoucher,
         quibaFileNotFound, "Voucher File not Found", "Voucher"},
        {"file name of a vanished file", vanished, fileName,
         quibaFileNotFound, "Voucher File not Found", "Voucher"},
        {"xml of a vanished file", vanished, xml,
         quibaFileNotFound, "Voucher File not Found", "Voucher"},
    };
    for (const CheckCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const QString path = writeVoucher(u"v.xml"_s, documentWith(u"x"_s));
        sellDocuments({path});
        ProcessState::instance().printerClass = kPrinterClass;
        testCase.arrange(basket(), path);
        const auto voucher = Voucher::create(path);
        const auto vouchers = basketVouchers();
        const AutomationError error = errorOf([&] { testCase.call(*voucher, *vouchers); });
        EXPECT_EQ(error.number(), testCase.number);
        EXPECT_EQ(error.description(), QString::fromUtf8(testCase.description));
        EXPECT_EQ(error.source(), u"pcQUIBA"_s + QString::fromUtf8(testCase.source));
        EXPECT_EQ(traceLines().contains(u" --> File not Found!"_s), testCase.number == quibaFileNotFound);
        EXPECT_TRUE(listener.events.isEmpty()) << listener.events.join(u'\n').toStdString();
        EXPECT_TRUE(RecordingPrinter::printed.isEmpty());
        EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
        frmController::unload();
        TestEventLoop::runPending();
        QFile::remove(path);
    }
}

TEST_F(VoucherTest, WithoutABasketEveryOperationDoesNothing)
{
    const QString path = writeVoucher(u"v.xml"_s, documentWith(u"x"_s));
    sellDocuments({path});
    engine->basket.reset();
    const QByteArray before = contents(path);
    const auto voucher = Voucher::create(path);
    std::optional<bool> sync = true;
    EXPECT_EQ(voucher->FileName(), QString());
    EXPECT_EQ(voucher->XML(), QString());
    voucher->PrintVoucher(sync);
    voucher->RaisePrintEvents(sync);
    const auto vouchers = basketVouchers();
    vouchers->PrintAll(sync);
    vouchers->RaisePrintEvents(sync);
    TestEventLoop::runPending();
    EXPECT_TRUE(listener.events.isEmpty());
    EXPECT_TRUE(RecordingPrinter::printed.isEmpty());
    EXPECT_EQ(contents(path), before);
}

TEST_F(VoucherTest, SyncFalseWithoutTheControllerDoesNothing)
{
    const QString path = writeVoucher(u"v.xml"_s, documentWith(u"x"_s));
    const QByteArray before = contents(path);
    const auto voucher = Voucher::create(path);
    const auto vouchers = std::make_shared<Vouchers>([&](std::shared_ptr<Collection>& docList) {
        docList = std::make_shared<Collection>();
        docList->add(Variant(path));
    });
    std::optional<bool> omitted;
    std::optional<bool> no = false;
    voucher->PrintVoucher(omitted);
    voucher->RaisePrintEvents(no);
    vouchers->PrintAll(no);
    vouchers->RaisePrintEvents(omitted);
    TestEventLoop::runPending();
    EXPECT_FALSE(frmController::isLoaded());
    EXPECT_TRUE(RecordingPrinter::printed.isEmpty());
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Voucher.PrintVoucher(Sync=False)"_s,
                                         u"CALL: Voucher.RaisePrintEvents(Sync=False)"_s,
                                         u"CALL: Vouchers.PrintAll(Sync=False)"_s,
                                         u"CALL: Vouchers.RaisePrintEvents(Sync=False)"_s}));
}

TEST_F(VoucherTest, QueuedJobsRunInOrderAfterTheCallsReturned)
{
    const QString a = writeVoucher(u"a.xml"_s, documentWith(u"A"_s));
    const QString b = writeVoucher(u"b.xml"_s, documentWith(u"B"_s));
    sellDocuments({a, b});
    const auto voucher = Voucher::create(a);
    const auto vouchers = basketVouchers();
    std::optional<bool> later = false;
    voucher->RaisePrintEvents(later);
    vouchers->PrintAll(later);
    voucher->PrintVoucher(later);
    EXPECT_TRUE(listener.events.isEmpty());
    EXPECT_TRUE(RecordingPrinter::printed.isEmpty());

    TestEventLoop::runPending();
    EXPECT_EQ(listener.events,
              (QStringList{u"PrintBegin(1)"_s, u"PrintVoucher(l)"_s, u"PrintText(A, , 1, 1, l, 0, A)"_s,
                           u"PrintVoucherEnd()"_s, u"PrintEnd()"_s,
                           u"PrintBegin(2)"_s, u"PrintVoucher()"_s, u"PrintVoucherEnd()"_s, u"PrintVoucher()"_s,
                           u"PrintVoucherEnd()"_s, u"PrintEnd()"_s,
                           u"PrintBegin(1)"_s, u"PrintVoucher()"_s, u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
    EXPECT_EQ(RecordingPrinter::printed, (QStringList{a, b, a}));
    EXPECT_FALSE(frmController::instance().Args().exists(u"PrintQueue"_s));
}

TEST_F(VoucherTest, AQueuedJobThatFailsIsReportedAndTheNextStillRuns)
{
    const QString broken = writeVoucher(u"broken.xml"_s, QByteArray("<document><text w='99999'>x</text></document>"));
    const QString good = writeVoucher(u"good.xml"_s, documentWith(u"ok"_s));
    sellDocuments({broken, good});
    std::optional<bool> later = false;
    Voucher::create(broken)->RaisePrintEvents(later);
    Voucher::create(good)->RaisePrintEvents(later);
    logger->lines.clear();

    TestEventLoop::runPending();
    EXPECT_EQ(listener.events.mid(listener.events.size() - 5),
              (QStringList{u"PrintBegin(1)"_s, u"PrintVoucher(l)"_s, u"PrintText(A, , 1, 1, l, 0, ok)"_s,
                           u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
    EXPECT_TRUE(logger->lines.contains(RecordingLogger::Line{u" *** General Error: Overflow"_s, 4}));
    EXPECT_TRUE(errorHandler->events.join(u'\n').contains(u"record"_s));
    EXPECT_EQ(frmController::instance().printDepth(), 0);
    EXPECT_FALSE(frmController::instance().Args().exists(u"PrintQueue"_s));
}

TEST_F(VoucherTest, PrintVoucherHandsTheFileToThePrinterAndStampsIt)
{
    const QString path = writeVoucher(u"v.xml"_s, documentWith(u"x"_s));
    sellDocuments({path});
    const auto voucher = Voucher::create(path);
    // A moment far from today: only a stamp taken from the clock shows it.
    const QDateTime printedAt(QDate(2026, 12, 31), QTime(23, 59, 59));
    Clock::set(printedAt);
    const auto resetClock = qScopeGuard([] { Clock::reset(); });
    std::optional<bool> sync = true;
    voucher->PrintVoucher(sync);
    EXPECT_EQ(listener.events,
              (QStringList{u"PrintBegin(1)"_s, u"PrintVoucher()"_s, u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
    EXPECT_EQ(RecordingPrinter::printed, QStringList{path});
    QuibaXmlDocument document;
    document.Load(path);
    EXPECT_EQ(document.printedTimestamp(), QuibaXmlDocument::timestampText(printedAt));
}

TEST_F(VoucherTest, APrinterThatCannotBeMadeIsSkippedButTheJobIsFramed)
{
    const QString path = writeVoucher(u"v.xml"_s, documentWith(u"x"_s));
    sellDocuments({path});
    ProcessState::instance().printerClass = u"No.Such.Printer"_s;
    std::optional<bool> sync = true;
    Voucher::create(path)->PrintVoucher(sync);
    EXPECT_EQ(listener.events,
              (QStringList{u"PrintBegin(1)"_s, u"PrintVoucher()"_s, u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
    EXPECT_FALSE(stamped(path));
}

// The built-in receipt printer renders the whole voucher before it prints: one that ends
// before its markup does prints nothing, is not stamped, and the Sovereign learns why.
TEST_F(VoucherTest, PrintVoucherOfADocumentThatEndsEarlyRaisesInvalidFileFormat)
{
    const QString path = writeVoucher(u"cut.xml"_s, QByteArray("<document><text>Serial</text><cut/><text b='"));
    sellDocuments({path});
    ReceiptSettings settings;
    settings.type = u"png"_s;
    settings.dataPath = folder.path();
    ComponentRegistry::registerFactory(kPrinterClass, [settings] { return std::make_shared<ReceiptPrinter>(settings); });
    std::optional<bool> sync = true;
    const AutomationError error = errorOf([&] { Voucher::create(path)->PrintVoucher(sync); });
    EXPECT_EQ(error.number(), quibaGeneralError);
    EXPECT_EQ(error.description(), u"General Error: Invalid file format"_s);
    EXPECT_EQ(error.source(), u"pcQUIBAVoucher"_s);
    EXPECT_FALSE(QFile::exists(folder.filePath(u"printed/cut.png"_s)));
    EXPECT_FALSE(contents(path).contains("printed="));
    EXPECT_EQ(frmController::instance().printDepth(), 0);
}

// The receipt printer on an ESC/POS printer (the simulator): a printer that cannot print
// refuses PrintVoucher and PrintAll at once, with Sync False too, before anything is queued.
class EscPosVoucherTest : public VoucherTest {
protected:
    void SetUp() override
    {
        VoucherTest::SetUp();
        ReceiptSettings settings;
        settings.type = u"escpos"_s;
        settings.device = printer.device();
        ComponentRegistry::registerFactory(kPrinterClass, [this, settings]() mutable {
            settings.timeoutMs = timeoutMs;
            return std::make_shared<ReceiptPrinter>(settings);
        });
        path = writeVoucher(u"v.xml"_s, documentWith(u"PIN 1234"_s));
        sellDocuments({path});
    }

    EscPosPrinterSimulator printer;
    QString path;
    // A printer that answers never comes near this, however loaded the machine is; a test of a
    // printer that does not answer shortens it.
    int timeoutMs = 30000;
};

TEST_F(EscPosVoucherTest, APrinterThatCannotPrintRefusesTheCallBeforeTheJobIsQueued)
{
    const struct {
        EscPosPrinterSimulator::State state;
        const char* description;
    } cases[] = {
        {EscPosPrinterSimulator::State::PaperEnd, "General Error: Printer paper end"},
        {EscPosPrinterSimulator::State::CoverOpen, "General Error: Printer cover open"},
        {EscPosPrinterSimulator::State::Offline, "General Error: Printer offline"},
        {EscPosPrinterSimulator::State::NoAnswer, "General Error: Printer does not answer"},
    };
    timeoutMs = 100;
    for (const auto& c : cases) {
        printer.setState(c.state);
        for (const bool sync : {false, true}) {
            SCOPED_TRACE(std::string(c.description) + (sync ? ", Sync True" : ", Sync False"));
            std::optional<bool> voucherSync = sync;
            const AutomationError one = errorOf([&] { Voucher::create(path)->PrintVoucher(voucherSync); });
            EXPECT_EQ(one.number(), quibaGeneralError);
            EXPECT_EQ(one.description(), QString::fromLatin1(c.description));
            EXPECT_EQ(one.source(), u"pcQUIBAVoucher"_s);
            std::optional<bool> allSync = sync;
            const AutomationError all = errorOf([&] { basketVouchers()->PrintAll(allSync); });
            EXPECT_EQ(all.description(), QString::fromLatin1(c.description));
            EXPECT_EQ(all.source(), u"pcQUIBAVouchers"_s);
            EXPECT_FALSE(frmController::instance().Args().exists(u"PrintQueue"_s));
        }
    }
    EXPECT_EQ(printer.decoded().initialisations(), 0);
    EXPECT_FALSE(contents(path).contains("printed="));
}

TEST_F(EscPosVoucherTest, AVoucherIsStampedOnlyWhenThePrinterIsStillReadyAfterTheJob)
{
    printer.setStateAfterCut(EscPosPrinterSimulator::State::PaperEnd);
    path = writeVoucher(u"v.xml"_s, QByteArray("<document><text>PIN 1234</text><cut/></document>"));
    std::optional<bool> sync = true;
    const AutomationError error = errorOf([&] { Voucher::create(path)->PrintVoucher(sync); });
    EXPECT_EQ(error.description(), u"General Error: Printer paper end"_s);
    EXPECT_EQ(printer.decoded().lines(), QStringList{u"PIN 1234"_s});
    EXPECT_FALSE(contents(path).contains("printed="));

    printer.setState(EscPosPrinterSimulator::State::Ready);
    Voucher::create(path)->PrintVoucher(sync);
    EXPECT_TRUE(stamped(path));
}

// A printer that keeps a job waiting holds neither the event loop nor the engine: other work
// is served meanwhile, a stop asked for then waits for the job's end, and the job completes.
TEST_F(EscPosVoucherTest, WhileThePrinterHoldsAJobTheLoopServesOthersAndTheEngineStopsOnlyAfterIt)
{
    ReceiptSettings settings;
    settings.type = u"escpos"_s;
    settings.device = printer.device();
    // Longer than any test runs: the job ends when the test lets the printer go, never by time.
    settings.timeoutMs = 600000;
    const QByteArray job = ReceiptPrinter::escPosJob(path, settings);
    printer.hold();
    bool servedWhileHeld = false;
    bool engineKeptWhileHeld = false;
    QTimer::singleShot(0, [&] {
        servedWhileHeld = OffLoopWork::underWay();
        frmController::instance().StopEngine();
        engineKeptWhileHeld = frmController::instance().EngineReady();
        printer.release();
    });
    ReceiptPrinter::sendEscPos(job, settings);
    EXPECT_TRUE(servedWhileHeld);
    EXPECT_TRUE(engineKeptWhileHeld);
    EXPECT_EQ(printer.decoded().lines(), QStringList{u"PIN 1234"_s});
    EXPECT_TRUE(frmController::instance().EngineReady());
    TestEventLoop::runPending();
    EXPECT_FALSE(frmController::instance().EngineReady());
}

// The printer's errors cross back from its thread unchanged.
TEST_F(EscPosVoucherTest, APrinterErrorOnItsThreadReachesTheCallerAsItIs)
{
    printer.setState(EscPosPrinterSimulator::State::CoverOpen);
    ReceiptSettings settings;
    settings.type = u"escpos"_s;
    settings.device = printer.device();
    settings.timeoutMs = 600000;
    const AutomationError error = errorOf([&] { ReceiptPrinter(settings).CheckStatus(); });
    EXPECT_EQ(error.number(), 57);
    EXPECT_EQ(error.description(), u"Printer cover open"_s);
    EXPECT_FALSE(OffLoopWork::underWay());
}

struct BrokenCase {
    const char* name;
    QByteArray bytes;
    const char* description;
};

TEST_F(VoucherTest, AnUnreadableDocumentClosesItsJobAndTheErrorReachesTheCaller)
{
    const BrokenCase cases[] = {
        {"value beyond sixteen bits", "<document><text w='32768'>x</text></document>", "General Error: Overflow"},
        {"cut off inside a tag", "<document><text>a</text><text b='", "General Error: Invalid file format"},
        {"no markup at all", "just some text", "General Error: Invalid file format"},
    };
    for (const BrokenCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const QString broken = writeVoucher(u"broken.xml"_s, testCase.bytes);
        const QString good = writeVoucher(u"good.xml"_s, documentWith(u"ok"_s));
        sellDocuments({broken, good});
        std::optional<bool> sync = true;

        const AutomationError single = errorOf([&] { Voucher::create(broken)->RaisePrintEvents(sync); });
        EXPECT_EQ(single.number(), quibaGeneralError);
        EXPECT_EQ(single.description(), QString::fromUtf8(testCase.description));
        EXPECT_EQ(frmController::instance().printDepth(), 0);
        EXPECT_EQ(listener.events.count(u"PrintBegin(1)"_s), listener.events.count(u"PrintEnd()"_s));

        // Inside the basket's job: the job still ends, the error is the voucher's own.
        listener.events.clear();
        const AutomationError all = errorOf([&] { basketVouchers()->RaisePrintEvents(sync); });
        EXPECT_EQ(all.number(), quibaGeneralError);
        EXPECT_EQ(all.description(), QString::fromUtf8(testCase.description));
        EXPECT_EQ(all.source(), u"pcQUIBAVoucher"_s);
        EXPECT_EQ(frmController::instance().printDepth(), 0);
        ASSERT_FALSE(listener.events.isEmpty());
        EXPECT_EQ(listener.events.first(), u"PrintBegin(2)"_s);
        EXPECT_EQ(listener.events.last(), u"PrintEnd()"_s);

        // The next job gets its own PrintBegin.
        listener.events.clear();
        Voucher::create(good)->RaisePrintEvents(sync);
        EXPECT_EQ(listener.events.first(), u"PrintBegin(1)"_s);
        EXPECT_EQ(listener.events.last(), u"PrintEnd()"_s);
        EXPECT_FALSE(contents(broken).contains("printed="));
        EXPECT_EQ(errorHandler->enters, errorHandler->leaves);

        frmController::unload();
        TestEventLoop::runPending();
        QFile::remove(broken);
        QFile::remove(good);
    }
}

TEST_F(VoucherTest, AFailingPrinterEndsItsJobAndReportsTheError)
{
    const QString path = writeVoucher(u"v.xml"_s, documentWith(u"x"_s));
    sellDocuments({path});
    RecordingPrinter::fails = true;
    std::optional<bool> sync = true;
    const AutomationError error = errorOf([&] { basketVouchers()->PrintAll(sync); });
    EXPECT_EQ(error.number(), quibaGeneralError);
    EXPECT_EQ(error.description(), u"General Error: Printer error"_s);
    EXPECT_EQ(frmController::instance().printDepth(), 0);
    EXPECT_EQ(listener.events,
              (QStringList{u"PrintBegin(1)"_s, u"PrintVoucher()"_s, u"PrintVoucherEnd()"_s, u"PrintEnd()"_s}));
    EXPECT_FALSE(stamped(path));
}

TEST_F(VoucherTest, FileNameReformatsAndDecompressesInPlace)
{
    const QString path = writeVoucher(u"v.xml"_s, QByteArray("<document><text>x</text><line/></document>"));
    clsZlib().Compress(path);
    ASSERT_TRUE(clsZlib().IsCompressed(path));
    sellDocuments({path});

    EXPECT_EQ(Voucher::create(path)->FileName(), path);
    EXPECT_EQ(logger->lines, (QList<RecordingLogger::Line>{{u"GET: Voucher.FileName"_s, 1},
                                                            {u"--> zPrettyXML("_s + path + u')', 0},
                                                            {u" --> Decompress File"_s, 0},
                                                            {u" --> "_s + path, 1}}));
    EXPECT_FALSE(clsZlib().IsCompressed(path));
    EXPECT_EQ(contents(path),
              QByteArray("<?xml version=\"1.0\"?>\n<document>\n  <text>x</text>\n  <line />\n</document>\n"));
}

TEST_F(VoucherTest, XmlGivesTheDocumentTextPlainOrCompressed)
{
    const QByteArray text = "<document>\r\n  <text a=\"c\">Your PIN is 1234 5678 9012</text>\r\n</document>\r\n";
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        const QString path = writeVoucher(u"v.xml"_s, text);
        if (compressed)
            clsZlib().Compress(path);
        sellDocuments({path});
        EXPECT_EQ(Voucher::create(path)->XML(), QString::fromLatin1(text));
        EXPECT_EQ(logger->lines,
                  (QList<RecordingLogger::Line>{
                      {u"GET: Voucher.XML"_s, 1},
                      {compressed ? u" --> Read Compressed File"_s : u" --> Read Uncompressed File"_s, 0},
                      {u" --> <document>  <text a=\"c\">Your PIN is 1234..."_s, 1}}));
        frmController::unload();
        TestEventLoop::runPending();
        QFile::remove(path);
    }
}

} // namespace
