#include "api/APIFixture.h"
#include "common/TestFiles.h"

#include "api/ScriptPutRecord.h"
#include "api/Settings.h"
#include "config/clsINIFile.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ScriptedCustomerSettingTest : public APIFixture {
protected:
    void SetUp() override
    {
        APIFixture::SetUp();
        writeIni("[GENERAL]\n");
    }
    QString script() const
    {
        clsINIFile ini;
        ini.setFileName(iniFileName);
        return ini.GetString(u"SIMULATOR"_s, u"script"_s, u"<none>"_s);
    }
    void endAPI(API& api)
    {
        for (auto it = apis.begin(); it != apis.end(); ++it) {
            if (it->get() == &api) {
                apis.erase(it);
                return;
            }
        }
    }
};

TEST_F(ScriptedCustomerSettingTest, AScriptLastsOnlyWhileTheAPIObjectThatPutItLives)
{
    API& first = makeAPI();
    API& second = makeAPI();
    first.Settings()->PutSetting(u"simulator"_s, u"SCRIPT"_s, Variant(u"choose TN-10, pay"_s));
    EXPECT_EQ(script(), u"choose TN-10, pay"_s);

    endAPI(second);
    EXPECT_EQ(script(), u"choose TN-10, pay"_s) << "another Sovereign's end leaves it";
    API& third = makeAPI();
    endAPI(first);
    EXPECT_EQ(script(), u"<none>"_s) << "the next Sovereign's sale is its own";
    endAPI(third);
}

TEST_F(ScriptedCustomerSettingTest, AScriptSomeoneElseChangedOrThatWasErasedStays)
{
    const struct {
        const char* name;
        std::function<void(Settings& own, Settings& other)> after;
        QString left;
    } cases[] = {
        {"another Sovereign put its own", [](Settings&, Settings& other) {
             other.PutSetting(u"SIMULATOR"_s, u"script"_s, Variant(u"cancel"_s));
         }, u"cancel"_s},
        {"erased and put by hand afterwards", [this](Settings& own, Settings&) {
             own.EraseSetting(u"SIMULATOR"_s, u"script"_s);
             writeIni("[SIMULATOR]\nscript=choose TN-10, pay\n");
         }, u"choose TN-10, pay"_s},
        {"another key of the section", [](Settings& own, Settings&) {
             own.PutSetting(u"SIMULATOR"_s, u"script_step_ms"_s, Variant(qint32(100)));
         }, u"<none>"_s},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        writeIni("[GENERAL]\n");
        API& own = makeAPI();
        API& other = makeAPI();
        own.Settings()->PutSetting(u"SIMULATOR"_s, u"script"_s, Variant(u"choose TN-10, pay"_s));
        testCase.after(*own.Settings(), *other.Settings());
        endAPI(own);
        EXPECT_EQ(script(), testCase.left);
        endAPI(other);
    }
}

// A pcQUIBA that stops without ending the API object (a crash, a kill) leaves the script and its
// record; the next start erases what is still the script that was put.
TEST_F(ScriptedCustomerSettingTest, AScriptLeftByAPcquibaThatStoppedIsErasedAtTheNextStart)
{
    const struct {
        const char* name;
        const char* iniAfterTheStop;
        QString left;
    } cases[] = {
        {"still the script that was put", nullptr, u"<none>"_s},
        {"changed by hand since", "[SIMULATOR]\nscript=cancel\n", u"cancel"_s},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        writeIni("[GENERAL]\n");
        API& api = makeAPI();
        api.Settings()->PutSetting(u"SIMULATOR"_s, u"script"_s, Variant(u"choose TN-10, pay"_s));
        ASSERT_TRUE(QFile::exists(ScriptPutRecord::fileName()));
        // The stop: the file stays as the process left it.
        const QByteArray record = [] {
            QFile file(ScriptPutRecord::fileName());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        endAPI(api);
        EXPECT_FALSE(QFile::exists(ScriptPutRecord::fileName())) << "an API object's end takes its record along";
        writeIni(testCase.iniAfterTheStop ? testCase.iniAfterTheStop : "[SIMULATOR]\nscript=choose TN-10, pay\n");
        ASSERT_TRUE(TestFiles::write(ScriptPutRecord::fileName(), record));

        clsINIFile ini;
        ini.setFileName(iniFileName);
        ScriptPutRecord::eraseLeftover(ini);
        EXPECT_EQ(script(), testCase.left);
        EXPECT_FALSE(QFile::exists(ScriptPutRecord::fileName()));
    }
}

} // namespace
