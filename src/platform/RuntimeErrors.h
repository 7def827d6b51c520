#pragma once

#include "platform/AutomationError.h"

// The runtime's standard error numbers and their texts, in one table.
class RuntimeErrors {
public:
    enum Number : qint32 {
        InvalidProcedureCall = 5,
        Overflow = 6,
        OutOfMemory = 7,
        SubscriptOutOfRange = 9,
        DivisionByZero = 11,
        TypeMismatch = 13,
        InternalError = 51,
        BadFileNameOrNumber = 52,
        FileNotFound = 53,
        DeviceIoError = 57,
        FileAlreadyExists = 58,
        DiskFull = 61,
        InputPastEndOfFile = 62,
        PermissionDenied = 70,
        PathFileAccessError = 75,
        PathNotFound = 76,
        ObjectNotSet = 91,
        InvalidUseOfNull = 94,
        InvalidFileFormat = 321,
        InvalidPropertyValue = 380,
        WithdrawnMember = 421,
        ObjectRequired = 424,
        CannotCreateObject = 429,
        MemberNotSupported = 438,
        ArgumentNotOptional = 449,
        KeyAlreadyAssociated = 457,
        ApplicationDefined = 1000,
    };

    // The runtime's text for a standard number; "Application-defined or object-defined error"
    // for any number the runtime does not define.
    static QString text(qint32 number);

    // The source the runtime gives its own errors: the executable's name.
    static QString defaultSource();

    static AutomationError error(qint32 number, const QString& source = {}, const QString& description = {});
    [[noreturn]] static void raise(qint32 number, const QString& source = {}, const QString& description = {});
};
