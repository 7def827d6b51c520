#include "config/IniDefaults.h"

#include "config/IniKeys.h"
#include "config/IniMachine.h"
#include "platform/ProgramFolders.h"
#include "support/modTouchTools.h"

#include <QDir>
#include <QHash>

using namespace Qt::StringLiterals;

namespace {

// The fixed defaults.
const QHash<QString, Variant>& fixedDefaults()
{
    static const QHash<QString, Variant> table{
        {IniKeys::ChimeMinutes, qint16(20)},
        {IniKeys::PingMinutes, qint16(0)},
        {IniKeys::LastPing, Variant::fromDate(0.0)},
        {IniKeys::Debug, false},
        {IniKeys::Masterpin, u"518042"_s},
        {IniKeys::SoftwareId, u"VB"_s},
        {IniKeys::StandaloneStart, u"/splash"_s},
        {IniKeys::TraceId, qint16(0)},
        {IniKeys::TrainingMode, false},
        {IniKeys::DataRetentionDays, qint16(7)},
        {IniKeys::NodeCacheSize, qint16(40)},
        {IniKeys::DocumentCacheSize, qint16(4)},
        {IniKeys::PerformAssignCommands, true},
        {IniKeys::PerformPurchaseCommands, true},
        {IniKeys::PerformPingCommands, true},
        {IniKeys::WellBehaved, true},
        {IniKeys::EngineTimeout, qint16(60)},
        {IniKeys::ModelName, u"POS"_s},
        {IniKeys::MakeName, u"PCQUIBA"_s},
        {IniKeys::AllowAdditem, true},
        {IniKeys::AllowGetpayment, true},
        {IniKeys::AllowPrint, true},
        {IniKeys::AllowPrintevents, true},
        {IniKeys::AllowShow, true},
        {IniKeys::AllowXml, true},
        {IniKeys::AutoCheckout, false},
        {IniKeys::AutoPrint, false},
        {IniKeys::CheckoutGui, u"null"_s},
        {IniKeys::PrintGui, u"null"_s},
        {IniKeys::DefaultProductId, u"9332104006000"_s},
        {IniKeys::MaxBasketItems, qint16(1)},
        {IniKeys::MaxBasketValue, qint16(1000)},
        {IniKeys::OneItemPerShow, false},
        {IniKeys::UseByEmpty, double(1.5)},
        {IniKeys::UseByUncommitted, qint16(30)},
        {IniKeys::UseByUnprinted, qint16(15)},
        {IniKeys::UseByPrinted, qint16(3)},
        {IniKeys::GuiTimeout, qint16(15)},
        {IniKeys::BackupPath, u"backup"_s},
        {IniKeys::DownloadPath, u"download"_s},
        {IniKeys::FragmentPath, u"fragments"_s},
        {IniKeys::FragmentTempPath, u"fragments_temp"_s},
        {IniKeys::FragmentedXml, u"otc.xml"_s},
        {IniKeys::Lexicon, u"english.txt"_s},
        {IniKeys::LogoExt, u"bmp"_s},
        {IniKeys::LogoPath, u"logos"_s},
        {IniKeys::ManifestXml, u"manifest.xml"_s},
        {IniKeys::OtcXml, u"otc.xml"_s},
        {IniKeys::SkinsPath, u"skins"_s},
        {IniKeys::DefaultSkin, u"default"_s},
        {IniKeys::ReviewSkin, u"=>default_skin"_s},
        {IniKeys::CheckoutSkin, u"=>default_skin"_s},
        {IniKeys::PrintingSkin, u"=>default_skin"_s},
        {IniKeys::AltScreen, false},
        {IniKeys::Backdoor, false},
        {IniKeys::LogKeys, false},
        {IniKeys::WindowLeft, qint16(0)},
        {IniKeys::WindowTop, qint16(0)},
        {IniKeys::WindowTopmost, false},
        {IniKeys::WipeSpeed, qint16(90)},
        {IniKeys::WipeType, qint16(12)},
        {IniKeys::AcceleratorKeys, false},
        {IniKeys::KeyboardLayout, qint16(0)},
        {IniKeys::PcKeyboard, true},
        {IniKeys::TouchKeyboard, true},
        {IniKeys::InitDelay, qint16(5)},
        {IniKeys::AllowedPayments, qint16(16639)},
        {IniKeys::SuggestedPayments, qint16(254)},
        {IniKeys::CheckoutTimeout, qint16(300)},
        {IniKeys::OnCancel, u"QUIT"_s},
        {IniKeys::OnTimeout, u"QUIT"_s},
        {IniKeys::OnError, u"PROMPT"_s},
        {IniKeys::OnDeclined, u"PROMPT"_s},
        {IniKeys::Receipt, u"receipt"_s},
        {IniKeys::SimulatorMode, false},
        {IniKeys::FontA, u"Arial"_s},
        {IniKeys::FontASize, qint16(10)},
        {IniKeys::FontACpl, qint16(42)},
        {IniKeys::FontB, u"Arial"_s},
        {IniKeys::FontBSize, qint16(8)},
        {IniKeys::FontBCpl, qint16(56)},
        {IniKeys::FontC, u"Courier New"_s},
        {IniKeys::FontCSize, qint16(9)},
        {IniKeys::FontCCpl, qint16(42)},
        {IniKeys::PrintColumns, qint16(1)},
        {IniKeys::PrintColumnGap, qint16(2)},
        {IniKeys::PrintRows, qint16(1)},
        {IniKeys::PrintRowHeight, qint16(0)},
        {IniKeys::PrintLeftMargin, qint16(0)},
        {IniKeys::PrintTopMargin, qint16(0)},
        {IniKeys::PrintBottomMargin, qint16(0)},
        {IniKeys::PelsPerMetreX, qint16(8000)},
        {IniKeys::PelsPerMetreY, qint16(8000)},
        {IniKeys::PrintPreview, false},
        {IniKeys::PrinterWidth, qint16(72)},
        {IniKeys::AckCount, qint16(1)},
        {IniKeys::Assign, u"ok"_s},
        {IniKeys::AssignType, u"assign"_s},
        {IniKeys::BlockSize, qint16(1024)},
        {IniKeys::Compression, u"NONE"_s},
        {IniKeys::ConnectionType, u"TCP"_s},
        {IniKeys::BufferSize, u"1"_s},
        {IniKeys::HostTimeout, qint16(10)},
        {IniKeys::PacketType, u"s"_s},
        {IniKeys::PaymentFlowAnd, qint16(248)},
        {IniKeys::PaymentFlowOr, qint16(0)},
        {IniKeys::Reprint, false},
        {IniKeys::Rollback, true},
        {IniKeys::StartDate, Variant::fromDate(0.0)},
        {IniKeys::UpdateRequired, false},
        {IniKeys::State, u"READY"_s},
        {IniKeys::Checksum, u"0000"_s},
        {IniKeys::FullRefresh, false},
        {IniKeys::RollbackPossible, false},
        {IniKeys::FragChecksum, u"0000"_s},
        {IniKeys::CompressFrags, true},
        {IniKeys::IgnoreChecksums, false},
        {IniKeys::UpdateRetryMins, qint16(1200)},
    };
    return table;
}

// The defaults that depend on the machine, worked out when asked for.
const QHash<QString, Variant (*)()>& computedDefaults()
{
    static const QHash<QString, Variant (*)()> table{
        {IniKeys::HardwareId, [] { return Variant(IniDefaults::computerName(IniDefaults::kNameBufferSize)); }},
        {IniKeys::Operator, [] { return Variant(IniDefaults::userName(IniDefaults::kNameBufferSize)); }},
        {IniKeys::AppPath, [] { return Variant(IniDefaults::applicationPath()); }},
        {IniKeys::DataPath, [] { return Variant(ProgramFolders::data()); }},
        {IniKeys::LogPath, [] { return Variant(ProgramFolders::logs()); }},
        {IniKeys::ManifestPath, [] { return Variant(ProgramFolders::manifest()); }},
        {IniKeys::QuibaPath, [] { return Variant(ProgramFolders::root()); }},
        {IniKeys::WindowWidth, [] { return Variant(float(IniMachine::current().screenSize().width())); }},
        {IniKeys::WindowHeight, [] { return Variant(float(IniMachine::current().screenSize().height())); }},
    };
    return table;
}

// A name as a buffer of that many characters receives it, its terminating NUL included.
QString inBuffer(const QString& name, int bufferSize)
{
    return modTouchTools::CutAtNul(name).left(bufferSize - 1);
}

} // namespace

Variant IniDefaults::iniDefault(const QString& key)
{
    if (const auto computed = computedDefaults().constFind(key); computed != computedDefaults().cend())
        return (*computed)();
    return fixedDefaults().value(key);
}

QString IniDefaults::computerName(int bufferSize)
{
    return inBuffer(IniMachine::current().computerName(), bufferSize);
}

QString IniDefaults::userName(int bufferSize)
{
    return inBuffer(IniMachine::current().userName(), bufferSize);
}

QString IniDefaults::applicationPath()
{
    return QDir::cleanPath(IniMachine::current().executableFolder() + u"/.."_s);
}
