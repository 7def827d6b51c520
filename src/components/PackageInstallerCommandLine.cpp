#include "components/PackageInstallerCommandLine.h"

namespace {

// The switch letter of an argument "/c" or "/c=value" ("-" for "/"), or a null character.
QChar switchOf(const QString& argument)
{
    const bool marked = argument.startsWith(QLatin1Char('/')) || argument.startsWith(QLatin1Char('-'));
    if (!marked || argument.size() < 2 || (argument.size() > 2 && argument[2] != QLatin1Char('=')))
        return {};
    return argument[1].toLower();
}

} // namespace

PackageInstallerCommandLine PackageInstallerCommandLine::parse(const QStringList& arguments)
{
    PackageInstallerCommandLine line;
    if (arguments.size() == 1) {
        line.help = arguments[0] == QStringLiteral("--help");
        line.version = arguments[0] == QStringLiteral("--version");
        if (line.help || line.version)
            return line;
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QChar letter = switchOf(argument);
        const QString value = argument.mid(3);
        if (letter == QLatin1Char('x') && !value.isEmpty()) {
            line.restartProgram = value;
            line.restartArguments = arguments.mid(i + 1);
            break;
        }
        if (!line.take(letter, value)) {
            line.error = QStringLiteral("Argument not understood: ") + argument;
            return line;
        }
    }
    if (!line.install && !line.rollback)
        line.error = kUsage;
    return line;
}

bool PackageInstallerCommandLine::take(QChar letter, const QString& value)
{
    const bool first = !install && !rollback;
    if (letter == QLatin1Char('i') || letter == QLatin1Char('r')) {
        if (!first)
            return false;
        (letter == QLatin1Char('i') ? install : rollback) = true;
        package = unquoted(value);
        return true;
    }
    if (letter == QLatin1Char('p') && processId == 0) {
        bool number = false;
        processId = value.toLongLong(&number);
        return number && processId > 0;
    }
    return false;
}

QString PackageInstallerCommandLine::unquoted(const QString& value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return value;
}
