#include "app/CrashLine.h"

#include "services/ProcedureSlot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CrashSignal {
    int number;
    const char* name;
};
constexpr std::array kCrashSignals{
    CrashSignal{SIGSEGV, "SIGSEGV"}, CrashSignal{SIGABRT, "SIGABRT"}, CrashSignal{SIGBUS, "SIGBUS"},
    CrashSignal{SIGFPE, "SIGFPE"},   CrashSignal{SIGILL, "SIGILL"},
};

// Prepared before any crash: the handler cannot build a path.
char s_crashFile[4096] = {};
constexpr std::size_t kAlternateStackSize = 64 * 1024;
alignas(16) char s_alternateStack[kAlternateStackSize];

// Appends text to out[at..size-1); returns the new length.
std::size_t putCrashText(char* out, std::size_t at, std::size_t size, const char* text)
{
    while (*text != '\0' && at + 1 < size)
        out[at++] = *text++;
    return at;
}

std::size_t putCrashNumber(char* out, std::size_t at, std::size_t size, long long value)
{
    char digits[24];
    std::size_t count = 0;
    const bool negative = value < 0;
    unsigned long long rest = negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[count++] = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (negative)
        at = putCrashText(out, at, size, "-");
    while (count > 0 && at + 1 < size)
        out[at++] = digits[--count];
    return at;
}

const char* crashSignalName(int signalNumber)
{
    for (const CrashSignal& crash : kCrashSignals)
        if (crash.number == signalNumber)
            return crash.name;
    return "signal";
}

// True when the file ends inside a line (a write torn before).
bool crashFileEndsInsideLine(int fd)
{
    struct stat status = {};
    char last = '\n';
    return ::fstat(fd, &status) == 0 && status.st_size > 0 && ::pread(fd, &last, 1, status.st_size - 1) == 1 &&
           last != '\n';
}

} // namespace

std::size_t CrashLine::format(char* out, std::size_t size, int signalNumber, long long seconds, const char* procedure)
{
    if (size < 2) {
        if (size == 1)
            out[0] = '\0';
        return 0;
    }
    std::size_t at = putCrashNumber(out, 0, size, seconds);
    at = putCrashText(out, at, size, " | ");
    at = putCrashNumber(out, at, size, signalNumber);
    at = putCrashText(out, at, size, " | Crash: signal ");
    at = putCrashNumber(out, at, size, signalNumber);
    at = putCrashText(out, at, size, " (");
    at = putCrashText(out, at, size, crashSignalName(signalNumber));
    at = putCrashText(out, at, size, ") | ");
    at = putCrashText(out, at, size, *procedure != '\0' ? procedure : "none");
    // The line end always fits: the text before it is cut instead.
    if (at + 1 >= size)
        at = size - 2;
    out[at++] = '\n';
    out[at] = '\0';
    return at;
}

void CrashLine::install(const QString& fileName)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    const QByteArray path = QFile::encodeName(fileName);
    if (std::size_t(path.size()) >= sizeof s_crashFile)
        return;
    std::memcpy(s_crashFile, path.constData(), std::size_t(path.size()) + 1);

    stack_t stack = {};
    stack.ss_sp = s_alternateStack;
    stack.ss_size = kAlternateStackSize;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action = {};
    action.sa_handler = &CrashLine::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (const CrashSignal& crash : kCrashSignals)
        ::sigaction(crash.number, &action, nullptr);
}

void CrashLine::handle(int signalNumber)
{
    // Only async-signal-safe calls from here on.
    char procedure[ProcedureSlot::kCapacity];
    ProcedureSlot::read(procedure, sizeof procedure);
    char line[kLineCapacity];
    line[0] = '\n';
    const std::size_t length = format(line + 1, sizeof line - 1, signalNumber, static_cast<long long>(::time(nullptr)), procedure);
    int fd = ::open(s_crashFile, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fd = ::open(s_crashFile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        // A line torn by the crash of a write gets closed first.
        const bool closeTornLine = crashFileEndsInsideLine(fd);
        [[maybe_unused]] const ssize_t written = ::write(fd, closeTornLine ? line : line + 1, length + (closeTornLine ? 1 : 0));
        ::close(fd);
    }
    // SA_RESETHAND restored the default action: the process dies of the signal it got.
    ::raise(signalNumber);
}
