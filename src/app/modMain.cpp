#include "app/modMain.h"

#include "api/SaleObjects.h"
#include "api/ScriptPutRecord.h"
#include "app/FirstRun.h"
#include "app/KioskRun.h"
#include "services/MessageBoxes.h"
#include "services/PrivateData.h"
#include "services/ProcedureFrame.h"
#include "services/ProcessInitialiser.h"
#include "services/ProcessState.h"
#include "app/ServiceStartup.h"
#include "services/Services.h"
#include "services/Trace.h"
#include "config/IniDefaults.h"
#include "config/IniKeys.h"
#include "config/IniLocation.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/CommandProcessor.h"
#include "controller/ControllerCommandHost.h"
#include "controller/frmController.h"
#include "app/StatusReporter.h"
#include "platform/Blanks.h"
#include "platform/Conversions.h"
#include "platform/DailyLogFile.h"
#include "platform/ProgramFolders.h"
#include "platform/SingleInstance.h"
#include "support/modTouchTools.h"
#include "ui/frmSplash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// MainInitialise passes over a failing step: it has no effect and the next one runs.
template <class Step>
void passOver(Step&& step)
{
    try {
        step();
    } catch (...) {
    }
}

bool separatesWords(QChar character)
{
    return character == u' ' || character == u'\t';
}

// The parser's states while it walks the command line.
enum class ParseState { Between, SwitchName, Value, SingleQuoted, DoubleQuoted };

} // namespace

// ---- start-up --------------------------------------------------------------------------------

void modMain::registerInitialiser()
{
    ProcessInitialiser::set([] { MainInitialise(); });
}

std::optional<int> modMain::MainInitialise()
{
    ProcessState& state = ProcessState::instance();
    if (state.initialised)
        return std::nullopt;

    if (SingleInstance::claim(ProgramFolders::root()) == SingleInstance::Claim::AlreadyRunning)
        return 0;

    QString failure;
    if (!ServiceStartup::startErrorHandler(failure)) {
        // Nobody sees a box without a display, and no log exists yet: standard error is left.
        if (MessageBoxes::unattended())
            std::fprintf(stderr, "pcQUIBA: %s\n", qPrintable(failure));
        MessageBoxes::show({failure, u"pcQUIBA"_s, MessageBoxes::Buttons::Ok, MessageBoxes::Answer::Ok});
        return 1;
    }

    ProcedureFrame frame(u"Sub MainInitialise"_s, kModuleName);
    passOver([&] { state.versionString = ServiceStartup::versionString(); });
    passOver([] { ServiceStartup::startLogger(); });
    passOver([] { FirstRun::fillProgramRoot(); });
    passOver([&] {
        state.ini = std::make_shared<clsINIFile>();
        state.ini->setFileName(IniLocation::iniFileName());
    });
    passOver([] { readGeneralKeys(); });
    passOver([&] { ScriptPutRecord::eraseLeftover(*state.ini); });
    passOver([] { resolvePaths(); });
    passOver([&] {
        state.printerClass = state.ini->GetString(IniSections::Printer, IniKeys::Class,
                                                  IniDefaults::iniDefault(IniKeys::Class).toString());
    });
    passOver([&] { ServiceStartup::startLexicon(IniLocation::iniGetPath(state.ini.get(), IniKeys::Lexicon)); });
    SaleObjects::install();
    frmController::setCommandProcessor(ControllerCommandHost::tick());
    StatusReporter::start();
    state.initialised = true;
    return std::nullopt;
}

void modMain::readGeneralKeys()
{
    ProcessState& state = ProcessState::instance();
    clsINIFile& ini = *state.ini;
    // Dated log files are kept as long as finished remote commands; older ones go now.
    DailyLogFile::keepDays(int(CommandProcessor::retentionDays(ini)), ProgramFolders::logs());
    if (!ini.FileExists())
        return;
    passOver([&] {
        ini.WriteString(IniSections::General, IniKeys::SoftwareId, state.versionString,
                        IniDefaults::iniDefault(IniKeys::SoftwareId).toString());
    });
    passOver([&] {
        state.wellBehaved = ini.GetBoolean(IniSections::General, IniKeys::WellBehaved,
                                           IniDefaults::iniDefault(IniKeys::WellBehaved).toBool());
    });
    passOver([&] {
        if (ini.GetBoolean(IniSections::General, IniKeys::Debug, IniDefaults::iniDefault(IniKeys::Debug).toBool()))
            Services::logger().setThreshold(0);
    });
    // Kiosk-only and outside the defaults table: a missing key keeps every log line as it was.
    passOver([&] { PrivateData::setLogged(ini.GetBoolean(IniSections::General, IniKeys::LogPrivateData, true)); });
}

