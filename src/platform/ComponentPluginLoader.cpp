#include "platform/ComponentPluginLoader.h"

#include "platform/ComponentRegistry.h"
#include "platform/ExecutableInfo.h"
#include "platform/ProgramFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <cstdio>

namespace {

constexpr qint32 kProgress = 0;
constexpr qint32 kWarning = 2;

QList<ComponentPluginLoader::Message>& keptMessages()
{
    static QList<ComponentPluginLoader::Message> messages;
    return messages;
}

ComponentPlugin::LogFunction& liveLog()
{
    static ComponentPlugin::LogFunction log;
    return log;
}

// The classes loaded plugins provide, compared without regard to case as the registry does.
QStringList& providedClasses()
{
    static QStringList classes;
    return classes;
}

const QString kIidPrefix = QStringLiteral("org.pcquiba.ComponentPlugin/");

QString skipped(const QString& filePath, const QString& reason)
{
    return QStringLiteral("Component plugin skipped: %1: %2").arg(QDir::toNativeSeparators(filePath), reason);
}

// Why the metadata rules the file out, or an empty text when it is a plugin of our version.
QString metadataProblem(const QJsonObject& metaData)
{
    const QString iid = metaData.value(QStringLiteral("IID")).toString();
    if (iid == QLatin1StringView(PCQUIBA_COMPONENT_PLUGIN_IID))
        return {};
    if (iid.startsWith(kIidPrefix))
        return QStringLiteral("built for interface version %1, this program loads version %2")
            .arg(iid.mid(kIidPrefix.size()),
                 QString::fromLatin1(PCQUIBA_COMPONENT_PLUGIN_IID).mid(kIidPrefix.size()));
    return QStringLiteral("not a pcQUIBA component plugin");
}

} // namespace

QStringList ComponentPluginLoader::defaultFolders()
{
    return {ExecutableInfo::folder() + QStringLiteral("/components"),
            ExecutableInfo::folder() + QStringLiteral("/../lib/pcquiba/components"),
            QStringLiteral(PCQUIBA_INSTALL_PREFIX) + QStringLiteral("/lib/pcquiba/components")};
}

int ComponentPluginLoader::loadAll()
{
    return loadFrom(defaultFolders());
}

int ComponentPluginLoader::loadFrom(const QStringList& folders)
{
    int loaded = 0;
    QStringList seen;
    for (const QString& folder : folders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen.append(canonical);
        if (isInsideProgramRoot(canonical)) {
            report(QStringLiteral("Component folder ignored: %1 lies in the program root")
                       .arg(QDir::toNativeSeparators(folder)),
                   kWarning);
            continue;
        }
        const QFileInfoList files =
            QDir(canonical).entryInfoList({QStringLiteral("*.so")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& file : files)
            loaded += loadFile(file.absoluteFilePath()) ? 1 : 0;
    }
    return loaded;
}

bool ComponentPluginLoader::loadFile(const QString& filePath)
{
    // A plugin stays loaded until the process ends, because objects it made may live that long:
    // its loader is kept in a list that is never freed.
    static auto* const loaded = new QList<QPluginLoader*>;
    auto* loader = new QPluginLoader(filePath);
    const auto skip = [&](const QString& reason) {
        report(skipped(filePath, reason), kWarning);
        delete loader;
        return false;
    };
    const QJsonObject metaData = loader->metaData();
    if (metaData.isEmpty())
        return skip(QStringLiteral("not a plugin"));
    const QString problem = metadataProblem(metaData);
    if (!problem.isEmpty())
        return skip(problem);
    if (!loader->load())
        return skip(loader->errorString());
    auto* plugin = qobject_cast<ComponentPlugin*>(loader->instance());
    if (!plugin)
        return skip(QStringLiteral("does not offer the component interface"));
    const QStringList classNames = plugin->classNames();
    if (classNames.isEmpty())
        return skip(QStringLiteral("names no classes"));

    plugin->setLogFunction([](const QString& text, qint32 severity) { report(text, severity); });
    for (const QString& className : classNames) {
        ComponentRegistry::registerFactory(className, [plugin, className] { return plugin->create(className); });
        if (!provides(className))
            providedClasses().append(className);
    }
    report(QStringLiteral("Component plugin loaded: %1 (%2)")
               .arg(QDir::toNativeSeparators(filePath), classNames.join(QStringLiteral(", "))),
           kProgress);
    loaded->append(loader);
    return true;
}

bool ComponentPluginLoader::provides(const QString& className)
{
    return providedClasses().contains(className, Qt::CaseInsensitive);
}

void ComponentPluginLoader::setLogFunction(ComponentPlugin::LogFunction log)
{
    liveLog() = std::move(log);
    if (!liveLog())
        return;
    for (const Message& message : takeMessages())
        liveLog()(message.text, message.severity);
}

QList<ComponentPluginLoader::Message> ComponentPluginLoader::takeMessages()
{
    return std::exchange(keptMessages(), {});
}

void ComponentPluginLoader::report(const QString& text, qint32 severity)
{
    if (liveLog()) {
        liveLog()(text, severity);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(text));
    keptMessages().append({text, severity});
}

bool ComponentPluginLoader::isInsideProgramRoot(const QString& folder)
{
    const QString root = QFileInfo(ProgramFolders::root()).canonicalFilePath();
    if (root.isEmpty())
        return false;
    return folder == root || folder.startsWith(root + u'/');
}
