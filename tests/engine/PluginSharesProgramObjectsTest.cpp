#include "components/BuiltInComponents.h"
#include "fakes/ServiceFixture.h"
#include "plugins/ProgramObjectsPlugin.h"
#include "platform/ComponentPluginLoader.h"
#include "platform/ComponentRegistry.h"

#include <gtest/gtest.h>

// A plugin links the one shared core library, so its code sees the program's process-wide
// objects, not copies of its own.
namespace {

class ProgramOwnObject : public AutomationObject {
public:
    QString className() const override { return QStringLiteral("ProgramOwn"); }
};

class PluginSharesProgramObjectsTest : public ServiceFixture {
protected:
    void SetUp() override
    {
        ServiceFixture::SetUp();
        ASSERT_TRUE(ComponentPluginLoader::loadFile(QStringLiteral(PCQUIBA_PROGRAM_OBJECTS_PLUGIN)));
        ComponentPluginLoader::takeMessages();
    }
    void TearDown() override
    {
        for (const QString& name : {ProgramObjectsPlugin::kRegistryProbe, ProgramObjectsPlugin::kServicesProbe,
                                    ProgramObjectsPlugin::kProgramClass})
            ComponentRegistry::unregisterFactory(name);
        BuiltInComponents::registerAll();
        ServiceFixture::TearDown();
    }
};

TEST_F(PluginSharesProgramObjectsTest, PluginCodeAskingTheComponentRegistryGetsTheProgramsObject)
{
    const auto own = std::make_shared<ProgramOwnObject>();
    ComponentRegistry::registerFactory(ProgramObjectsPlugin::kProgramClass, [own] { return own; });

    EXPECT_EQ(ComponentRegistry::create(ProgramObjectsPlugin::kRegistryProbe), own);
}

TEST_F(PluginSharesProgramObjectsTest, PluginCodeLoggingThroughTheServicesReachesTheProgramsLogger)
{
    ComponentRegistry::create(ProgramObjectsPlugin::kServicesProbe);

    EXPECT_EQ(logger->texts(), QStringList{ProgramObjectsPlugin::kLogLine});
}

} // namespace
