#pragma once

#include "platform/Variant.h"

#include <QStringList>

// The trace lines every public procedure writes to the logger, in their exact forms.
class Trace {
public:
    enum Severity : qint32 {
        ProgressSeverity = 0,
        TraceSeverity = 1,
        WarningSeverity = 2,
        ErrorSeverity = 4,
        CommandFailureSeverity = 5,
    };

    // A client can send values of any length, and the log keeps every line: a value shows at most
    // kValueLimit characters and a line at most kLineLimit, each cut marked by cutText().
    static constexpr qsizetype kValueLimit = 1000;
    static constexpr qsizetype kLineLimit = 8000;

    static void write(const QString& line, qint32 severity = TraceSeverity);

    // "CALL: Class.Method(a, b)"; "CALL: Class.Method()" without arguments.
    static QString callLine(const QString& className, const QString& method, const QStringList& arguments = {});
    // "GET: Class.Property"
    static QString getLine(const QString& className, const QString& property);
    // "SET: Class.Property = value"
    static QString setLine(const QString& className, const QString& property, const QString& value);
    // " --> result"
    static QString resultLine(const QString& result);
    // "EVENT: Name(a, b)"
    static QString eventLine(const QString& event, const QStringList& arguments = {});
    // " --> END EVENT: Name"
    static QString endEventLine(const QString& event);

    // A value as the runtime's text concatenation writes it: Null and Empty as an empty text,
    // Booleans as True/False, numbers and dates as CStr gives them. Objects and arrays, which
    // concatenation refuses, write their type name ("Dictionary", "Variant()") so that a trace
    // line never fails.
    static QString valueText(const Variant& value);

    // The text itself when it is at most `limit` characters long; else its first `limit`
    // characters followed by " [... N characters]", N being the whole length.
    static QString cutText(const QString& text, qsizetype limit = kValueLimit);
};
