#include "api/Basket.h"
#include "common/TestFiles.h"
#include "api/BasketItem.h"
#include "api/SaleFixture.h"
#include "api/Vouchers.h"
#include "services/QuibaErrors.h"
#include "common/TestEventLoop.h"
#include "platform/Collection.h"
#include "platform/Dictionary.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class BasketTest : public SaleFixture {
protected:
    std::shared_ptr<Basket> sale = std::make_shared<Basket>();
};

// The engine's state a case starts from.
struct EngineState {
    bool ready = true;
    bool assignRequired = false;
    bool busy = false;
    bool basket = true;
    int items = 1;
    bool committed = false;
    bool full = false;
};

struct Refusal {
    qint32 number;
    const char* description;
};

const Refusal kNotReady{quibaNotReady, "pcQUBIA is Not Ready"};
const Refusal kUnassigned{quibaAssignRequired, "pcQUIBA is not assigned to Host"};
const Refusal kBusy{quibaBusy, "pcQUBIA is Busy"};
const Refusal kNoBasket{quibaGeneralError, "Basket does not Exist"};
const Refusal kEmpty{quibaBasketIsEmpty, "Basket is Empty"};
const Refusal kCommitted{quibaBasketIsCommitted, "Basket is (already) Committed"};
const Refusal kFull{quibaBasketIsFull, "Basket already Full"};
const Refusal kInvalidProduct{quibaInvalidArgument, "Missing or Invalid Argument: ProductID"};
const Refusal kNotFound{quibaItemNotFound, "Basket Item not Found"};

using Member = std::function<void(Basket&)>;

struct Named {
    const char* name;
    Member call;
};

const Named kAddItem{"AddItem", [](Basket& b) {
                         VariantArray data;
                         b.AddItem(u"P1"_s, data);
                     }};
const Named kRemove{"Remove", [](Basket& b) { b.Remove(u"1"_s); }};
const Named kCommit{"Commit", [](Basket& b) { b.Commit(); }};
const Named kClear{"Clear", [](Basket& b) { b.Clear(); }};
const Named kSuspend{"SuspendBasket", [](Basket& b) { b.SuspendBasket(); }};
const Named kResume{"ResumeBasket", [](Basket& b) {
                        std::optional<QString> reference;
                        b.ResumeBasket(u"H1"_s, reference);
                    }};
const Named kExists{"Exists", [](Basket& b) { b.Exists(u"1"_s); }};
const Named kItem{"Item", [](Basket& b) { b.Item(u"1"_s); }};
const Named kNewEnum{"NewEnum", [](Basket& b) { b.NewEnum(); }};
const Named kVouchers{"Vouchers", [](Basket& b) { b.Vouchers(); }};
const Named kTotalPrice{"TotalPrice", [](Basket& b) { b.TotalPrice(); }};
const Named kIsEmpty{"IsEmpty", [](Basket& b) { b.IsEmpty(); }};
const Named kLetPayment{"ActualPaymentMethod let", [](Basket& b) { b.setActualPaymentMethod(2); }};

const QList<Named> kEveryMember = {kAddItem, kRemove,  kCommit,     kClear,      kSuspend,   kResume,     kExists,
                                   kItem,    kNewEnum, kVouchers,   kTotalPrice, kIsEmpty,   kLetPayment};

struct GuardCase {
    const char* name;
    EngineState state;
    QList<Named> members;
    Refusal refusal;
};

// Each state makes several checks fail at once: the member's first check in its order wins.
const GuardCase kGuardCases[] = {
    {"NotReadyBeforeAnything", {.ready = false, .assignRequired = true, .busy = true, .basket = false}, kEveryMember,
     kNotReady},
    {"NoBasketBeforeBusyForAllButAddItem", {.busy = true, .basket = false},
     {kRemove, kCommit, kClear, kSuspend, kResume, kExists, kItem, kNewEnum, kVouchers, kTotalPrice, kLetPayment},
     kNoBasket},
    {"AddItemUnassignedBeforeBusyAndNoBasket", {.assignRequired = true, .busy = true, .basket = false}, {kAddItem},
     kUnassigned},
    {"AddItemBusyBeforeNoBasket", {.busy = true, .basket = false}, {kAddItem}, kBusy},
    {"AddItemCommittedBeforeFull", {.committed = true, .full = true}, {kAddItem, kResume}, kCommitted},
    {"AddItemFull", {.full = true}, {kAddItem}, kFull},
    {"BusyBeforeEmpty", {.busy = true, .items = 0}, {kRemove, kCommit, kClear, kSuspend, kResume}, kBusy},
    {"EmptyBasket", {.items = 0}, {kCommit, kSuspend}, kEmpty},
    {"UnknownItem", {.items = 0}, {kRemove, kItem}, kNotFound},
};

