#include "common/TestEnvironment.h"

#include "app/modMain.h"
#include "services/Services.h"
#include "components/BuiltInComponents.h"

namespace {
QString g_root;
}

void TestEnvironment::SetUp()
{
    m_root = std::make_unique<QTemporaryDir>();
    g_root = m_root->path();
    qputenv("PCQUIBA_ROOT", g_root.toLocal8Bit());
    qputenv("PCQUIBA_REGISTRY", (g_root + QStringLiteral("/registry.reg")).toLocal8Bit());
    BuiltInComponents::registerAll();
    modMain::registerInitialiser();
}

void TestEnvironment::TearDown()
{
    Services::reset();
    m_root.reset();
}

QString TestEnvironment::root()
{
    return g_root;
}
