#include "controller/CommandProcessor.h"

#include "services/ProcedureFrame.h"
#include "services/Services.h"
#include "services/Trace.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "config/clsIterator.h"
#include "controller/ConfigurationUtility.h"
#include "controller/HostFactory.h"
#include "controller/Installer.h"
#include "controller/MainIni.h"
#include "platform/Clock.h"
#include "platform/ComponentRegistry.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"
#include "platform/ExecutableInfo.h"
#include "platform/PackagedInstall.h"
#include "support/clsGenericURI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kDuplicateWindowDays = 1.0;

const QString kUpdate = QStringLiteral("/update");
const QString kInstall = QStringLiteral("/install");
const QString kUninstall = QStringLiteral("/uninstall");
const QString kUpload = QStringLiteral("/upload");
const QString kSet = QStringLiteral("/set");

const QString kPackage = QStringLiteral("package");
const QString kLocal = QStringLiteral("local");
const QString kRemote = QStringLiteral("remote");
const QString kScope = QStringLiteral("scope");
const QString kFile = QStringLiteral("file");
const QString kName = QStringLiteral("name");
const QString kValue = QStringLiteral("value");
const QString kDelete = QStringLiteral("delete");

const QString kConfigFolder = QStringLiteral("config");
// Followed by the mark of the packaged install.
const QString kPackagedRefusal =
    QStringLiteral("Command Failed: pcQUIBA was installed by its package; only the package manager changes its files: ");

// A name that names a folder, or reaches into one.
bool hasFolderPart(const QString& name)
{
    return name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name == QStringLiteral(".")
        || name == QStringLiteral("..");
}

// The canonical form of an existing path when it lies inside the canonical folder.
std::optional<QString> insideFolder(const QString& path, const QString& folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalPath = QFileInfo(path).canonicalFilePath();
    if (canonicalFolder.isEmpty() || canonicalPath.isEmpty())
        return std::nullopt;
    if (!canonicalPath.startsWith(canonicalFolder + QLatin1Char('/')))
        return std::nullopt;
    return canonicalPath;
}

} // namespace

CommandProcessor::CommandProcessor(CommandHost& host, std::shared_ptr<Memory> memory)
    : m_host(host)
    , m_memory(std::move(memory))
    , m_installerProgram(QDir(ExecutableInfo::folder()).filePath(kInstallerProgramName))
    , m_packageMark(PackagedInstall::markFile())
{
}

void CommandProcessor::setPackageMark(const QString& path)
{
    m_packageMark = path;
}

void CommandProcessor::setInstallerProgram(const QString& path)
{
    m_installerProgram = path;
}

QString CommandProcessor::installerProgram() const
{
    return m_installerProgram;
}

void CommandProcessor::tmrCommand_Timer()
{
    // A package is read while events run (UpdatePackageWorker): a tick that comes meanwhile is
    // skipped.
    if (m_memory->ticking)
        return;
    m_memory->ticking = true;
    const std::shared_ptr<void> ended(nullptr, [this](void*) { m_memory->ticking = false; });
    ProcedureFrame frame(QStringLiteral("Sub tmrCommand_Timer"), QStringLiteral("frmController"));
    try {
        frame.run(ErrorExit::rethrow(), [&] {
            m_handled.clear();
            m_processEnding = false;
            const auto ini = MainIni::get();
            tidy(*ini);
            while (!m_processEnding && processNext(*ini)) {
            }
        });
    } catch (const AutomationError&) {
        // Recorded by the error exit; a timer tick has no caller to hand the error to.
    }
    m_table.clear();
}

bool CommandProcessor::processNext(clsINIFile& ini)
{
    loadTable(ini);
    const auto selected = selectDue();
    if (!selected)
        return false;
    const TableEntry chosen = m_table[*selected];
    completeDuplicates(chosen);
    run(ini, chosen);
    return true;
}

void CommandProcessor::loadTable(clsINIFile& ini)
{
    m_table.clear();
    m_unreadable.clear();
    const auto section = ini.GetSection(IniSections::Commands);
    m_sectionSize = 0;
    clsIterator keys;
    keys.Init(section, false);
    while (keys.HasNext()) {
        const QString key = keys.NextKey();
        // As the section read returns it: "key=value" and a NUL.
        m_sectionSize += key.size() + section->itemIfPresent(key).toString().size() + 2;
        auto entry = ComponentRegistry::createAs<CommandEntry>(CommandEntry::kClassId);
        entry->setKey(key);
        if (const QString why = entry->ReadError(); !why.isEmpty())
            m_unreadable.insert(key + QStringLiteral(": ") + why);
        else
            m_table.push_back({key, std::move(entry)});
    }
}