void PrintTo(const GuardCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class BasketGuardTest : public BasketTest, public ::testing::WithParamInterface<GuardCase> {
protected:
    void applyState(const EngineState& state)
    {
        if (!state.ready) {
            frmController::instance().StopEngine();
            engine.reset();
            return;
        }
        engine->assignRequired = state.assignRequired;
        engine->busy = state.busy;
        if (!state.basket) {
            engine->basket.reset();
            return;
        }
        for (int i = 0; i < state.items; ++i)
            basket().addItem(u"P%1"_s.arg(i + 1));
        basket().isCommitted = state.committed;
        basket().isFull = state.full;
    }
};

TEST_P(BasketGuardTest, FirstFailingCheckRaisesItsCodeAndChangesNothing)
{
    const GuardCase& testCase = GetParam();
    for (const Named& member : testCase.members) {
        SCOPED_TRACE(member.name);
        startEngine();
        applyState(testCase.state);
        const QStringList callsBefore = engine ? engine->calls : QStringList();
        const AutomationError error = errorOf([&] { member.call(*sale); });
        EXPECT_EQ(error.number(), testCase.refusal.number);
        EXPECT_EQ(error.description(), QString::fromUtf8(testCase.refusal.description));
        EXPECT_EQ(error.source(), u"pcQUIBABasket"_s);
        if (engine) {
            for (const QString& call : engine->calls.mid(callsBefore.size())) {
                EXPECT_FALSE(call.startsWith(u"AddItem") || call.startsWith(u"RemoveItem") || call.startsWith(u"Commit")
                             || call.startsWith(u"ClearBasket"))
                    << call.toStdString();
            }
        }
        // A refused call has left its frame before raising: every enter has its leave.
        EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
        TestEventLoop::runPending();
        if (engine) {
            EXPECT_TRUE(engine->calls.filter(u"AddItem").isEmpty());
        }
        frmController::unload();
        TestEventLoop::runPending();
    }
}

INSTANTIATE_TEST_SUITE_P(Basket, BasketGuardTest, ::testing::ValuesIn(kGuardCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BasketTest, AddItemLogsFlattenedQuotedDataAndAddsAfterTheCallReturned)
{
    startEngine();
    engine->products = QStringList{u"P1"_s};
    VariantArray data{Variant(qint32(3)), Variant(u"a\"b"_s), Variant(VariantArray{Variant(qint16(1)), Variant(2.5)}),
                      Variant(u" 7 "_s)};
    sale->AddItem(u" P1 "_s, data);

    EXPECT_EQ(traceLines(), QStringList{u"CALL: Basket.AddItem( P1 , 3, \"a\"\"b\", 1, 2.5,  7 )"_s});
    EXPECT_TRUE(engine->calls.filter(u"AddItem").isEmpty()) << "added inside the Sovereign's call";
    EXPECT_EQ(frmController::instance().Args().item(u"ProductID"_s).toString(), u"P1"_s);

    TestEventLoop::runPending();
    EXPECT_EQ(engine->calls.filter(u"AddItem"), QStringList{u"AddItem(P1, {3 a\"b {1 2.5}  7 })"_s});
    EXPECT_EQ(basket().Count(), 1);
    EXPECT_FALSE(frmController::instance().Args().exists(u"ProductID"_s));
}

TEST_F(BasketTest, AddItemWithBlankProductIsRefusedAfterTheStateChecks)
{
    startEngine();
    VariantArray data;
    const AutomationError error = errorOf([&] { sale->AddItem(u"   "_s, data); });
    EXPECT_EQ(error.number(), kInvalidProduct.number);
    EXPECT_EQ(error.description(), QString::fromUtf8(kInvalidProduct.description));
    EXPECT_TRUE(engine->calls.contains(u"IsBusy()"_s));
    TestEventLoop::runPending();
    EXPECT_TRUE(engine->calls.filter(u"AddItem").isEmpty());
}

TEST_F(BasketTest, SecondAddItemBeforeTheClickReplacesTheFirst)
{
    startEngine();
    engine->products = QStringList{u"P1"_s, u"P2"_s};
    VariantArray data;
    sale->AddItem(u"P1"_s, data);
    sale->AddItem(u"P2"_s, data);
    TestEventLoop::runPending();
    EXPECT_EQ(engine->calls.filter(u"AddItem"), QStringList{u"AddItem(P2, {})"_s});
}

struct BasketPropertyCase {
    const char* name;
    std::function<void(FakeEngineBasket&)> arrange;
    std::function<Variant(Basket&)> read;
    Variant expected;
    const char* resultLine;
};

TEST_F(BasketTest, PropertiesReadTheEngineAndLogTheirLines)
{
    const BasketPropertyCase cases[] = {
        {"Count", [](FakeEngineBasket& b) { b.addItem(u"A"_s); b.addItem(u"B"_s); },
         [](Basket& b) { return Variant(b.Count()); }, Variant(qint16(2)), " --> 2"},
        {"IsEmpty", [](FakeEngineBasket&) {}, [](Basket& b) { return Variant(b.IsEmpty()); }, Variant(true),
         " --> True"},
        {"IsEmpty", [](FakeEngineBasket& b) { b.addItem(u"A"_s); }, [](Basket& b) { return Variant(b.IsEmpty()); },
         Variant(false), " --> False"},
        {"IsFull", [](FakeEngineBasket& b) { b.isFull = true; }, [](Basket& b) { return Variant(b.IsFull()); },
         Variant(true), " --> True"},
        {"IsAntiSocial", [](FakeEngineBasket& b) { b.isAntiSocial = true; },
         [](Basket& b) { return Variant(b.IsAntiSocial()); }, Variant(true), " --> True"},
        {"IsCommitted", [](FakeEngineBasket&) {}, [](Basket& b) { return Variant(b.IsCommitted()); }, Variant(false),
         " --> False"},
        {"TotalPrice", [](FakeEngineBasket& b) { b.addItem(u"A"_s, 125000)->quantity = 2; },
         [](Basket& b) { return Variant::fromCurrency(b.TotalPrice()); }, Variant::fromCurrency(250000), " --> 25"},
        {"TotalTender", [](FakeEngineBasket& b) { b.totalTender = 12345; },
         [](Basket& b) { return Variant::fromCurrency(b.TotalTender()); }, Variant::fromCurrency(12345), " --> 1.2345"},
        {"AllowedPaymentMethod", [](FakeEngineBasket& b) { b.allowedPaymentMethod = 6; },
         [](Basket& b) { return Variant(b.AllowedPaymentMethod()); }, Variant(qint32(6)), " --> 6"},
        {"ActualPaymentMethod", [](FakeEngineBasket& b) { b.actualPaymentMethod = -1; },
         [](Basket& b) { return Variant(b.ActualPaymentMethod()); }, Variant(qint32(-1)), " --> -1"},
    };
    for (const BasketPropertyCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        startEngine();
        testCase.arrange(basket());
        EXPECT_EQ(testCase.read(*sale), testCase.expected);
        EXPECT_EQ(traceLines(), (QStringList{u"GET: Basket."_s + QString::fromUtf8(testCase.name),
                                             QString::fromUtf8(testCase.resultLine)}));
        frmController::unload();
        TestEventLoop::runPending();
    }
}

TEST_F(BasketTest, ActualPaymentMethodLetLogsBeforeItsChecksAndSetsTheEngine)
{
    startEngine();
    sale->setActualPaymentMethod(3);
    EXPECT_EQ(basket().actualPaymentMethod, 3);
    EXPECT_EQ(traceLines(), QStringList{u"SET: Basket.ActualPaymentMethod = 3"_s});

    engine->basket.reset();
    clearRecords();
    EXPECT_EQ(errorOf([&] { sale->setActualPaymentMethod(4); }).description(), u"Basket does not Exist"_s);
    EXPECT_EQ(traceLines(), QStringList{u"SET: Basket.ActualPaymentMethod = 4"_s});
}

TEST_F(BasketTest, ItemMakesANewWrapperEachTimeAndLogsTheDescription)
{
    startEngine();
    basket().addItem(u"P1"_s);
    basket().addItem(u"P2"_s)->description = u"Talk 20"_s;

    const auto first = sale->Item(u" 2 "_s);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket.Item(2)"_s, u"CALL: Basket.Exists(2)"_s, u" --> True"_s,
                                         u"GET: BasketItem.Description"_s, u" --> Talk 20"_s, u" --> Talk 20"_s}));
    const auto second = sale->Item(u"2"_s);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->ProductID(), u"P2"_s);
    basket().items[1]->productID = u"P9"_s;
    EXPECT_EQ(second->ProductID(), u"P9"_s);
    EXPECT_EQ(first->ProductID(), u"P9"_s);
}

