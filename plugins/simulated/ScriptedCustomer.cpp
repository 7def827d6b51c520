#include "ScriptedCustomer.h"

#include "CustomerScreen.h"
#include "SimulatedLog.h"

namespace {

struct VerbName {
    const char* name;
    ScriptedCustomer::Verb verb;
    bool takesArgument;
};

constexpr VerbName kVerbs[] = {
    {"choose", ScriptedCustomer::Verb::Choose, true}, {"type", ScriptedCustomer::Verb::Type, true},
    {"ok", ScriptedCustomer::Verb::Ok, false},         {"back", ScriptedCustomer::Verb::Back, false},
    {"swipe", ScriptedCustomer::Verb::Swipe, true},   {"remove", ScriptedCustomer::Verb::Remove, true},
    {"pay", ScriptedCustomer::Verb::Pay, false},       {"cancel", ScriptedCustomer::Verb::Cancel, false},
    {"wait", ScriptedCustomer::Verb::Wait, true},
};

constexpr int kMaxSteps = 200;

} // namespace

QList<ScriptedCustomer::Step> ScriptedCustomer::parse(const QString& script, QString& error)
{
    QList<Step> steps;
    const QStringList parts = script.split(u',', Qt::SkipEmptyParts);
    if (parts.size() > kMaxSteps) {
        error = QStringLiteral("more than %1 steps").arg(kMaxSteps);
        return {};
    }
    for (const QString& part : parts) {
        const QString text = part.trimmed();
        if (text.isEmpty())
            continue;
        const qsizetype blank = text.indexOf(u' ');
        const QString word = text.left(blank < 0 ? text.size() : blank).toLower();
        const QString argument = blank < 0 ? QString() : text.mid(blank + 1).trimmed();
        const auto known = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                        [&](const VerbName& verb) { return word == QLatin1StringView(verb.name); });
        if (known == std::end(kVerbs)) {
            error = QStringLiteral("unknown step \"%1\"").arg(text);
            return {};
        }
        if (known->takesArgument == argument.isEmpty()) {
            error = QStringLiteral("step \"%1\" %2").arg(text, known->takesArgument ? QStringLiteral("needs a value")
                                                                                     : QStringLiteral("takes no value"));
            return {};
        }
        steps.append({known->verb, argument});
    }
    return steps;
}

ScriptedCustomer::ScriptedCustomer(CustomerScreen* screen, QList<Step> steps, int stepMilliseconds)
    : m_screen(screen)
    , m_steps(std::move(steps))
    , m_stepMilliseconds(stepMilliseconds)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScriptedCustomer::runNextStep);
}

void ScriptedCustomer::start()
{
    m_next = 0;
    if (!m_steps.isEmpty())
        m_timer.start(m_stepMilliseconds);
}

void ScriptedCustomer::stop()
{
    m_timer.stop();
}

void ScriptedCustomer::runNextStep()
{
    if (!m_screen || m_next >= m_steps.size())
        return;
    const Step step = m_steps.at(m_next);
    if (!perform(step)) {
        SimulatedLog::write(QStringLiteral("Scripted customer: step %1 could not be done now; the script stops")
                                .arg(m_next + 1),
                            SimulatedLog::Warning);
        return;
    }
    ++m_next;
    if (m_next >= m_steps.size()) {
        Q_EMIT finished();
        return;
    }
    const int delay = step.verb == Verb::Wait ? step.argument.toInt() : m_stepMilliseconds;
    m_timer.start(qBound(0, delay, 600000));
}

bool ScriptedCustomer::perform(const Step& step)
{
    switch (step.verb) {
    case Verb::Choose:
        return m_screen->chooseProduct(step.argument);
    case Verb::Type:
        return m_screen->pressKeys(step.argument);
    case Verb::Ok:
        m_screen->pressOk();
        return true;
    case Verb::Back:
        m_screen->pressBack();
        return true;
    case Verb::Swipe:
        m_screen->swipeCard(step.argument);
        return true;
    case Verb::Remove:
        return m_screen->removeLine(step.argument.toInt());
    case Verb::Pay:
        m_screen->pressPay();
        return true;
    case Verb::Cancel:
        m_screen->pressCancel();
        return true;
    case Verb::Wait:
        return true;
    }
    return false;
}