void CommandProcessor::tidy(clsINIFile& ini)
{
    loadTable(ini);
    reportSize(m_sectionSize);
    reportUnreadable();
    pruneFinished(ini);
}

void CommandProcessor::reportSize(qsizetype size)
{
    const bool nearLimit = size >= kSectionWarningSize;
    if (nearLimit && !m_memory->nearLimit)
        log(QStringLiteral("COMMANDS section nears the read limit: %1 of %2 characters; entries beyond it are not "
                           "seen until finished entries are pruned")
                .arg(size)
                .arg(kSectionReadLimit),
            Trace::WarningSeverity);
    m_memory->nearLimit = nearLimit;
}

void CommandProcessor::reportUnreadable()
{
    for (const QString& entry : std::as_const(m_unreadable))
        if (!m_memory->unreadable.contains(entry))
            log(QStringLiteral("Command Failed: Command entry not run, its value cannot be read whole: ") + entry,
                Trace::CommandFailureSeverity);
    // Only what is still in the section is remembered.
    m_memory->unreadable = m_unreadable;
}

void CommandProcessor::pruneFinished(clsINIFile& ini)
{
    const double before = now() - retentionDays(ini);
    int pruned = 0;
    std::vector<TableEntry> kept;
    for (auto& candidate : m_table) {
        const bool old = !candidate.entry->Status().isEmpty() && candidate.entry->When() < before;
        if (old && pruned < kMaxPrunedPerTick) {
            ini.EraseKey(IniSections::Commands, candidate.key);
            ++pruned;
        } else
            kept.push_back(std::move(candidate));
    }
    m_table = std::move(kept);
}

double CommandProcessor::retentionDays(const clsINIFile& ini)
{
    const qint32 fallback = IniDefaults::iniDefault(IniKeys::DataRetentionDays).toLong();
    qint32 days = fallback;
    try {
        days = ini.GetLong(IniSections::General, IniKeys::DataRetentionDays, fallback);
    } catch (const AutomationError&) {
        // A number out of range keeps the default.
    }
    // A writer gets at least a day to read the outcome of its command.
    return std::max(days, 1);
}

double CommandProcessor::now()
{
    return DateValue::fromDateTime(Clock::now());
}

std::optional<size_t> CommandProcessor::selectDue() const
{
    double limit = now() + kTimerSeconds * kSecond;
    std::optional<size_t> selected;
    for (size_t i = 0; i < m_table.size(); ++i) {
        const auto& entry = *m_table[i].entry;
        if (m_handled.contains(m_table[i].key) || !entry.Status().isEmpty())
            continue;
        const double when = entry.When();
        if (when < limit) {
            selected = i;
            limit = when;
        }
    }
    return selected;
}

void CommandProcessor::completeDuplicates(const TableEntry& chosen)
{
    if (m_table.size() <= 1)
        return;
    const QString text = chosen.entry->CommandText();
    const double horizon = now() + kDuplicateWindowDays;
    std::vector<TableEntry> kept;
    for (const auto& candidate : m_table) {
        const bool duplicate = candidate.entry != chosen.entry && candidate.entry->CommandText() == text
            && candidate.entry->When() < horizon;
        if (duplicate) {
            recordOutcome(candidate, CommandEntry::kDuplicateStatus);
            m_handled.insert(candidate.key);
        }
        else
            kept.push_back(candidate);
    }
    m_table = std::move(kept);
}

// What became of an entry other than "done", kept in the entry for whoever wrote it.
void CommandProcessor::recordOutcome(const TableEntry& entry, const QString& status)
{
    entry.entry->CompleteAs(status);
}

void CommandProcessor::finish(const TableEntry& selected)
{
    selected.entry->Complete();
    m_handled.insert(selected.key);
    std::erase_if(m_table, [&](const TableEntry& candidate) { return candidate.entry == selected.entry; });
}

void CommandProcessor::run(clsINIFile& ini, const TableEntry& selected)
{
    const QString text = selected.entry->CommandText();
    log(QStringLiteral("Processing command:") + text, Trace::ProgressSeverity);
    auto uri = std::make_unique<clsGenericURI>();
    uri->setText(text);
    const auto arguments = uri->QueryAsDictionary();
    const QString path = uri->Path().toLower();
    const QString quibaPath = IniLocation::iniGetPath(&ini, IniKeys::QuibaPath);

    if (path == kUpdate)
        runUpdate(*arguments, selected);
    else if (path == kInstall || path == kUninstall)
        runPackageCommand(*arguments, path, selected);
    else if (path == kUpload)
        runUpload(*arguments, text, quibaPath, selected);
    else if (path == kSet)
        runSet(ini, *arguments, text, quibaPath, selected);
    else {
        log(QStringLiteral("Unknown command:") + text, Trace::CommandFailureSeverity);
        finish(selected);
    }
}