TEST_F(BasketTest, UnknownIndexIsNotFoundForItemAndRemoveButFalseForExists)
{
    startEngine();
    basket().addItem(u"P1"_s);
    EXPECT_FALSE(sale->Exists(u"7"_s));
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket.Exists(7)"_s, u" --> False"_s}));

    for (const Named& member : {Named{"Item", [](Basket& b) { b.Item(u"7"_s); }},
                                Named{"Remove", [](Basket& b) { b.Remove(u"7"_s); }}}) {
        SCOPED_TRACE(member.name);
        clearRecords();
        const AutomationError error = errorOf([&] { member.call(*sale); });
        EXPECT_EQ(error.number(), kNotFound.number);
        EXPECT_EQ(error.description(), u"Basket Item not Found"_s);
        const QString name = QString::fromUtf8(member.name);
        EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket."_s + name + u"(7)"_s, u"CALL: Basket.Exists(7)"_s,
                                             u" --> False"_s, u" --> Not Found!"_s}));
        EXPECT_TRUE(engine->calls.filter(u"RemoveItem").isEmpty());
    }
}

TEST_F(BasketTest, BlankIndexReachesTheEngineAsAnOmittedArgument)
{
    startEngine();
    basket().addItem(u"P1"_s);
    basket().addItem(u"P2"_s);
    // The fake engine takes an omitted index for its first item.
    EXPECT_EQ(sale->Item(u"   "_s)->ProductID(), u"P1"_s);
    EXPECT_EQ(sale->Item()->ProductID(), u"P1"_s);
    EXPECT_TRUE(sale->Remove());
    EXPECT_TRUE(engine->calls.contains(u"RemoveItem()"_s));
}

