#pragma once

#include "CommandFakes.h"

#include "services/ProcessState.h"
#include "components/BuiltInComponents.h"
#include "components/IniCommandEntry.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/CommandProcessor.h"
#include "controller/HostFactory.h"
#include "fakes/FakeHostFactory.h"
#include "fakes/ServiceFixture.h"
#include "platform/Clock.h"
#include "platform/ComponentRegistry.h"
#include "platform/DateValue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A program root of its own with the main INI file in its config folder, the processor on a
// fixed clock, and fakes in place of the utility, the installer and the host library.
class CommandTestFixture : public ServiceFixture {
protected:
    static constexpr double kSecond = 1.0 / 86400.0;

    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_TRUE(m_rootFolder.isValid());
        root = m_rootFolder.path();
        ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("config")));
        iniPath = root + QStringLiteral("/config/pcQUIBA.ini");
        writeFile(iniPath, "[GENERAL]\n");
        ini = std::make_shared<clsINIFile>();
        ini->setFileName(iniPath);
        ProcessState::instance().ini = ini;

        ComponentRegistry::registerFactory(ConfigurationUtility::kClassId, [this] { return utility; });
        ComponentRegistry::registerFactory(Installer::kClassId, [this] { return installer; });
        FakeHostFactory::install();
        Clock::set(DateValue::toDateTime(now));
        processor.setInstallerProgram(m_programFolder.path() + QStringLiteral("/pcquiba-installer"));
    }

    void TearDown() override
    {
        ComponentRegistry::unregisterFactory(ConfigurationUtility::kClassId);
        ComponentRegistry::unregisterFactory(Installer::kClassId);
        FakeHostFactory::uninstall();
        BuiltInComponents::registerAll();
        ProcessState::reset();
        Clock::reset();
        ServiceFixture::TearDown();
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // An entry due offsetSeconds from now, in the kept form.
    void addCommand(const QString& key, const QString& text, double offsetSeconds = -60, const QString& status = {})
    {
        ini->WriteString(IniSections::Commands, key, IniCommandEntry::keptForm(now + offsetSeconds * kSecond, status, text));
    }

    IniCommandEntry entry(const QString& key) const
    {
        IniCommandEntry result;
        result.setKey(key);
        return result;
    }

    void tick() { processor.tmrCommand_Timer(); }

    QString installerProgram() const { return processor.installerProgram(); }

    double now = DateValue::fromParts(2026, 12, 10, 12, 0, 0);
    QString root;
    QString iniPath;
    std::shared_ptr<clsINIFile> ini;
    std::shared_ptr<FakeUtility> utility = std::make_shared<FakeUtility>();
    std::shared_ptr<FakeInstaller> installer = std::make_shared<FakeInstaller>();
    FakeCommandHost host;
    CommandProcessor processor{host};

private:
    QTemporaryDir m_rootFolder;
    QTemporaryDir m_programFolder;
};
