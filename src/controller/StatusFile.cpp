#include "controller/StatusFile.h"

#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "platform/Clock.h"
#include "platform/Dictionary.h"
#include "platform/FileReplacer.h"
#include "platform/ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStorageInfo>

#include <memory>

namespace {

std::unique_ptr<StatusFile>& statusFileSlot()
{
    static std::unique_ptr<StatusFile> slot;
    return slot;
}

QString isoTime(const QDateTime& moment)
{
    return moment.isValid() ? moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate) : QString();
}

struct CommandCounts {
    qint64 pending = 0;
    qint64 failed = 0;
};

// A finished entry is "@TIME|STATUS|COMMAND" with a status; anything else is pending.
CommandCounts countCommands(const clsINIFile* ini)
{
    CommandCounts counts;
    if (!ini)
        return counts;
    static const QRegularExpression kept(QStringLiteral("^@\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\|([^|]*)\\|"));
    const auto section = ini->GetSection(IniSections::Commands);
    for (const QString& key : section->keys()) {
        const QString status = kept.match(section->itemIfPresent(key).toString()).captured(1);
        if (status.isEmpty())
            ++counts.pending;
        else if (status == u"failed")
            ++counts.failed;
    }
    return counts;
}

} // namespace

StatusFile::StatusFile() : m_startedAt(Clock::now()), m_day(m_startedAt.date()) {}

StatusFile& StatusFile::instance()
{
    auto& slot = statusFileSlot();
    if (!slot)
        slot.reset(new StatusFile());
    return *slot;
}

void StatusFile::reset()
{
    statusFileSlot().reset(new StatusFile());
}

QString StatusFile::fileName()
{
    return QDir(ProgramFolders::data()).filePath(QStringLiteral("status.json"));
}

void StatusFile::rollDay()
{
    const QDate today = Clock::now().date();
    if (today == m_day)
        return;
    m_day = today;
    m_sales = 0;
    m_errors = 0;
}

void StatusFile::noteSale()
{
    rollDay();
    ++m_sales;
    m_lastSaleAt = Clock::now();
}

void StatusFile::noteLogLine(qint32 severity)
{
    rollDay();
    if (severity == 4 || severity == 5)
        ++m_errors;
}

void StatusFile::setPrinter(const QString& state)
{
    m_printer = state;
}

void StatusFile::setEngine(bool ready, bool assigned)
{
    m_engineReady = ready;
    m_assigned = assigned;
}

void StatusFile::setPackageVersion(const QString& version)
{
    m_packageVersion = version;
}

QJsonObject StatusFile::content(const clsINIFile* ini) const
{
    const CommandCounts commands = countCommands(ini);
    const QStorageInfo storage(ProgramFolders::root());
    return QJsonObject{
        {QStringLiteral("program_version"), QStringLiteral("%1.%2.%3").arg(PCQUIBA_VERSION_MAJOR).arg(PCQUIBA_VERSION_MINOR).arg(PCQUIBA_VERSION_PATCH)},
        {QStringLiteral("package_version"), m_packageVersion},
        {QStringLiteral("started_at"), isoTime(m_startedAt)},
        {QStringLiteral("pid"), QCoreApplication::applicationPid()},
        {QStringLiteral("engine_ready"), m_engineReady},
        {QStringLiteral("assigned"), m_assigned},
        {QStringLiteral("printer"), m_printer},
        {QStringLiteral("last_sale_at"), isoTime(m_lastSaleAt)},
        {QStringLiteral("sales"), m_sales},
        {QStringLiteral("errors"), m_errors},
        {QStringLiteral("commands_pending"), commands.pending},
        {QStringLiteral("commands_failed"), commands.failed},
        {QStringLiteral("disk_free_bytes"), storage.isValid() ? storage.bytesAvailable() / kDiskStep * kDiskStep : qint64(-1)},
    };
}

bool StatusFile::update(const clsINIFile* ini)
{
    rollDay();
    const QByteArray state = QJsonDocument(content(ini)).toJson(QJsonDocument::Compact);
    const qint64 elapsed = Clock::elapsed();
    if (state == m_written || (m_everWritten && elapsed - m_writtenAt < kMinimumIntervalMs))
        return false;
    QJsonObject document = QJsonDocument::fromJson(state).object();
    document.insert(QStringLiteral("updated_at"), isoTime(Clock::now()));
    QDir().mkpath(ProgramFolders::data());
    if (!FileReplacer::replaceFile(fileName(), QJsonDocument(document).toJson(QJsonDocument::Indented)))
        return false;
    m_written = state;
    m_writtenAt = elapsed;
    m_everWritten = true;
    return true;
}
