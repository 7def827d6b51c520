// One tick of the remote command processor over a COMMANDS section at the read limit (32,000
// characters of finished entries, none due) and over a pruned one (ten finished entries).

#include "services/ProcessState.h"
#include "components/BuiltInComponents.h"
#include "components/IniCommandEntry.h"
#include "config/IniSections.h"
#include "config/clsINIFile.h"
#include "controller/CommandHost.h"
#include "controller/CommandProcessor.h"
#include "platform/Clock.h"
#include "platform/DateValue.h"
#include "platform/Dictionary.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A controller that is never asked for anything: no entry falls due.
class IdleHost : public CommandHost {
public:
    std::shared_ptr<RulesEngine> Engine() const override { return nullptr; }
    bool KioskMode() const override { return false; }
    void StartEngine() override {}
    void StopEngine() override {}
    void RaiseClosing(const QString&) override {}
    void setConnection(std::shared_ptr<HostConnection>) override {}
    bool startProgram(const QString&, const QStringList&) override { return false; }
    void endProcess() override {}
};

// A main INI file whose COMMANDS section holds finished entries of about 60 characters, an hour
// old, filling `size` characters of the section read.
struct CommandsFixture {
    explicit CommandsFixture(qsizetype size)
    {
        const QDateTime noon(QDate(2026, 12, 10), QTime(12, 0));
        Clock::set(noon);
        const double finished = DateValue::fromDateTime(noon.addSecs(-3600));
        QByteArray text = "[GENERAL]\n[COMMANDS]\n";
        for (qsizetype used = 0; used < size; ++entries) {
            const QString key = u"cmd%1"_s.arg(entries, 4, 10, QLatin1Char('0'));
            const QString value = IniCommandEntry::keptForm(finished, IniCommandEntry::kDoneStatus,
                                                            u"q:/set?scope=S&name=k&value=%1"_s.arg(entries));
            text += (key + u'=' + value + u'\n').toLatin1();
            used += key.size() + value.size() + 2;
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write the benchmark file");
        file.close();
        ini->setFileName(path);
        ProcessState::instance().ini = ini;
        BuiltInComponents::registerAll();
    }
    ~CommandsFixture()
    {
        ProcessState::reset();
        Clock::reset();
    }

    QTemporaryDir folder;
    QString path = folder.filePath(u"pcQUIBA.ini"_s);
    std::shared_ptr<clsINIFile> ini = std::make_shared<clsINIFile>();
    int entries = 0;
    IdleHost host;
    CommandProcessor processor{host};
};

void tick(benchmark::State& state, qsizetype size)
{
    CommandsFixture fixture(size);
    for (auto _ : state)
        fixture.processor.tmrCommand_Timer();
    if (fixture.ini->GetSection(IniSections::Commands)->count() != fixture.entries)
        state.SkipWithError("entries were changed");
    state.counters["entries"] = fixture.entries;
}

void BM_TickAtTheReadLimit(benchmark::State& state)
{
    // The last entry ends just short of the limit, so that none is cut.
    tick(state, CommandProcessor::kSectionReadLimit - 64);
}
BENCHMARK(BM_TickAtTheReadLimit)->Unit(benchmark::kMicrosecond);

void BM_TickOverAPrunedSection(benchmark::State& state)
{
    tick(state, 600);
}
BENCHMARK(BM_TickOverAPrunedSection)->Unit(benchmark::kMicrosecond);

} // namespace
