#include "TestComponentPlugin.h"

namespace {

class PluginObject : public AutomationObject {
public:
    explicit PluginObject(QString name)
        : m_name(std::move(name))
    {
    }
    QString className() const override { return m_name; }

private:
    QString m_name;
};

} // namespace

void TestComponentPlugin::setLogFunction(LogFunction log)
{
    m_log = std::move(log);
    m_log(QStringLiteral("Test component ready"), 0);
}

QStringList TestComponentPlugin::classNames() const
{
    return {QStringLiteral("QuibaTest.Echo"), QStringLiteral("QuibaLexicon.Lexicon")};
}

ObjectRef TestComponentPlugin::create(const QString& className)
{
    return std::make_shared<PluginObject>(QStringLiteral("Plugin ") + className);
}
