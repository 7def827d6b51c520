#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class CustomerScreen;

// A customer that follows a short script instead of touching the screen: each step presses the
// same controls a person would, one step every interval, so a sale runs with nobody at the
// kiosk and is visible on the screen when there is a display. The script is a comma-separated
// list of steps (docs/simulated-engine.md):
//   choose <product ID>, type <digits>, ok, back, swipe <card track>, remove <line number>,
//   pay, cancel, wait <milliseconds>
class ScriptedCustomer : public QObject {
    Q_OBJECT
public:
    enum class Verb { Choose, Type, Ok, Back, Swipe, Remove, Pay, Cancel, Wait };
    struct Step {
        Verb verb;
        QString argument;
        bool operator==(const Step&) const = default;
    };

    // The steps of a script; on a bad step an empty list and the reason in `error`.
    static QList<Step> parse(const QString& script, QString& error);

    ScriptedCustomer(CustomerScreen* screen, QList<Step> steps, int stepMilliseconds);

    // Runs the script from its first step; a running script starts over.
    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // Steps done so far.
    int stepsDone() const { return m_next; }

Q_SIGNALS:
    void finished();

private:
    void runNextStep();
    // Whether the step could be done on the screen as it is now.
    bool perform(const Step& step);

    QPointer<CustomerScreen> m_screen;
    QList<Step> m_steps;
    int m_stepMilliseconds;
    int m_next = 0;
    QTimer m_timer;
};
