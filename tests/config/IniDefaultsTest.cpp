#include "config/IniDefaults.h"

#include "config/FakeIniMachine.h"
#include "config/IniFixtureFiles.h"
#include "config/IniKeys.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "common/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// One row of the INI schema: the section and key as the file spells them, the named constants
// that hold them, and the key's default with its kind.
struct SchemaRow {
    const QString& sectionConstant;
    const char* section;
    const QString& keyConstant;
    const char* key;
    Variant expected;
};

const Variant kNone;
const Variant kDateZero = Variant::fromDate(0.0);

Variant integer(int value)
{
    return Variant(qint16(value));
}

Variant text(const char* value)
{
    return Variant(QString::fromUtf8(value));
}

// Machine-dependent defaults are those of a fake machine (KIOSK-07, user till, program in
// /opt/pcquiba/bin, a 1024 by 768 screen) with the program root /srv/kiosk.
TEST(IniDefaultsTest, EveryKeyOfTheSchemaHasItsNameSectionKindAndDefault)
{
    const FakeIniMachine machine;
    const ScopedEnvironment root("PCQUIBA_ROOT", u"/srv/kiosk"_s);
    using S = IniSections;
    using K = IniKeys;
    const SchemaRow rows[] = {
        {S::General, "GENERAL", K::ChimeMinutes, "chime_minutes", integer(20)},
        {S::General, "GENERAL", K::PingMinutes, "ping_minutes", integer(0)},
        {S::General, "GENERAL", K::LastPing, "last_ping", kDateZero},
        {S::General, "GENERAL", K::Debug, "debug", false},
        {S::General, "GENERAL", K::HardwareId, "hardware_id", text("KIOSK-07")},
        {S::General, "GENERAL", K::Masterpin, "masterpin", text("518042")},
        {S::General, "GENERAL", K::Operator, "operator", text("till")},
        {S::General, "GENERAL", K::SoftwareId, "software_id", text("VB")},
        {S::General, "GENERAL", K::StandaloneStart, "standalone_start", text("/splash")},
        {S::General, "GENERAL", K::TraceId, "trace_id", integer(0)},
        {S::General, "GENERAL", K::TrainingMode, "training_mode", false},
        {S::General, "GENERAL", K::DataRetentionDays, "data_retention_days", integer(7)},
        {S::General, "GENERAL", K::NodeCacheSize, "node_cache_size", integer(40)},
        {S::General, "GENERAL", K::DocumentCacheSize, "document_cache_size", integer(4)},
        {S::General, "GENERAL", K::PerformAssignCommands, "perform_assign_commands", true},
        {S::General, "GENERAL", K::PerformPurchaseCommands, "perform_purchase_commands", true},
        {S::General, "GENERAL", K::PerformPingCommands, "perform_ping_commands", true},
        {S::General, "GENERAL", K::WellBehaved, "well_behaved", true},
        {S::Info, "INFO", K::ModelName, "model_name", text("POS")},
        {S::Info, "INFO", K::MakeName, "make_name", text("PCQUIBA")},
        {S::Api, "API", K::AllowAdditem, "allow_additem", true},
        {S::Api, "API", K::AllowCommit, "allow_commit", kNone},
        {S::Api, "API", K::AllowGetpayment, "allow_getpayment", true},
        {S::Api, "API", K::AllowPrint, "allow_print", true},
        {S::Api, "API", K::AllowPrintevents, "allow_printevents", true},
        {S::Api, "API", K::AllowShow, "allow_show", true},
        {S::Api, "API", K::AllowXml, "allow_xml", true},
        {S::Api, "API", K::AutoCheckout, "auto_checkout", false},
        {S::Api, "API", K::AutoPrint, "auto_print", false},
        {S::Api, "API", K::CheckoutGui, "checkout_gui", text("null")},
        {S::Api, "API", K::PrintGui, "print_gui", text("null")},
        {S::Api, "API", K::DefaultProductId, "default_product_id", text("9332104006000")},
        {S::Api, "API", K::MaxBasketItems, "max_basket_items", integer(1)},
        {S::Api, "API", K::MaxBasketValue, "max_basket_value", integer(1000)},
        {S::Api, "API", K::OneItemPerShow, "one_item_per_show", false},
        {S::Api, "API", K::UseByEmpty, "use_by_empty", 1.5},
        {S::Api, "API", K::UseByUncommitted, "use_by_uncommitted", integer(30)},
        {S::Api, "API", K::UseByUnprinted, "use_by_unprinted", integer(15)},
        {S::Api, "API", K::UseByPrinted, "use_by_printed", integer(3)},
        {S::Api, "API", K::GuiTimeout, "gui_timeout", integer(15)},
        {S::Files, "FILES", K::AppPath, "app_path", text("/opt/pcquiba")},
        {S::Files, "FILES", K::BackupPath, "backup_path", text("backup")},
        {S::Files, "FILES", K::Cursor, "cursor", kNone},
        {S::Files, "FILES", K::DataPath, "data_path", text("/srv/kiosk/data")},
        {S::Files, "FILES", K::DmplayerPath, "dmplayer_path", kNone},
        {S::Files, "FILES", K::DmplayerXml, "dmplayer_xml", kNone},
        {S::Files, "FILES", K::DownloadPath, "download_path", text("download")},
        {S::Files, "FILES", K::FragmentPath, "fragment_path", text("fragments")},
        {S::Files, "FILES", K::FragmentTempPath, "fragment_temp_path", text("fragments_temp")},
        {S::Files, "FILES", K::FragmentedXml, "fragmented_xml", text("otc.xml")},
        {S::Files, "FILES", K::Lexicon, "lexicon", text("english.txt")},
        {S::Files, "FILES", K::LogPath, "log_path", text("/srv/kiosk/logs")},
        {S::Files, "FILES", K::LogoExt, "logo_ext", text("bmp")},
        {S::Files, "FILES", K::LogoPath, "logo_path", text("logos")},
        {S::Files, "FILES", K::ManifestPath, "manifest_path", text("/srv/kiosk/manifest")},
        {S::Files, "FILES", K::ManifestXml, "manifest_xml", text("manifest.xml")},
        {S::Files, "FILES", K::OtcXml, "otc_xml", text("otc.xml")},
        {S::Files, "FILES", K::SkinsPath, "skins_path", text("skins")},
        {S::Files, "FILES", K::QuibaPath, "quiba_path", text("/srv/kiosk")},
        {S::Files, "FILES", K::LocalServerDataPath, "local_server_data_path", kNone},
        {S::Files, "FILES", K::CompressedExt, "compressed_ext", kNone},
        {S::Skins, "SKINS", K::DefaultSkin, "default_skin", text("default")},
        {S::Skins, "SKINS", K::ReviewSkin, "review_skin", text("=>default_skin")},
        {S::Skins, "SKINS", K::CheckoutSkin, "checkout_skin", text("=>default_skin")},
        {S::Skins, "SKINS", K::PrintingSkin, "printing_skin", text("=>default_skin")},
        {S::Gui, "GUI", K::AltScreen, "alt_screen", false},
        {S::Gui, "GUI", K::Backdoor, "backdoor", false},
        {S::Gui, "GUI", K::LogKeys, "log_keys", false},
        {S::Gui, "GUI", K::WindowHeight, "window_height", 768.0f},
        {S::Gui, "GUI", K::WindowLeft, "window_left", integer(0)},
        {S::Gui, "GUI", K::WindowTop, "window_top", integer(0)},
        {S::Gui, "GUI", K::WindowTopmost, "window_topmost", false},
        {S::Gui, "GUI", K::WindowWidth, "window_width", 1024.0f},
        {S::Gui, "GUI", K::WipeSpeed, "wipe_speed", integer(90)},
        {S::Gui, "GUI", K::WipeType, "wipe_type", integer(12)},
        {S::Keyboard, "KEYBOARD", K::Class, "class", kNone},
        {S::BarcodeReader, "BARCODE_READER", K::AcceleratorKeys, "accelerator_keys", false},
        {S::CardReader, "CARD_READER", K::KeyboardLayout, "keyboard_layout", integer(0)},
        {S::Keyboard, "KEYBOARD", K::PcKeyboard, "pc_keyboard", true},
        {S::CardReader, "CARD_READER", K::TouchKeyboard, "touch_keyboard", true},
        {S::Checkout, "CHECKOUT", K::InitDelay, "init_delay", integer(5)},
        {S::Checkout, "CHECKOUT", K::AllowedPayments, "allowed_payments", integer(0x40FF)},
        {S::Checkout, "CHECKOUT", K::SuggestedPayments, "suggested_payments", integer(0xFE)},
        {S::Checkout, "CHECKOUT", K::CheckoutTimeout, "checkout_timeout", integer(300)},
        {S::Checkout, "CHECKOUT", K::OnCancel, "on_cancel", text("QUIT")},
        {S::Checkout, "CHECKOUT", K::OnTimeout, "on_timeout", text("QUIT")},
        {S::Checkout, "CHECKOUT", K::OnError, "on_error", text("PROMPT")},
        {S::Checkout, "CHECKOUT", K::OnDeclined, "on_declined", text("PROMPT")},
        {S::Checkout, "CHECKOUT", K::PaymentSlip, "payment_slip", kNone},
        {S::Checkout, "CHECKOUT", K::Receipt, "receipt", text("receipt")},
        {S::Checkout, "CHECKOUT", K::SimulatorMode, "simulator_mode", false},
        {S::Printer, "PRINTER", K::Class, "class", kNone},
        {S::Printer, "PRINTER", K::FontA, "font_a", text("Arial")},
        {S::Printer, "PRINTER", K::FontASize, "font_a_size", integer(10)},
        {S::Printer, "PRINTER", K::FontACpl, "font_a_cpl", integer(42)},
        {S::Printer, "PRINTER", K::FontB, "font_b", text("Arial")},
        {S::Printer, "PRINTER", K::FontBSize, "font_b_size", integer(8)},
        {S::Printer, "PRINTER", K::FontBCpl, "font_b_cpl", integer(56)},
        {S::Printer, "PRINTER", K::FontC, "font_c", text("Courier New")},
        {S::Printer, "PRINTER", K::FontCSize, "font_c_size", integer(9)},
        {S::Printer, "PRINTER", K::FontCCpl, "font_c_cpl", integer(42)},
        {S::Printer, "PRINTER", K::PrintColumns, "print_columns", integer(1)},
        {S::Printer, "PRINTER", K::PrintColumnGap, "print_column_gap", integer(2)},
        {S::Printer, "PRINTER", K::PrintRows, "print_rows", integer(1)},
        {S::Printer, "PRINTER", K::PrintRowHeight, "print_row_height", integer(0)},
        {S::Printer, "PRINTER", K::PrintLeftMargin, "print_left_margin", integer(0)},
        {S::Printer, "PRINTER", K::PrintTopMargin, "print_top_margin", integer(0)},
        {S::Printer, "PRINTER", K::PrintBottomMargin, "print_bottom_margin", integer(0)},
        {S::Printer, "PRINTER", K::PelsPerMetreX, "pels_per_metre_x", integer(8000)},
        {S::Printer, "PRINTER", K::PelsPerMetreY, "pels_per_metre_y", integer(8000)},
        {S::Printer, "PRINTER", K::PrintPreview, "print_preview", false},
        {S::Printer, "PRINTER", K::PrinterDevice, "printer_device", kNone},
        {S::Printer, "PRINTER", K::PrinterType, "printer_type", kNone},
        {S::Printer, "PRINTER", K::PrinterWidth, "printer_width", integer(72)},
        {S::Host, "HOST", K::AckCount, "ack_count", integer(1)},
        {S::Host, "HOST", K::Assign, "assign", text("ok")},
        {S::Host, "HOST", K::AssignType, "assign_type", text("assign")},
        {S::Host, "HOST", K::Address, "address", kNone},
        {S::Host, "HOST", K::AltAddress, "alt_address", kNone},
        {S::Host, "HOST", K::BlockSize, "block_size", integer(1024)},
        {S::Host, "HOST", K::Compression, "compression", text("NONE")},
        {S::Host, "HOST", K::ConnectionType, "connection_type", text("TCP")},
        {S::Host, "HOST", K::BufferSize, "buffer_size", text("1")},
        {S::Host, "HOST", K::Flags, "flags", kNone},
        {S::Host, "HOST", K::HostTimeout, "host_timeout", integer(10)},
        {S::Host, "HOST", K::LastTransId, "last_trans_id", kNone},
        {S::Host, "HOST", K::PacketType, "packet_type", text("s")},
        {S::Host, "HOST", K::PaymentFlowAnd, "payment_flow_and", integer(0xF8)},
        {S::Host, "HOST", K::PaymentFlowOr, "payment_flow_or", integer(0)},
        {S::Host, "HOST", K::Reprint, "reprint", false},
        {S::Host, "HOST", K::Rollback, "rollback", true},
        {S::Host, "HOST", K::Route, "route", kNone},
        {S::Host, "HOST", K::AltRoute, "alt_route", kNone},
        {S::Eftpos, "EFTPOS", K::Caid, "caid", kNone},
        {S::Eftpos, "EFTPOS", K::Catid, "catid", kNone},
        {S::Eftpos, "EFTPOS", K::CardName, "card_name", kNone},
        {S::Eftpos, "EFTPOS", K::Pan, "pan", kNone},
        {S::Eftpos, "EFTPOS", K::PayeeCaid, "payee_caid", kNone},
        {S::Eftpos, "EFTPOS", K::Stan, "stan", kNone},
        {S::Eftpos, "EFTPOS", K::Tender, "tender", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::Command, "command", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::StartDate, "start_date", kDateZero},
        {S::Quartermaster, "QUARTERMASTER", K::UpdateRequired, "update_required", false},
        {S::Quartermaster, "QUARTERMASTER", K::State, "state", text("READY")},
        {S::Quartermaster, "QUARTERMASTER", K::Package, "package", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::PrevState, "prev_state", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::Timestamp, "timestamp", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::Downloadtimestamp, "downloadtimestamp", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::Checksum, "checksum", text("0000")},
        {S::Quartermaster, "QUARTERMASTER", K::FullRefresh, "full_refresh", false},
        {S::Quartermaster, "QUARTERMASTER", K::Application, "application", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::RollbackPossible, "rollback_possible", false},
        {S::Quartermaster, "QUARTERMASTER", K::FragDatetime, "frag_datetime", kNone},
        {S::Quartermaster, "QUARTERMASTER", K::FragChecksum, "frag_checksum", text("0000")},
        {S::Quartermaster, "QUARTERMASTER", K::CompressFrags, "compress_frags", true},
        {S::Quartermaster, "QUARTERMASTER", K::IgnoreChecksums, "ignore_checksums", false},
        {S::Quartermaster, "QUARTERMASTER", K::UpdateRetryMins, "update_retry_mins", integer(1200)},
    };
    for (const SchemaRow& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "." + row.key);
        EXPECT_EQ(row.sectionConstant, QString::fromUtf8(row.section));
        EXPECT_EQ(row.keyConstant, QString::fromUtf8(row.key));
        const Variant value = IniDefaults::iniDefault(QString::fromUtf8(row.key));
        EXPECT_EQ(value.kind(), row.expected.kind());
        EXPECT_EQ(value, row.expected);
    }
}

