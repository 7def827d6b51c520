#include "config/IniLocation.h"

#include "services/ProcedureFrame.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniMachine.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "config/modINIConstants.h"
#include "platform/Conversions.h"
#include "support/modTouchTools.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

using namespace Qt::StringLiterals;

namespace {

// What a relative value of a FILES key is joined to.
enum class Anchor {
    None,
    BaseFolder,
    IniFolder,
    OtherKey,
};

struct PathRule {
    // The fallback of the read; nothing when the key is not read and the value is fixed.
    QString (*fallback)();
    // The value of a key that is not read.
    QString fixedValue;
    Anchor anchor;
    // The FILES key whose resolved path an OtherKey value is joined to.
    QString anchorKey;
    // An empty value is returned empty instead of being joined.
    bool emptyStaysEmpty = false;
};

PathRule readRule(QString (*fallback)(), Anchor anchor, const QString& anchorKey = {})
{
    return {fallback, {}, anchor, anchorKey};
}

PathRule optionalRule(Anchor anchor, const QString& anchorKey)
{
    return {[] { return QString(); }, {}, anchor, anchorKey, true};
}

PathRule fixedRule(const QString& value, Anchor anchor)
{
    return {nullptr, value, anchor, {}};
}

const QHash<QString, PathRule>& pathRules()
{
    static const QHash<QString, PathRule> rules{
        {IniKeys::AppPath, readRule(IniDefaults::applicationPath, Anchor::None)},
        {IniKeys::BackupPath, readRule([] { return u"backup"_s; }, Anchor::BaseFolder)},
        {IniKeys::Cursor, optionalRule(Anchor::OtherKey, IniKeys::SkinsPath)},
        {IniKeys::DataPath, readRule([] { return u"data"_s; }, Anchor::BaseFolder)},
        {IniKeys::DefaultSkin, fixedRule({}, Anchor::None)},
        {IniKeys::DownloadPath, readRule([] { return u"download"_s; }, Anchor::BaseFolder)},
        {IniKeys::Lexicon, readRule([] { return u"english.txt"_s; }, Anchor::IniFolder)},
        {IniKeys::FragmentPath, readRule([] { return u"fragments"_s; }, Anchor::BaseFolder)},
        {IniKeys::FragmentTempPath, fixedRule(u"fragment_temp"_s, Anchor::BaseFolder)},
        {IniKeys::FragmentedXml, readRule([] { return u"otc.xml"_s; }, Anchor::OtherKey, IniKeys::FragmentPath)},
        {IniKeys::LogPath, readRule([] { return u"logs"_s; }, Anchor::BaseFolder)},
        {IniKeys::LogoExt, readRule([] { return u"bmp"_s; }, Anchor::None)},
        {IniKeys::LogoPath, readRule([] { return u"logos"_s; }, Anchor::OtherKey, IniKeys::ManifestPath)},
        {IniKeys::ManifestPath, readRule([] { return u"manifest"_s; }, Anchor::BaseFolder)},
        {IniKeys::ManifestXml, readRule([] { return u"manifest.xml"_s; }, Anchor::OtherKey, IniKeys::ManifestPath)},
        {IniKeys::OtcXml, readRule([] { return u"otc.xml"_s; }, Anchor::OtherKey, IniKeys::ManifestPath)},
        {IniKeys::SkinsPath, readRule([] { return u"skins"_s; }, Anchor::OtherKey, IniKeys::ManifestPath)},
        {IniKeys::LocalServerDataPath, readRule([] { return u"server"_s; }, Anchor::BaseFolder)},
        {IniKeys::DmplayerPath, readRule([] { return u"dmplayer"_s; }, Anchor::OtherKey, IniKeys::ManifestPath)},
        {IniKeys::DmplayerXml, readRule([] { return u"playlist.xml"_s; }, Anchor::OtherKey, IniKeys::DmplayerPath)},
    };
    return rules;
}

// A lexicon named without an extension is an INI file.
QString withLexiconExtension(const QString& name)
{
    return QFileInfo(name).suffix().isEmpty() ? name + u".ini"_s : name;
}

} // namespace

QString IniLocation::iniFileName()
{
    ProcedureFrame frame(u"Function iniFileName"_s, modINIConstants::moduleName);
    return frame.run(ErrorExit::forModule(), [] { return IniFinder::fileName(searchFolders()); });
}

QStringList IniLocation::searchFolders()
{
    return IniFinder::searchFolders(IniMachine::current().executableFolder());
}

QString IniLocation::iniGetPath(const clsINIFile* ini, const QString& key)
{
    ProcedureFrame frame(u"Function iniGetPath"_s, modINIConstants::moduleName);
    return frame.run(ErrorExit::forModule(), [&] {
        if (!ini)
            return Conversions::toText(IniDefaults::iniDefault(key));
        return resolvePath(*ini, key);
    });
}

QString IniLocation::resolvePath(const clsINIFile& ini, const QString& key)
{
    const QString iniFolder = modTouchTools::ParentFolderName(ini.FileName());
    const auto rule = pathRules().constFind(key);
    if (rule == pathRules().cend())
        return baseFolder(iniFolder);

    QString value = rule->fallback ? ini.GetString(IniSections::Files, key, rule->fallback()) : rule->fixedValue;
    if (key == IniKeys::Lexicon)
        value = withLexiconExtension(value);
    if (QDir::isAbsolutePath(value) || (value.isEmpty() && rule->emptyStaysEmpty))
        return value;
    switch (rule->anchor) {
    case Anchor::None:
        return value;
    case Anchor::BaseFolder:
        return joinPath(baseFolder(iniFolder), value);
    case Anchor::IniFolder:
        return joinPath(iniFolder, value);
    case Anchor::OtherKey:
        return joinPath(iniGetPath(&ini, rule->anchorKey), value);
    }
    return value;
}

QString IniLocation::baseFolder(const QString& iniFolder)
{
    if (modTouchTools::EndsWithText(iniFolder, u"config"_s, true))
        return modTouchTools::ParentFolderName(iniFolder);
    return iniFolder;
}

QString IniLocation::joinPath(const QString& folder, const QString& name)
{
    return IniFinder::joinPath(folder, name);
}
