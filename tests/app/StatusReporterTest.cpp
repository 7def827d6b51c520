#include "app/StatusReporter.h"

#include "common/TestFiles.h"
#include "config/clsINIFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The status file's package_version is what the installer recorded under the application
// folder the INI file names; nothing recorded is no version, not "0".
TEST(StatusReporterTest, PackageVersionIsTheInstallersRecord)
{
    QTemporaryDir folder;
    const QString app = folder.filePath(QStringLiteral("app"));
    const QString iniName = folder.filePath(QStringLiteral("pcQUIBA.ini"));
    ASSERT_TRUE(TestFiles::write(iniName, "[FILES]\napp_path=" + app.toUtf8() + "\n"));
    clsINIFile ini;
    ini.setFileName(iniName);

    EXPECT_EQ(StatusReporter::packageVersion(ini), QString());
    ASSERT_TRUE(QDir().mkpath(app + QStringLiteral("/share/pcquiba")));
    ASSERT_TRUE(TestFiles::write(app + QStringLiteral("/share/pcquiba/installed-version"), "1.4.0\n"));
    EXPECT_EQ(StatusReporter::packageVersion(ini), QStringLiteral("1.4.0"));
}

} // namespace