TEST(IniDefaultsTest, SectionsWithoutFixedKeysHaveTheirNames)
{
    const struct {
        const QString& constant;
        const char* name;
    } sections[] = {
        {IniSections::Commands, "COMMANDS"},         {IniSections::Operators, "OPERATORS"},
        {IniSections::Logging, "LOGGING"},           {IniSections::ProductIndex, "PRODUCT_INDEX"},
        {IniSections::HardwareId, "HARDWARE_ID"},    {IniSections::AssignCode1, "ASSIGN_CODE_1"},
        {IniSections::AssignCode2, "ASSIGN_CODE_2"},
    };
    for (const auto& section : sections)
        EXPECT_EQ(section.constant, QString::fromUtf8(section.name));
}

TEST(IniDefaultsTest, UpperCaseMisspeltAndUnknownNamesHaveNoDefault)
{
    for (const char* key : {"CHIME_MINUTES", "Debug", "chime_minute", " debug", "debug ", "GENERAL", "", "x"}) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(IniDefaults::iniDefault(QString::fromUtf8(key)).isEmpty());
    }
}

TEST(IniDefaultsTest, AKeyWithoutDefaultReadsAsFalseThroughABooleanGetter)
{
    clsINIFile ini;
    ini.setFileName(TestEnvironment::root() + u"/no-such.ini"_s);
    const Variant fallback = IniDefaults::iniDefault(IniKeys::AllowCommit);
    EXPECT_FALSE(ini.GetBoolean(IniSections::Api, IniKeys::AllowCommit, fallback.toBool()));
    EXPECT_TRUE(ini.GetBoolean(IniSections::Api, IniKeys::AllowShow, IniDefaults::iniDefault(IniKeys::AllowShow).toBool()));
}

