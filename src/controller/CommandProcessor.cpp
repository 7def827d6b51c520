#include "controller/CommandProcessor.h"

#include "services/ProcedureFrame.h"
#include "services/Services.h"
#include "services/Trace.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/KioskOnlyKeys.h"
#include "config/clsINIFile.h"
#include "config/clsIterator.h"
#include "controller/CommandStatus.h"
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
#include <optional>

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
    // A tick waiting for a package to be read (UpdatePackageWorker) is still under way: a timer
    // tick that comes meanwhile is skipped.
    if (m_memory->ticking)
        return;
    m_memory->ticking = true;
    m_handled.clear();
    m_processEnding = false;
    m_tickEnding = false;
    proceed([this](clsINIFile& ini) { tidy(ini); });
}

bool CommandProcessor::traced(const std::function<void(clsINIFile&)>& body)
{
    ProcedureFrame frame(QStringLiteral("Sub tmrCommand_Timer"), QStringLiteral("frmController"));
    try {
        frame.run(ErrorExit::rethrow(), [&] { body(*MainIni::get()); });
        return true;
    } catch (const AutomationError&) {
        // Recorded by the error exit; a timer tick has no caller to hand the error to.
        return false;
    }
}

void CommandProcessor::proceed(const std::function<void(clsINIFile&)>& first)
{
    // Entries run one at a time until none is due, the process ends, or a step waits for the
    // worker: its completion comes back here. Meanwhile a completion that comes at once lets the
    // step go on by itself.
    m_inStep = true;
    const std::shared_ptr<void> stepping(nullptr, [this](void*) { m_inStep = false; });
    bool more = true;
    const bool ok = traced([&](clsINIFile& ini) {
        first(ini);
        while (more && !m_processEnding && !m_tickEnding && !m_waiting)
            more = processNext(ini);
    });
    if (ok && m_waiting)
        return;
    endTick();
}

void CommandProcessor::endTick()
{
    // A completion that comes after the tick ended (an error broke off the step) is dropped.
    m_waiting = false;
    ++m_step;
    m_table.clear();
    m_memory->ticking = false;
}

std::function<void()> CommandProcessor::resumeWith(std::function<void()> then)
{
    m_waiting = true;
    const quint64 step = ++m_step;
    return [this, life = std::weak_ptr<void>(m_life), step, then = std::move(then)] {
        if (life.expired() || step != m_step || !m_waiting)
            return;
        m_waiting = false;
        if (m_inStep)
            then();
        else
            // Back from the event loop: the step ends under the tick's trace frame, and the tick goes on.
            proceed([&](clsINIFile&) { then(); });
    };
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
    failDefective();
    pruneFinished(ini);
}

void CommandProcessor::failDefective()
{
    // Completed as failed, so each is logged once and then pruned like any finished entry.
    for (const TableEntry& candidate : std::vector<TableEntry>(m_table))
        if (const QString why = candidate.entry->Defect(); !why.isEmpty() && candidate.entry->Status().isEmpty())
            fail(candidate, QStringLiteral("Command Failed: Command entry not run: %1: %2").arg(candidate.key, why));
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
        if (m_handled.contains(m_table[i].key) || !entry.Status().isEmpty() || !entry.Defect().isEmpty())
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
        // A finished entry keeps its own outcome and its completion time, by which it is pruned.
        const bool duplicate = candidate.entry != chosen.entry && candidate.entry->Status().isEmpty()
            && candidate.entry->Defect().isEmpty() && candidate.entry->CommandText() == text
            && candidate.entry->When() < horizon;
        if (duplicate) {
            candidate.entry->CompleteAs(CommandStatus::kDuplicate);
            m_handled.insert(candidate.key);
        }
        else
            kept.push_back(candidate);
    }
    m_table = std::move(kept);
}

void CommandProcessor::finish(const TableEntry& selected, const QString& status)
{
    // The one place an entry's outcome is written.
    selected.entry->CompleteAs(status);
    m_handled.insert(selected.key);
    std::erase_if(m_table, [&](const TableEntry& candidate) { return candidate.entry == selected.entry; });
}

void CommandProcessor::fail(const TableEntry& selected, const QString& logLine)
{
    log(logLine, Trace::CommandFailureSeverity);
    finish(selected, CommandStatus::kFailed);
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
    else
        fail(selected, QStringLiteral("Unknown command:") + text);
}