void modMain::resolvePaths()
{
    ProcessState& state = ProcessState::instance();
    const clsINIFile* ini = state.ini.get();
    const QList<QPair<QString, QString*>> paths{
        {IniKeys::AppPath, &state.appPath},   {IniKeys::DataPath, &state.dataPath},
        {IniKeys::LogoPath, &state.logoPath}, {IniKeys::LogoExt, &state.logoExt},
        {IniKeys::FragmentPath, &state.fragmentPath},
    };
    for (const auto& path : paths)
        passOver([&] { *path.second = IniLocation::iniGetPath(ini, path.first); });
}

std::optional<int> modMain::Main(const QString& commandLine)
{
    ProcessState& state = ProcessState::instance();
    if (!state.initialised) {
        if (const std::optional<int> end = MainInitialise())
            return end;
    }
    installStartScreenHooks();
    state.automationTimeout = 60000;
    if (state.startedByAutomation)
        return std::nullopt;

    ProcedureFrame frame(u"Sub Main"_s, kModuleName);
    return frame.run(ErrorExit::forModule(), [&]() -> std::optional<int> {
        state.wellBehaved = true;
        const auto switches = ParseCommandLine(startCommand(commandLine), false);

        if (switches->exists(u"/f"_s))
            flushFragmentFolder(state.fragmentPath);
        if (switches->exists(u"/c"_s)) {
            runConfiguration(switches->item(u"/c"_s).toString());
        } else if (switches->exists(u"/g"_s)) {
            runKiosk(switches->item(u"/g"_s).toString());
        } else if (switches->exists(u"/s"_s)) {
            runStartScreen(switches->item(u"/s"_s).toString());
        } else {
            return 0;
        }
        return std::nullopt;
    });
}

QString modMain::startCommand(const QString& commandLine)
{
    QString text = Blanks::trim(commandLine);
    if (text.isEmpty()) {
        const clsINIFile* ini = ProcessState::instance().ini.get();
        const QString fallback = IniDefaults::iniDefault(IniKeys::StandaloneStart).toString();
        text = ini ? Blanks::trim(ini->GetString(IniSections::General, IniKeys::StandaloneStart, fallback)) : fallback;
    }
    if (text.isEmpty())
        text = u"/splash"_s;
    // "-" stands for "/": a text that starts with either already starts with a switch.
    if (!modTouchTools::StartsWithText(text, u"/"_s, false) && !modTouchTools::StartsWithText(text, u"-"_s, false))
        text.prepend(u'/');
    return text;
}

void modMain::runConfiguration(const QString& value)
{
    frmController& controller = frmController::instance();
    Dictionary& args = controller.Args();
    QString rest = Blanks::trim(value);
    while (!rest.isEmpty()) {
        const QString word = modTouchTools::FirstWord(rest);
        rest = modTouchTools::AfterFirstWord(rest);
        if (word.isEmpty())
            break;
        const QString key = Conversions::isNumeric(Variant(word)) ? u"PIN"_s : u"Panel"_s;
        // A second number or a second panel name would be a present key.
        if (args.exists(key))
            Trace::write(u"Ignored after /c: "_s + word, Trace::WarningSeverity);
        else
            args.add(key, Variant(word));
    }
    controller.cmdShowConfig()->click();
}

void modMain::runKiosk(const QString& startAt)
{
    KioskRun::start(startAt);
}

void modMain::runStartScreen(const QString& value)
{
    qint16 seconds = 0;
    const QString text = Blanks::trim(value);
    if (!text.isEmpty() && Conversions::isNumeric(Variant(text))) {
        try {
            seconds = Conversions::toInteger(Variant(text));
        } catch (const AutomationError&) {
            // Out of range: the screen shows without a countdown rather than not at all.
            Trace::write(u"Countdown out of range: "_s + text, Trace::WarningSeverity);
        }
    }
    frmSplash::instance().Display(seconds);
}

void modMain::installStartScreenHooks()
{
    frmController::setStartScreenHooks({[] { frmSplash::instance().Display(0); }, [] { frmSplash::unload(); }});
}

