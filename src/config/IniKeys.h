#pragma once

#include <QString>

// The key names of the INI file, lower case as they stand in the file, grouped by the section
// that holds them. A name used in several sections (class) is listed once.
class IniKeys {
public:
    // GENERAL
    static inline const QString ChimeMinutes = QStringLiteral("chime_minutes");
    static inline const QString PingMinutes = QStringLiteral("ping_minutes");
    static inline const QString LastPing = QStringLiteral("last_ping");
    static inline const QString Debug = QStringLiteral("debug");
    static inline const QString HardwareId = QStringLiteral("hardware_id");
    static inline const QString Masterpin = QStringLiteral("masterpin");
    static inline const QString Operator = QStringLiteral("operator");
    static inline const QString SoftwareId = QStringLiteral("software_id");
    static inline const QString StandaloneStart = QStringLiteral("standalone_start");
    static inline const QString TraceId = QStringLiteral("trace_id");
    static inline const QString TrainingMode = QStringLiteral("training_mode");
    static inline const QString DataRetentionDays = QStringLiteral("data_retention_days");
    static inline const QString NodeCacheSize = QStringLiteral("node_cache_size");
    static inline const QString DocumentCacheSize = QStringLiteral("document_cache_size");
    static inline const QString PerformAssignCommands = QStringLiteral("perform_assign_commands");
    static inline const QString PerformPurchaseCommands = QStringLiteral("perform_purchase_commands");
    static inline const QString PerformPingCommands = QStringLiteral("perform_ping_commands");
    static inline const QString WellBehaved = QStringLiteral("well_behaved");
    // Kiosk-only, without a default: a missing key counts as True (docs/configuration.md).
    static inline const QString LogPrivateData = QStringLiteral("log_private_data");
    static inline const QString EngineTimeout = QStringLiteral("engine_timeout");
    // INFO
    static inline const QString ModelName = QStringLiteral("model_name");
    static inline const QString MakeName = QStringLiteral("make_name");
    // API
    static inline const QString AllowAdditem = QStringLiteral("allow_additem");
    static inline const QString AllowCommit = QStringLiteral("allow_commit");
    static inline const QString AllowGetpayment = QStringLiteral("allow_getpayment");
    static inline const QString AllowPrint = QStringLiteral("allow_print");
    static inline const QString AllowPrintevents = QStringLiteral("allow_printevents");
    static inline const QString AllowShow = QStringLiteral("allow_show");
    static inline const QString AllowXml = QStringLiteral("allow_xml");
    static inline const QString AutoCheckout = QStringLiteral("auto_checkout");
    static inline const QString AutoPrint = QStringLiteral("auto_print");
    static inline const QString CheckoutGui = QStringLiteral("checkout_gui");
    static inline const QString PrintGui = QStringLiteral("print_gui");
    static inline const QString DefaultProductId = QStringLiteral("default_product_id");
    static inline const QString MaxBasketItems = QStringLiteral("max_basket_items");
    static inline const QString MaxBasketValue = QStringLiteral("max_basket_value");
    static inline const QString OneItemPerShow = QStringLiteral("one_item_per_show");
    static inline const QString UseByEmpty = QStringLiteral("use_by_empty");
    static inline const QString UseByUncommitted = QStringLiteral("use_by_uncommitted");
    static inline const QString UseByUnprinted = QStringLiteral("use_by_unprinted");
    static inline const QString UseByPrinted = QStringLiteral("use_by_printed");
    static inline const QString GuiTimeout = QStringLiteral("gui_timeout");
    // FILES
    static inline const QString AppPath = QStringLiteral("app_path");
    static inline const QString BackupPath = QStringLiteral("backup_path");
    static inline const QString Cursor = QStringLiteral("cursor");
    static inline const QString DataPath = QStringLiteral("data_path");
    static inline const QString DmplayerPath = QStringLiteral("dmplayer_path");
    static inline const QString DmplayerXml = QStringLiteral("dmplayer_xml");
    static inline const QString DownloadPath = QStringLiteral("download_path");
    static inline const QString FragmentPath = QStringLiteral("fragment_path");
    static inline const QString FragmentTempPath = QStringLiteral("fragment_temp_path");
    static inline const QString FragmentedXml = QStringLiteral("fragmented_xml");
    static inline const QString Lexicon = QStringLiteral("lexicon");
    static inline const QString LogPath = QStringLiteral("log_path");
    static inline const QString LogoExt = QStringLiteral("logo_ext");
    static inline const QString LogoPath = QStringLiteral("logo_path");
    static inline const QString ManifestPath = QStringLiteral("manifest_path");
    static inline const QString ManifestXml = QStringLiteral("manifest_xml");
    static inline const QString OtcXml = QStringLiteral("otc_xml");
    static inline const QString SkinsPath = QStringLiteral("skins_path");
    static inline const QString QuibaPath = QStringLiteral("quiba_path");
    static inline const QString LocalServerDataPath = QStringLiteral("local_server_data_path");
    static inline const QString CompressedExt = QStringLiteral("compressed_ext");
    // SKINS
    static inline const QString DefaultSkin = QStringLiteral("default_skin");
    static inline const QString ReviewSkin = QStringLiteral("review_skin");
    static inline const QString CheckoutSkin = QStringLiteral("checkout_skin");
    static inline const QString PrintingSkin = QStringLiteral("printing_skin");
    // GUI
    static inline const QString AltScreen = QStringLiteral("alt_screen");
    static inline const QString Backdoor = QStringLiteral("backdoor");
    static inline const QString LogKeys = QStringLiteral("log_keys");
    static inline const QString WindowHeight = QStringLiteral("window_height");
    static inline const QString WindowLeft = QStringLiteral("window_left");
    static inline const QString WindowTop = QStringLiteral("window_top");
    static inline const QString WindowTopmost = QStringLiteral("window_topmost");
    static inline const QString WindowWidth = QStringLiteral("window_width");
    static inline const QString WipeSpeed = QStringLiteral("wipe_speed");
    static inline const QString WipeType = QStringLiteral("wipe_type");
    // KEYBOARD, BARCODE_READER, CARD_READER
    static inline const QString Class = QStringLiteral("class");
    static inline const QString AcceleratorKeys = QStringLiteral("accelerator_keys");
    static inline const QString KeyboardLayout = QStringLiteral("keyboard_layout");
    static inline const QString PcKeyboard = QStringLiteral("pc_keyboard");
    static inline const QString TouchKeyboard = QStringLiteral("touch_keyboard");
    // CHECKOUT
    static inline const QString InitDelay = QStringLiteral("init_delay");
    static inline const QString AllowedPayments = QStringLiteral("allowed_payments");
    static inline const QString SuggestedPayments = QStringLiteral("suggested_payments");
    static inline const QString CheckoutTimeout = QStringLiteral("checkout_timeout");
    static inline const QString OnCancel = QStringLiteral("on_cancel");
    static inline const QString OnTimeout = QStringLiteral("on_timeout");
    static inline const QString OnError = QStringLiteral("on_error");
    static inline const QString OnDeclined = QStringLiteral("on_declined");
    static inline const QString PaymentSlip = QStringLiteral("payment_slip");
    static inline const QString Receipt = QStringLiteral("receipt");
    static inline const QString SimulatorMode = QStringLiteral("simulator_mode");
    // PRINTER
    static inline const QString FontA = QStringLiteral("font_a");
    static inline const QString FontASize = QStringLiteral("font_a_size");
    static inline const QString FontACpl = QStringLiteral("font_a_cpl");
    static inline const QString FontB = QStringLiteral("font_b");
    static inline const QString FontBSize = QStringLiteral("font_b_size");
    static inline const QString FontBCpl = QStringLiteral("font_b_cpl");
    static inline const QString FontC = QStringLiteral("font_c");
    static inline const QString FontCSize = QStringLiteral("font_c_size");
    static inline const QString FontCCpl = QStringLiteral("font_c_cpl");
    static inline const QString PrintColumns = QStringLiteral("print_columns");
    static inline const QString PrintColumnGap = QStringLiteral("print_column_gap");
    static inline const QString PrintRows = QStringLiteral("print_rows");
    static inline const QString PrintRowHeight = QStringLiteral("print_row_height");
    static inline const QString PrintLeftMargin = QStringLiteral("print_left_margin");
    static inline const QString PrintTopMargin = QStringLiteral("print_top_margin");
    static inline const QString PrintBottomMargin = QStringLiteral("print_bottom_margin");
    static inline const QString PelsPerMetreX = QStringLiteral("pels_per_metre_x");
    static inline const QString PelsPerMetreY = QStringLiteral("pels_per_metre_y");
    static inline const QString PrintPreview = QStringLiteral("print_preview");
    static inline const QString PrinterDevice = QStringLiteral("printer_device");
    static inline const QString PrinterType = QStringLiteral("printer_type");
    static inline const QString PrinterWidth = QStringLiteral("printer_width");
    // HOST
    static inline const QString AckCount = QStringLiteral("ack_count");
    static inline const QString Assign = QStringLiteral("assign");
    static inline const QString AssignType = QStringLiteral("assign_type");
    static inline const QString Address = QStringLiteral("address");
    static inline const QString AltAddress = QStringLiteral("alt_address");
    static inline const QString BlockSize = QStringLiteral("block_size");
    static inline const QString Compression = QStringLiteral("compression");
    static inline const QString ConnectionType = QStringLiteral("connection_type");
    static inline const QString BufferSize = QStringLiteral("buffer_size");
    static inline const QString Flags = QStringLiteral("flags");
    static inline const QString HostTimeout = QStringLiteral("host_timeout");
    static inline const QString LastTransId = QStringLiteral("last_trans_id");
    static inline const QString PacketType = QStringLiteral("packet_type");
    static inline const QString PaymentFlowAnd = QStringLiteral("payment_flow_and");
    static inline const QString PaymentFlowOr = QStringLiteral("payment_flow_or");
    static inline const QString Reprint = QStringLiteral("reprint");
    static inline const QString Rollback = QStringLiteral("rollback");
    static inline const QString Route = QStringLiteral("route");
    static inline const QString AltRoute = QStringLiteral("alt_route");
    // EFTPOS
    static inline const QString Caid = QStringLiteral("caid");
    static inline const QString Catid = QStringLiteral("catid");
    static inline const QString CardName = QStringLiteral("card_name");
    static inline const QString Pan = QStringLiteral("pan");
    static inline const QString PayeeCaid = QStringLiteral("payee_caid");
    static inline const QString Stan = QStringLiteral("stan");
    static inline const QString Tender = QStringLiteral("tender");
    // QUARTERMASTER
    static inline const QString Command = QStringLiteral("command");
    static inline const QString StartDate = QStringLiteral("start_date");
    static inline const QString UpdateRequired = QStringLiteral("update_required");
    static inline const QString State = QStringLiteral("state");
    static inline const QString Package = QStringLiteral("package");
    static inline const QString PrevState = QStringLiteral("prev_state");
    static inline const QString Timestamp = QStringLiteral("timestamp");
    static inline const QString Downloadtimestamp = QStringLiteral("downloadtimestamp");
    static inline const QString Checksum = QStringLiteral("checksum");
    static inline const QString FullRefresh = QStringLiteral("full_refresh");
    static inline const QString Application = QStringLiteral("application");
    static inline const QString RollbackPossible = QStringLiteral("rollback_possible");
    static inline const QString FragDatetime = QStringLiteral("frag_datetime");
    static inline const QString FragChecksum = QStringLiteral("frag_checksum");
    static inline const QString CompressFrags = QStringLiteral("compress_frags");
    static inline const QString IgnoreChecksums = QStringLiteral("ignore_checksums");
    static inline const QString UpdateRetryMins = QStringLiteral("update_retry_mins");
    // FLEET, all kiosk-only: they decide which broker the kiosk obeys.
    static inline const QString BrokerUrl = QStringLiteral("broker_url");
    static inline const QString FleetName = QStringLiteral("fleet_name");
    static inline const QString KioskId = QStringLiteral("kiosk_id");
    static inline const QString Groups = QStringLiteral("groups");
    static inline const QString CaFile = QStringLiteral("ca_file");
    static inline const QString CertFile = QStringLiteral("cert_file");
    static inline const QString KeyFile = QStringLiteral("key_file");
};