void CommandProcessor::runUpdate(const Dictionary& arguments, const TableEntry& selected)
{
    const QString package = argumentText(arguments, kPackage);
    if (!packageAllowed(package, selected))
        return;
    auto utility = ComponentRegistry::createAs<ConfigurationUtility>(ConfigurationUtility::kClassId);
    // The package is checked off the event loop; the tick goes on once it has been.
    utility->BeginUpdateAsync(package, resumeWith([this, selected, utility]() mutable {
                                  utility.reset();
                                  finish(selected, CommandStatus::kDone);
                                  log(QStringLiteral("Update Command Loaded: "), Trace::ProgressSeverity);
                              }));
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
    // "/uninstall": the newest install, from what is kept.
    if (path != kInstall) {
        work.count = utility->FilesToRollBack(work.offered, work.isExe, work.message);
        utility.reset();
        handOver(work, selected);
        return;
    }
    // "/install": the package "/update" prepared, whose checksum is read off the event loop.
    auto offered = std::make_shared<ConfigurationUtility::Offer>();
    auto resume = resumeWith([this, work, selected, offered, utility]() mutable {
        utility.reset();
        work.count = offered->count;
        work.offered = offered->package;
        work.isExe = offered->isExe;
        work.message = offered->message;
        handOver(work, selected);
    });
    utility->FilesToInstallAsync([offered, resume](ConfigurationUtility::Offer offer) {
        *offered = std::move(offer);
        resume();
    });
}

bool CommandProcessor::readyToHandOver(const QString& named, const TableEntry& selected)
{
    // The package manager owns a packaged install's files: the engine and the sale go on.
    if (PackagedInstall::isPackaged(m_packageMark)) {
        fail(selected, kPackagedRefusal + QDir::toNativeSeparators(m_packageMark));
        return false;
    }
    if (!packageAllowed(named, selected))
        return false;
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
        finish(selected, CommandStatus::kDone);
        return;
    }
    // Each command acts only on the package the utility offers for it.
    if (!work.named.isEmpty() && !work.offered.isEmpty() && work.named != work.offered) {
        const QString why = work.path == kInstall ? QStringLiteral("it was not prepared; the prepared package is ")
                                                  : QStringLiteral("the newest install is ");
        fail(selected, QStringLiteral("Command Failed: Update package %1: %2%3").arg(work.named, why, work.offered));
        return;
    }
    const QString package = work.offered.isEmpty() ? work.named : work.offered;
    // A sale may have begun, or the controller gone, while the package was read.
    if (!stillHere(selected, m_host.Engine()) || postponedForSale(selected))
        return;
    // The Sovereigns are asked inside Closing, and may go meanwhile: what the tick uses after it
    // is held (the engine) or looked up again (the controller, through the host).
    const std::shared_ptr<RulesEngine> engine = m_host.Engine();
    m_host.RaiseClosing(kClosingMessage);
    // A sale that began during Closing postpones the install as the first check does.
    if (!stillHere(selected, engine) || postponedForSale(selected))
        return;
    m_host.StopEngine();
    if (work.isExe)
        runInstallerProgram(package, work.path, selected);
    else
        runInstallerComponent(package, work.path, selected);
}

bool CommandProcessor::stillHere(const TableEntry& selected, const std::shared_ptr<RulesEngine>& engine)
{
    // The controller or its engine went away: the entry stays pending for a later tick.
    if (m_host.Present() && m_host.Engine() == engine)
        return true;
    m_handled.insert(selected.key);
    m_tickEnding = true;
    return false;
}

