#include "app/KioskBackoff.h"

#include "api/SurrenderReason.h"
#include "app/ExitStatus.h"
#include "platform/Clock.h"
#include "platform/FileReplacer.h"
#include "platform/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const QByteArray kQuickFailuresKey = QByteArrayLiteral("quick_failures=");
// More doublings than this reach the longest wait anyway; the bound keeps the shift sound.
constexpr int kMostCountedFailures = 32;
// A state file is one short line; a bigger one is not ours and counts as none.
constexpr qint64 kMostStateBytes = 64;

} // namespace

QString KioskBackoff::defaultStateFile()
{
    return ProgramFolders::data() + QStringLiteral("/kiosk-restarts.state");
}

qint64 KioskBackoff::waitAfter(int quickFailures)
{
    if (quickFailures <= 0)
        return 0;
    const int doublings = std::min(quickFailures, kMostCountedFailures) - 1;
    return std::min(kFirstWaitMilliseconds << doublings, kLongestWaitMilliseconds);
}

KioskBackoff::KioskBackoff(const QString& stateFile) : m_stateFile(stateFile), m_before(quickFailures()) {}

int KioskBackoff::quickFailures() const
{
    QFile file(m_stateFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostStateBytes)
        return 0;
    const QByteArray line = file.readAll().trimmed();
    if (!line.startsWith(kQuickFailuresKey))
        return 0;
    bool read = false;
    const int count = line.mid(kQuickFailuresKey.size()).toInt(&read);
    return read ? std::clamp(count, 0, kMostCountedFailures) : 0;
}

void KioskBackoff::shown()
{
    m_shown = true;
    m_shownAt = Clock::elapsed();
    // Counted now: a run that is killed before its end still counts as a quick failure.
    store(m_before + 1);
}

void KioskBackoff::basketCommitted()
{
    m_reset = true;
    store(0);
}

void KioskBackoff::checkRunLength()
{
    if (m_shown && !m_reset && ranLongEnough()) {
        m_reset = true;
        store(0);
    }
}

bool KioskBackoff::ranLongEnough() const
{
    return Clock::elapsed() - m_shownAt >= kQuickRunMilliseconds;
}

void KioskBackoff::ended(int exitStatus, int surrenderReason)
{
    if (!m_shown) {
        // Ended while it waited (or before the kiosk was shown): a failure still counts.
        if (ExitStatus::isFailure(exitStatus))
            store(m_before + 1);
        return;
    }
    checkRunLength();
    if (m_reset)
        return;
    const bool quickFailure = ExitStatus::isFailure(exitStatus) || surrenderReason == SurrenderError;
    store(quickFailure ? m_before + 1 : m_before);
}

void KioskBackoff::store(int quickFailures)
{
    QDir().mkpath(QFileInfo(m_stateFile).absolutePath());
    FileReplacer::replaceFile(m_stateFile, kQuickFailuresKey + QByteArray::number(quickFailures) + '\n');
}