void CommandProcessor::runUpdate(const Dictionary& arguments, const TableEntry& selected)
{
    QString package = argumentText(arguments, kPackage);
    if (!packageAllowed(package)) {
        finish(selected);
        return;
    }
    auto utility = ComponentRegistry::createAs<ConfigurationUtility>(ConfigurationUtility::kClassId);
    utility->BeginUpdate(package);
    utility.reset();
    finish(selected);
    log(QStringLiteral("Update Command Loaded: "), Trace::ProgressSeverity);
}

void CommandProcessor::runPackageCommand(const Dictionary& arguments, const QString& path,
                                         const TableEntry& selected)
{
    Handover work;
    work.path = path;
    work.named = argumentText(arguments, kPackage);
    if (!readyToHandOver(work.named, selected))
        return;
    auto utility = ComponentRegistry::createAs<ConfigurationUtility>(ConfigurationUtility::kClassId);
    // "/install": the package "/update" prepared; "/uninstall": the newest install.
    work.count = path == kInstall ? utility->FilesToInstallPackage(work.offered, work.isExe, work.message)
                                  : utility->FilesToRollBack(work.offered, work.isExe, work.message);
    utility.reset();
    handOver(work, selected);
}

bool CommandProcessor::readyToHandOver(const QString& named, const TableEntry& selected)
{
    // The package manager owns a packaged install's files: the engine and the sale go on.
    if (PackagedInstall::isPackaged(m_packageMark)) {
        log(kPackagedRefusal + QDir::toNativeSeparators(m_packageMark), Trace::CommandFailureSeverity);
        finish(selected);
        return false;
    }
    if (!packageAllowed(named)) {
        finish(selected);
        return false;
    }
    return !postponedForSale(selected);
}

bool CommandProcessor::postponedForSale(const TableEntry& selected)
{
    // A sale in progress keeps the engine until its basket may be disturbed.
    const auto engine = m_host.Engine();
    const auto basket = engine ? engine->Basket() : nullptr;
    if (!basket || basket->BusyUntil() <= now())
        return false;
    selected.entry->setWhen(basket->BusyUntil() + kSecond);
    selected.entry->Save();
    m_handled.insert(selected.key);
    return true;
}

void CommandProcessor::handOver(const Handover& work, const TableEntry& selected)
{
    // Nothing to do leaves the engine and the Sovereign undisturbed.
    if (work.count <= 0) {
        log(work.message, Trace::WarningSeverity);
        finish(selected);
        return;
    }
    // Each command acts only on the package the utility offers for it.
    if (!work.named.isEmpty() && !work.offered.isEmpty() && work.named != work.offered) {
        const QString why = work.path == kInstall ? QStringLiteral("it was not prepared; the prepared package is ")
                                                  : QStringLiteral("the newest install is ");
        log(QStringLiteral("Command Failed: Update package %1: %2%3").arg(work.named, why, work.offered),
            Trace::CommandFailureSeverity);
        finish(selected);
        return;
    }
    const QString package = work.offered.isEmpty() ? work.named : work.offered;
    m_host.RaiseClosing(kClosingMessage);
    m_host.StopEngine();
    finish(selected);
    if (work.isExe)
        runInstallerProgram(package, work.path, selected);
    else
        runInstallerComponent(package, work.path);
}

void CommandProcessor::runInstallerProgram(const QString& package, const QString& path, const TableEntry& selected)
{
    if (!QFileInfo(m_installerProgram).isFile()) {
        log(QStringLiteral("exe installer loaded: "), Trace::ProgressSeverity);
        restartEngine();
        return;
    }
    // Each switch is one argument of its own; no shell reads them, so nothing is quoted.
    const QString action = path == kInstall ? QStringLiteral("/i") : QStringLiteral("/r");
    QStringList arguments{package.isEmpty() ? action : action + QLatin1Char('=') + package,
                          QStringLiteral("/p=") + QString::number(QCoreApplication::applicationPid())};
    if (m_host.KioskMode())
        arguments << QStringLiteral("/x=") + QDir(ExecutableInfo::folder()).filePath(kRestartProgramName)
                  << kRestartArgument;
    if (!m_host.startProgram(m_installerProgram, arguments)) {
        log(QStringLiteral("Command Failed: Could not start the installer program: ") + m_installerProgram,
            Trace::CommandFailureSeverity);
        restartEngine();
        return;
    }
    // The installer program waits for this process to end, so the entry is still ours to write.
    recordOutcome(selected, CommandEntry::kHandedOverStatus);
    m_processEnding = true;
    m_host.endProcess();
}