TEST_F(BasketTest, RemoveAsksTheEngineAndReturnsItsAnswer)
{
    startEngine();
    basket().addItem(u"P1"_s);
    EXPECT_TRUE(sale->Remove(u"1"_s));
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket.Remove(1)"_s, u"CALL: Basket.Exists(1)"_s, u" --> True"_s,
                                         u" --> True"_s}));
    EXPECT_TRUE(engine->calls.contains(u"RemoveItem(1)"_s));
    EXPECT_EQ(basket().Count(), 0);
}

TEST_F(BasketTest, CommitAnswersTheEngineOrFalseWhenAlreadyCommitted)
{
    startEngine();
    basket().addItem(u"P1"_s);
    EXPECT_TRUE(sale->Commit());
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket.Commit()"_s, u" --> True"_s}));
    EXPECT_EQ(listener.events, QStringList{u"BasketCommitted(1)"_s});

    clearRecords();
    EXPECT_FALSE(sale->Commit());
    EXPECT_EQ(traceLines(), QStringList{u"CALL: Basket.Commit()"_s});
    EXPECT_TRUE(engine->calls.filter(u"Commit").isEmpty());
}

TEST_F(BasketTest, AnEngineFailureIsRecordedAndReachesTheCallerAsAGeneralError)
{
    startEngine();
    basket().addItem(u"P1"_s);
    engine->failures.insert(u"Commit"_s, AutomationError(1001, u"QuibaRules"_s, u"Host unreachable"_s));
    const AutomationError error = errorOf([&] { sale->Commit(); });
    EXPECT_EQ(error.number(), quibaGeneralError);
    EXPECT_EQ(error.source(), u"pcQUIBABasket"_s);
    EXPECT_EQ(error.description(), u"General Error: Host unreachable"_s);
    EXPECT_TRUE(errorHandler->events.contains(u"record 1001 Basket.Function Commit"_s))
        << errorHandler->events.join(u'\n').toStdString();
    EXPECT_EQ(errorHandler->enters, errorHandler->leaves);
    EXPECT_EQ(traceLines(), QStringList{u"CALL: Basket.Commit()"_s});
}