// The computed defaults follow the machine at each call, cut as the 32-character buffers cut them.
TEST(IniDefaultsTest, MachineDefaultsFollowTheMachineAtEachCall)
{
    FakeIniMachine machine;
    struct Case {
        QString computer;
        QString user;
        QString folder;
        QSize screen;
        QString hardwareId;
        QString operatorName;
        QString appPath;
        float width;
        float height;
    };
    const QString longName = QString(40, u'n');
    const Case cases[] = {
        {u"till-2"_s, u"kiosk"_s, u"/opt/q/bin"_s, {1280, 1024}, u"till-2"_s, u"kiosk"_s, u"/opt/q"_s, 1280, 1024},
        {longName, longName, u"/bin"_s, {800, 600}, longName.left(31), longName.left(31), u"/"_s, 800, 600},
        {u"ab\0cd"_s, u"\0x"_s, u"/a/b/c"_s, {1920, 1080}, u"ab"_s, u""_s, u"/a/b"_s, 1920, 1080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.computer.toStdString());
        machine.computer = c.computer;
        machine.user = c.user;
        machine.folder = c.folder;
        machine.screen = c.screen;
        EXPECT_EQ(IniDefaults::iniDefault(IniKeys::HardwareId), Variant(c.hardwareId));
        EXPECT_EQ(IniDefaults::iniDefault(IniKeys::Operator), Variant(c.operatorName));
        EXPECT_EQ(IniDefaults::iniDefault(IniKeys::AppPath), Variant(c.appPath));
        EXPECT_EQ(IniDefaults::iniDefault(IniKeys::WindowWidth), Variant(c.width));
        EXPECT_EQ(IniDefaults::iniDefault(IniKeys::WindowHeight), Variant(c.height));
    }
    EXPECT_EQ(IniMachine::sizeOf(nullptr), QSize(1024, 768));
}

} // namespace
