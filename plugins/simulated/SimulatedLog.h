#pragma once

#include <QString>
#include <functional>

// Where the simulated component's log lines go: the function pcQUIBA hands the plugin, or
// standard error before that.
class SimulatedLog {
public:
    enum Severity : qint32 { Progress = 0, Call = 1, Warning = 2, Error = 4 };
    using Function = std::function<void(const QString& text, qint32 severity)>;

    static void setFunction(Function log);
    static void write(const QString& text, qint32 severity);
};