TEST_F(BasketTest, ClearAbandonsTheBasketInAnyOpenOrCommittedState)
{
    startEngine();
    basket().addItem(u"P1"_s);
    basket().isCommitted = true;
    basket().isFull = true;
    sale->Clear();
    EXPECT_EQ(traceLines(), QStringList{u"CALL: Basket.Clear()"_s});
    EXPECT_TRUE(engine->calls.contains(u"ClearBasket()"_s));
}

TEST_F(BasketTest, SuspendAndResumeAnswerFalseAfterTheirChecks)
{
    startEngine();
    basket().addItem(u"P1"_s);
    EXPECT_FALSE(sale->SuspendBasket());
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket.SuspendBasket()"_s, u" --> False"_s}));

    clearRecords();
    std::optional<QString> reference = u"REF-1"_s;
    EXPECT_FALSE(sale->ResumeBasket(u"H42"_s, reference));
    EXPECT_EQ(reference, u"REF-1"_s);
    EXPECT_EQ(traceLines(), (QStringList{u"CALL: Basket.ResumeBasket(H42)"_s, u" --> False"_s}));
}

TEST_F(BasketTest, EnumerationFollowsTheEnginesOwnOrder)
{
    startEngine();
    for (const auto& [id, product] : {std::pair{3, u"C"_s}, std::pair{1, u"A"_s}, std::pair{2, u"B"_s}})
        basket().addItem(product)->id = id;

    const auto items = sale->NewEnum();
    QStringList seen;
    for (const Variant& element : items->items())
        seen.append(std::dynamic_pointer_cast<BasketItem>(element.objectValue())->ID());
    EXPECT_EQ(seen, (QStringList{u"3"_s, u"1"_s, u"2"_s}));
}

TEST_F(BasketTest, VouchersIsOneObjectCountingTheEnginesExistingDocuments)
{
    startEngine();
    QTemporaryDir folder;
    const QString present = folder.filePath(u"v1.xml"_s);
    ASSERT_TRUE(TestFiles::write(present, {}));
    basket().documents = {present, folder.filePath(u"vanished.xml"_s)};

    const auto vouchers = sale->Vouchers();
    EXPECT_EQ(sale->Vouchers(), vouchers);
    EXPECT_EQ(vouchers->Count(), 1);

    // The engine replaces its basket after the sale: the same objects see the new one.
    engine->basket = std::make_shared<FakeEngineBasket>();
    EXPECT_EQ(vouchers->Count(), 0);
    EXPECT_EQ(sale->Count(), 0);
}

TEST_F(BasketTest, DocumentListStaysEmptyWithoutEngineOrWithoutBasket)
{
    startEngine();
    QTemporaryDir folder;
    const QString present = folder.filePath(u"v1.xml"_s);
    ASSERT_TRUE(TestFiles::write(present, {}));
    basket().documents = {present};
    const auto vouchers = sale->Vouchers();
    ASSERT_EQ(vouchers->Count(), 1);

    auto keep = engine->basket;
    engine->basket.reset();
    EXPECT_EQ(vouchers->Count(), 0);
    engine->basket = keep;
    frmController::instance().StopEngine();
    EXPECT_EQ(vouchers->Count(), 0);
}

} // namespace