void CommandProcessor::runInstallerProgram(const QString& package, const QString& path, const TableEntry& selected)
{
    if (!QFileInfo(m_installerProgram).isFile()) {
        finish(selected, CommandStatus::kDone);
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
    // Finished before the hand-over: the process ends with it, and the entry must not run again.
    finish(selected, CommandStatus::kDone);
    if (!m_host.startProgram(m_installerProgram, arguments)) {
        log(QStringLiteral("Command Failed: Could not start the installer program: ") + m_installerProgram,
            Trace::CommandFailureSeverity);
        selected.entry->CompleteAs(CommandStatus::kFailed);
        restartEngine();
        return;
    }
    // The installer program waits for this process to end, so the entry is still ours to write.
    selected.entry->CompleteAs(CommandStatus::kHandedOver);
    m_processEnding = true;
    m_host.endProcess();
}

void CommandProcessor::runInstallerComponent(QString package, const QString& path, const TableEntry& selected)
{
    std::shared_ptr<Installer> installer;
    std::optional<AutomationError> failure;
    try {
        installer = ComponentRegistry::createAs<Installer>(Installer::kClassId);
        if (path != kInstall)
            installer->Rollback(package);
    } catch (...) {
        failure = AutomationError::fromCurrentException();
    }
    if (path != kInstall || failure) {
        installed(selected, failure);
        return;
    }
    // The package is unpacked and verified off the event loop; the tick goes on once it has been.
    auto outcome = std::make_shared<std::optional<AutomationError>>();
    auto resume = resumeWith([this, selected, outcome, installer]() mutable {
        installer.reset();
        installed(selected, *outcome);
    });
    installer->installAsync(package, [outcome, resume](std::optional<AutomationError> error) {
        *outcome = std::move(error);
        resume();
    });
}

void CommandProcessor::installed(const TableEntry& selected, const std::optional<AutomationError>& failure)
{
    if (failure)
        fail(selected, QStringLiteral("Command Failed: ") + failure->description());
    else
        finish(selected, CommandStatus::kDone);
    // The kiosk comes back whatever became of the package.
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
        fail(selected, QStringLiteral("Command not formed correctly ") + commandText);
        return;
    }
    const QString local = argumentText(arguments, kLocal);
    const auto file = insideFolder(QDir(quibaPath).filePath(local), quibaPath);
    if (!file) {
        fail(selected, QStringLiteral("Command Failed: Upload file must lie inside the program root: ") + local);
        return;
    }
    // A FIFO or a device would hang or never end the upload.
    if (!QFileInfo(*file).isFile()) {
        fail(selected, QStringLiteral("Command Failed: Upload file must be a regular file: ") + local);
        return;
    }
    auto factory = ComponentRegistry::createAs<HostFactory>(HostFactory::kClassId);
    auto connection = factory->CreateHost()->Connection(nullptr);
    m_host.setConnection(connection);
    connection->UploadFile(*file, argumentText(arguments, kRemote));
    log(QStringLiteral("Upload Command Loaded"), Trace::CommandFailureSeverity);
    finish(selected, CommandStatus::kDone);
}

void CommandProcessor::runSet(clsINIFile& ini, const Dictionary& arguments, const QString& commandText,
                              const QString& quibaPath, const TableEntry& selected)
{
    if (!arguments.exists(kScope)) {
        fail(selected, QStringLiteral("Set command failed: ") + commandText);
        return;
    }
    const QString scope = argumentText(arguments, kScope);
    clsINIFile other;
    clsINIFile* target = nullptr;
    if (!arguments.exists(kFile))
        target = &ini;
    else if (const auto file = setTargetFile(argumentText(arguments, kFile), quibaPath)) {
        // The main INI file named by "file=" is the main INI file still.
        if (*file == QFileInfo(ini.FileName()).canonicalFilePath())
            target = &ini;
        else {
            other.setFileName(*file);
            target = &other;
        }
    }
    if (!target) {
        fail(selected, QStringLiteral("Set command failed: ") + commandText);
        return;
    }
    const bool hasName = arguments.exists(kName);
    const QString name = argumentText(arguments, kName);
    if (target == &ini) {
        const QString refused = hasName ? (KioskOnlyKeys::contains(scope, name) ? name : QString())
                                        : (arguments.exists(kDelete) ? KioskOnlyKeys::keyIn(scope) : QString());
        if (!refused.isEmpty()) {
            fail(selected, KioskOnlyKeys::refusal(scope, refused));
            return;
        }
    }

    // On the main INI file the change and the entry's done mark are one replacement of the file,
    // so that a kill between them cannot run the command twice. Another file is changed first; a
    // kill before the mark runs the "/set" again, which changes nothing more.
    const bool oneReplacement = target == &ini;
    if (oneReplacement)
        ini.beginBatch();
    if (!hasName) {
        if (arguments.exists(kDelete))
            target->EraseSection(scope);
    } else if (!arguments.exists(kValue))
        target->EraseKey(scope, name);
    else if (target == &ini)
        target->WriteString(scope, name, argumentText(arguments, kValue), IniDefaults::iniDefault(name).toString());
    else
        target->WriteString(scope, name, argumentText(arguments, kValue));
    log(QStringLiteral("Set command Completed: "), Trace::ProgressSeverity);
    finish(selected, CommandStatus::kDone);
    if (oneReplacement)
        ini.commitBatch();
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

bool CommandProcessor::packageAllowed(const QString& package, const TableEntry& selected)
{
    if (!hasFolderPart(package))
        return true;
    fail(selected, QStringLiteral("Command Failed: Package name must not name a folder: ") + package);
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