void CommandProcessor::runInstallerComponent(QString package, const QString& path)
{
    try {
        auto installer = ComponentRegistry::createAs<Installer>(Installer::kClassId);
        if (path == kInstall)
            installer->install(package);
        else
            installer->Rollback(package);
    } catch (...) {
        // The kiosk comes back whatever became of the package.
        log(QStringLiteral("Command Failed: ") + AutomationError::fromCurrentException().description(),
            Trace::CommandFailureSeverity);
    }
    restartEngine();
    log(QStringLiteral("Non exe installer loaded: "), Trace::ProgressSeverity);
}

void CommandProcessor::restartEngine()
{
    m_host.StartEngine();
    if (!m_host.KioskMode())
        return;
    if (const auto engine = m_host.Engine())
        engine->ShowGUI(QString());
}

void CommandProcessor::runUpload(const Dictionary& arguments, const QString& commandText, const QString& quibaPath,
                                 const TableEntry& selected)
{
    if (!arguments.exists(kLocal)) {
        log(QStringLiteral("Command not formed correctly ") + commandText, Trace::CommandFailureSeverity);
        finish(selected);
        return;
    }
    const QString local = argumentText(arguments, kLocal);
    const auto file = insideFolder(QDir(quibaPath).filePath(local), quibaPath);
    if (!file) {
        log(QStringLiteral("Command Failed: Upload file must lie inside the program root: ") + local,
            Trace::CommandFailureSeverity);
        finish(selected);
        return;
    }
    auto factory = ComponentRegistry::createAs<HostFactory>(HostFactory::kClassId);
    auto connection = factory->CreateHost()->Connection(nullptr);
    m_host.setConnection(connection);
    connection->UploadFile(*file, argumentText(arguments, kRemote));
    log(QStringLiteral("Upload Command Loaded"), Trace::CommandFailureSeverity);
    finish(selected);
}

void CommandProcessor::runSet(clsINIFile& ini, const Dictionary& arguments, const QString& commandText,
                              const QString& quibaPath, const TableEntry& selected)
{
    if (!arguments.exists(kScope)) {
        log(QStringLiteral("Set command failed: ") + commandText, Trace::CommandFailureSeverity);
        finish(selected);
        return;
    }
    const QString scope = argumentText(arguments, kScope);
    clsINIFile other;
    clsINIFile* target = nullptr;
    if (!arguments.exists(kFile))
        target = &ini;
    else if (const auto file = setTargetFile(argumentText(arguments, kFile), quibaPath)) {
        other.setFileName(*file);
        target = &other;
    }
    if (!target) {
        log(QStringLiteral("Set command failed: ") + commandText, Trace::CommandFailureSeverity);
        finish(selected);
        return;
    }

    if (!arguments.exists(kName)) {
        if (arguments.exists(kDelete))
            target->EraseSection(scope);
    } else {
        const QString name = argumentText(arguments, kName);
        if (!arguments.exists(kValue))
            target->EraseKey(scope, name);
        else if (target == &ini)
            target->WriteString(scope, name, argumentText(arguments, kValue),
                                IniDefaults::iniDefault(name).toString());
        else
            target->WriteString(scope, name, argumentText(arguments, kValue));
    }
    log(QStringLiteral("Set command Completed: "), Trace::ProgressSeverity);
    finish(selected);
}

std::optional<QString> CommandProcessor::setTargetFile(const QString& file, const QString& quibaPath) const
{
    const QString folder = IniLocation::joinPath(quibaPath, kConfigFolder);
    const auto refuse = [&] {
        log(QStringLiteral("Command Failed: INI file must lie in the config folder: ") + file,
            Trace::CommandFailureSeverity);
        return std::nullopt;
    };
    if (hasFolderPart(file))
        return refuse();
    QString path = IniLocation::joinPath(folder, file);
    if (QFileInfo(file).suffix().isEmpty() && !QFileInfo::exists(path))
        path += QStringLiteral(".ini");
    if (!QFileInfo(path).isFile()) {
        log(QStringLiteral("Command Failed: Could not find INI file: ") + file, Trace::CommandFailureSeverity);
        return std::nullopt;
    }
    // A link in the config folder may not lead out of it.
    const auto inside = insideFolder(path, folder);
    if (!inside)
        return refuse();
    return inside;
}

bool CommandProcessor::packageAllowed(const QString& package)
{
    if (!hasFolderPart(package))
        return true;
    log(QStringLiteral("Command Failed: Package name must not name a folder: ") + package,
        Trace::CommandFailureSeverity);
    return false;
}

QString CommandProcessor::argumentText(const Dictionary& arguments, const QString& name)
{
    const Variant value = arguments.itemIfPresent(name);
    return value.isNull() || value.isEmpty() ? QString() : value.toString();
}

void CommandProcessor::log(const QString& text, qint32 severity)
{
    Services::logger().log(Variant(text), severity);
}
