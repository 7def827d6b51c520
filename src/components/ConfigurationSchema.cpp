#include "components/ConfigurationSchema.h"

#include "config/IniKeys.h"
#include "config/IniSections.h"

using namespace Qt::StringLiterals;

namespace {

using K = IniKeys;

QStringList deviceKeys()
{
    return {K::Class, K::AcceleratorKeys, K::KeyboardLayout, K::PcKeyboard, K::TouchKeyboard};
}

} // namespace

const QList<ConfigurationSchema::Section>& ConfigurationSchema::sections()
{
    static const QList<Section> table{
        {IniSections::General,
         {K::ChimeMinutes, K::PingMinutes, K::LastPing, K::Debug, K::HardwareId, K::Masterpin, K::Operator,
          K::SoftwareId, K::StandaloneStart, K::TraceId, K::TrainingMode, K::DataRetentionDays, K::NodeCacheSize,
          K::DocumentCacheSize, K::PerformAssignCommands, K::PerformPurchaseCommands, K::PerformPingCommands,
          K::WellBehaved}},
        {IniSections::Info, {K::ModelName, K::MakeName}},
        {IniSections::Api,
         {K::AllowAdditem, K::AllowCommit, K::AllowGetpayment, K::AllowPrint, K::AllowPrintevents, K::AllowShow,
          K::AllowXml, K::AutoCheckout, K::AutoPrint, K::CheckoutGui, K::PrintGui, K::DefaultProductId,
          K::MaxBasketItems, K::MaxBasketValue, K::OneItemPerShow, K::UseByEmpty, K::UseByUncommitted,
          K::UseByUnprinted, K::UseByPrinted, K::GuiTimeout}},
        {IniSections::Files,
         {K::AppPath, K::BackupPath, K::Cursor, K::DataPath, K::DmplayerPath, K::DmplayerXml, K::DownloadPath,
          K::FragmentPath, K::FragmentTempPath, K::FragmentedXml, K::Lexicon, K::LogPath, K::LogoExt, K::LogoPath,
          K::ManifestPath, K::ManifestXml, K::OtcXml, K::SkinsPath, K::QuibaPath, K::LocalServerDataPath,
          K::CompressedExt}},
        {IniSections::Skins, {K::DefaultSkin, K::ReviewSkin, K::CheckoutSkin, K::PrintingSkin}},
        {IniSections::Gui,
         {K::AltScreen, K::Backdoor, K::LogKeys, K::WindowHeight, K::WindowLeft, K::WindowTop, K::WindowTopmost,
          K::WindowWidth, K::WipeSpeed, K::WipeType}},
        {IniSections::Keyboard, deviceKeys()},
        {IniSections::BarcodeReader, deviceKeys()},
        {IniSections::CardReader, deviceKeys()},
        {IniSections::Checkout,
         {K::InitDelay, K::AllowedPayments, K::SuggestedPayments, K::CheckoutTimeout, K::OnCancel, K::OnTimeout,
          K::OnError, K::OnDeclined, K::PaymentSlip, K::Receipt, K::SimulatorMode}},
        {IniSections::Printer,
         {K::Class, K::FontA, K::FontASize, K::FontACpl, K::FontB, K::FontBSize, K::FontBCpl, K::FontC, K::FontCSize,
          K::FontCCpl, K::PrintColumns, K::PrintColumnGap, K::PrintRows, K::PrintRowHeight, K::PrintLeftMargin,
          K::PrintTopMargin, K::PrintBottomMargin, K::PelsPerMetreX, K::PelsPerMetreY, K::PrintPreview,
          K::PrinterDevice, K::PrinterType, K::PrinterWidth}},
        {IniSections::Host,
         {K::AckCount, K::Assign, K::AssignType, K::Address, K::AltAddress, K::BlockSize, K::Compression,
          K::ConnectionType, K::BufferSize, K::Flags, K::HostTimeout, K::LastTransId, K::PacketType,
          K::PaymentFlowAnd, K::PaymentFlowOr, K::Reprint, K::Rollback, K::Route, K::AltRoute}},
        {IniSections::Eftpos, {K::Caid, K::Catid, K::CardName, K::Pan, K::PayeeCaid, K::Stan, K::Tender}},
        {IniSections::Quartermaster,
         {K::Command, u"start_date"_s, u"update_required"_s, u"state"_s, u"package"_s, u"prev_state"_s,
          u"timestamp"_s, u"downloadtimestamp"_s, u"checksum"_s, u"full_refresh"_s, u"application"_s,
          u"rollback_possible"_s, u"frag_datetime"_s, u"frag_checksum"_s, u"compress_frags"_s,
          u"ignore_checksums"_s, u"update_retry_mins"_s}},
    };
    return table;
}