// ---- "/f" ------------------------------------------------------------------------------------

void modMain::flushFragmentFolder(const QString& folder)
{
    if (Blanks::trim(folder).isEmpty())
        return;
    const QFileInfo info(folder);
    if (!info.isDir() || info.isSymLink())
        return;
    const QString resolved = info.canonicalFilePath();
    const QString programRoot = QFileInfo(ProgramFolders::root()).canonicalFilePath();
    if (resolved.isEmpty() || resolved == u"/" || resolved == programRoot)
        return;
    const QDir dir(resolved);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // Only regular files directly inside: never through a link.
        if (entry.isSymLink() || !entry.isFile())
            continue;
        QFile file(entry.filePath());
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        file.remove();
    }
}

// ---- the command line ------------------------------------------------------------------------

std::shared_ptr<Dictionary> modMain::ParseCommandLine(const QString& commandLine, bool caseSensitive)
{
    auto switches =
        std::make_shared<Dictionary>(caseSensitive ? Dictionary::CompareMode::Binary : Dictionary::CompareMode::Text);
    ParseState state = ParseState::Between;
    QString key;
    QString value;
    qint16 positions = 0;
    bool positionDropped = false;

    const auto store = [&] {
        if (!positionDropped && !switches->exists(key))
            switches->add(key, Variant(value));
        key.clear();
        value.clear();
        positionDropped = false;
    };

    for (QChar character : Blanks::trim(commandLine)) {
        switch (state) {
        case ParseState::Between:
            if (separatesWords(character))
                break;
            if (character == u'/' || character == u'-') {
                key = u"/"_s;
                value.clear();
                state = ParseState::SwitchName;
                break;
            }
            if (key.isEmpty()) {
                if (positions < kMostPositions) {
                    key = u"pos"_s + QString::number(++positions);
                } else {
                    key = u"pos"_s;
                    positionDropped = true;
                }
            }
            if (character == u'\'') {
                value.clear();
                state = ParseState::SingleQuoted;
            } else if (character == u'"') {
                value.clear();
                state = ParseState::DoubleQuoted;
            } else {
                value = character;
                state = ParseState::Value;
            }
            break;
        case ParseState::SwitchName:
            if (!caseSensitive)
                character = character.toLower();
            if (separatesWords(character))
                state = ParseState::Between;
            else if (character == u'=' || character == u':')
                state = ParseState::Value;
            else if (key == u"/")
                key += character;
            break;
        case ParseState::Value:
            if (separatesWords(character))
                state = ParseState::Between;
            else if (character == u'\'' && value.isEmpty())
                state = ParseState::SingleQuoted;
            else if (character == u'"' && value.isEmpty())
                state = ParseState::DoubleQuoted;
            else
                value += character;
            break;
        case ParseState::SingleQuoted:
            if (character == u'\'')
                state = ParseState::Between;
            else
                value += character;
            break;
        case ParseState::DoubleQuoted:
            if (character == u'"')
                state = ParseState::Between;
            else
                value += character;
            break;
        }
        if (state == ParseState::Between && !key.isEmpty())
            store();
    }
    if (!key.isEmpty())
        store();
    return switches;
}

QString modMain::commandLineFromArguments(const QStringList& arguments)
{
    QStringList words;
    for (const QString& argument : arguments)
        words.append(quotedWord(argument));
    return words.join(u' ');
}

QString modMain::quotedWord(const QString& argument)
{
    if (!argument.contains(u' ') && !argument.contains(u'\t'))
        return argument;
    qsizetype valueStart = 0;
    if (argument.startsWith(u'/') || argument.startsWith(u'-')) {
        const qsizetype separator = argument.indexOf(QRegularExpression(u"[=:]"_s));
        const qsizetype blank = argument.indexOf(QRegularExpression(u"[ \t]"_s));
        if (separator > 0 && separator < blank)
            valueStart = separator + 1;
    }
    const QString value = argument.mid(valueStart);
    // A value the shell passed on with its quotes is quoted already.
    for (const QChar quote : {u'"', u'\''}) {
        if (value.size() >= 2 && value.startsWith(quote) && value.endsWith(quote) && value.count(quote) == 2)
            return argument;
    }
    const QChar quote = argument.contains(u'"') ? u'\'' : u'"';
    return argument.left(valueStart) + quote + value + quote;
}
