#include "config/IniDefaults.h"

#include "config/IniKeys.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/ExecutableInfo.h"
#include "platform/SystemNames.h"
#include "common/TestEnvironment.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct DefaultCase {
    const char* key;
    Variant expected;
};

TEST(IniDefaultsTest, FixedDefaultsHaveTheirKindAndValue)
{
    const DefaultCase cases[] = {
        {"chime_minutes", qint16(20)},
        {"last_ping", Variant::fromDate(0.0)},
        {"start_date", Variant::fromDate(0.0)},
        {"debug", false},
        {"well_behaved", true},
        {"masterpin", u"518042"_s},
        {"standalone_start", u"/splash"_s},
        {"make_name", u"PCQUIBA"_s},
        {"checkout_gui", u"null"_s},
        {"use_by_empty", 1.5},
        {"use_by_uncommitted", qint16(30)},
        {"max_basket_value", qint16(1000)},
        {"default_product_id", u"9332104006000"_s},
        {"fragment_temp_path", u"fragments_temp"_s},
        {"lexicon", u"english.txt"_s},
        {"review_skin", u"=>default_skin"_s},
        {"printing_skin", u"=>default_skin"_s},
        {"pc_keyboard", true},
        {"allowed_payments", qint16(16639)},
        {"suggested_payments", qint16(254)},
        {"on_declined", u"PROMPT"_s},
        {"font_c", u"Courier New"_s},
        {"pels_per_metre_y", qint16(8000)},
        {"buffer_size", u"1"_s},
        {"payment_flow_and", qint16(248)},
        {"rollback", true},
        {"state", u"READY"_s},
        {"frag_checksum", u"0000"_s},
        {"update_retry_mins", qint16(1200)},
    };
    for (const DefaultCase& c : cases) {
        SCOPED_TRACE(c.key);
        const Variant value = IniDefaults::iniDefault(QString::fromUtf8(c.key));
        EXPECT_EQ(value.kind(), c.expected.kind());
        EXPECT_EQ(value, c.expected);
    }
}

TEST(IniDefaultsTest, KeysWithoutDefaultAndUnknownNamesGiveEmpty)
{
    for (const char* key : {"allow_commit", "class", "cursor", "dmplayer_path", "dmplayer_xml", "compressed_ext",
                            "local_server_data_path", "flags", "catid", "tender", "printer_device", "payment_slip",
                            "CHIME_MINUTES", "Debug", "chime_minute", " debug", ""}) {
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

TEST(IniDefaultsTest, MachineDefaultsComeFromTheMachine)
{
    EXPECT_EQ(IniDefaults::iniDefault(IniKeys::HardwareId), Variant(SystemNames::computerName().left(31)));
    EXPECT_EQ(IniDefaults::iniDefault(IniKeys::Operator), Variant(SystemNames::userName().left(31)));
    EXPECT_FALSE(IniDefaults::iniDefault(IniKeys::Operator).toString().isEmpty());
    EXPECT_EQ(IniDefaults::iniDefault(IniKeys::AppPath),
              Variant(QFileInfo(ExecutableInfo::folder()).absolutePath()));
}

TEST(IniDefaultsTest, ProgramFoldersFollowTheProgramRoot)
{
    const QByteArray saved = qgetenv("PCQUIBA_ROOT");
    qputenv("PCQUIBA_ROOT", "/srv/kiosk");
    const DefaultCase cases[] = {
        {"quiba_path", u"/srv/kiosk"_s},
        {"data_path", u"/srv/kiosk/data"_s},
        {"log_path", u"/srv/kiosk/logs"_s},
        {"manifest_path", u"/srv/kiosk/manifest"_s},
    };
    for (const DefaultCase& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(IniDefaults::iniDefault(QString::fromUtf8(c.key)), c.expected);
    }
    qputenv("PCQUIBA_ROOT", saved);
}

TEST(IniDefaultsTest, WindowSizeIsThePrimaryScreenInPixelsAsSingle)
{
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(IniDefaults::iniDefault(IniKeys::WindowWidth), Variant(float(screen.width())));
    EXPECT_EQ(IniDefaults::iniDefault(IniKeys::WindowHeight), Variant(float(screen.height())));
    EXPECT_EQ(IniDefaults::screenSize(nullptr), QSize(1024, 768));
}

TEST(IniDefaultsTest, NamesAreCutToTheBufferTheyAreReadInto)
{
    EXPECT_LE(IniDefaults::computerName(4).size(), 3);
    EXPECT_EQ(IniDefaults::computerName(100), SystemNames::computerName().left(99));
    EXPECT_EQ(IniDefaults::userName(2), SystemNames::userName().left(1));
}

} // namespace
