#include "api/APIFixture.h"
#include "api/API.h"
#include "api/Eftpos.h"
#include "api/Settings.h"
#include "common/SmallFileSystem.h"
#include "services/QuibaErrors.h"

#include <QFile>
#include <QFileInfo>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

using IniWriteFailureTest = APIFixture;

// A Sovereign's write that the disk refuses is reported, never taken for done, and the file keeps
// what it had.
TEST_F(IniWriteFailureTest, AWriteTheDiskRefusesRaisesTheReasonLogsItAndLeavesTheFile)
{
    const QByteArray original = "[GENERAL]\ndebug=TRUE\n[INFO]\ntill=1\n[EFTPOS]\ncaid=77\n";
    const struct {
        const char* name;
        std::function<void(API&)> call;
    } writers[] = {
        {"PutSetting", [](API&) { Settings().PutSetting(u"GENERAL"_s, u"debug"_s, Variant(u"FALSE"_s)); }},
        {"EraseSetting", [](API&) { Settings().EraseSetting(u"GENERAL"_s, u"debug"_s); }},
        {"POSInfo", [](API& api) { api.setPOSInfo(u"till"_s, u"2"_s); }},
        {"Eftpos", [](API&) { Eftpos().setCaid(u"88"_s); }},
    };
    for (const auto& fault : SmallFileSystem::kFaults) {
        for (const auto& writer : writers) {
            SCOPED_TRACE(std::string(fault.name) + " " + writer.name);
            SmallFileSystem disk(QFileInfo(iniFileName).path());
            ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
            writeIni(original);
            API& api = readyAPI();
            ASSERT_TRUE(fault.readOnly ? disk.makeReadOnly() : disk.fill());

            const AutomationError error = errorOf([&] { writer.call(api); });
            const QString reason = QString::fromLatin1(fault.reason);
            EXPECT_EQ(error.number(), qint32(quibaGeneralError));
            EXPECT_EQ(error.description(), u"General Error: "_s + reason);
            EXPECT_TRUE(logger->lines.contains(
                RecordingLogger::Line{u"Cannot write "_s + iniFileName + u": "_s + reason, 4}))
                << logger->texts().join(u'\n').toStdString();
            QFile file(iniFileName);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), original);
            apis.clear();
        }
    }
}

TEST_F(IniWriteFailureTest, WithoutAnIniFileNothingIsWrittenAndNothingIsReported)
{
    SmallFileSystem disk(QFileInfo(iniFileName).path());
    ASSERT_TRUE(disk.mounted()) << disk.error().toStdString();
    ASSERT_TRUE(disk.makeReadOnly());
    Settings settings;
    EXPECT_EQ(errorOf([&] { settings.PutSetting(u"GENERAL"_s, u"debug"_s, Variant(u"FALSE"_s)); }).number(), 0);
    EXPECT_FALSE(QFile::exists(iniFileName));
}

} // namespace
