#include "platform/RuntimeErrors.h"

#include "platform/ExecutableInfo.h"

#include <QHash>

namespace {

struct StandardError {
    qint32 number;
    const char* text;
};

constexpr StandardError kStandardErrors[] = {
    {RuntimeErrors::InvalidProcedureCall, "Invalid procedure call or argument"},
    {RuntimeErrors::Overflow, "Overflow"},
    {RuntimeErrors::OutOfMemory, "Out of memory"},
    {RuntimeErrors::SubscriptOutOfRange, "Subscript out of range"},
    {RuntimeErrors::DivisionByZero, "Division by zero"},
    {RuntimeErrors::TypeMismatch, "Type mismatch"},
    {RuntimeErrors::InternalError, "Internal error"},
    {RuntimeErrors::BadFileNameOrNumber, "Bad file name or number"},
    {RuntimeErrors::FileNotFound, "File not found"},
    {RuntimeErrors::DeviceIoError, "Device I/O error"},
    {RuntimeErrors::FileAlreadyExists, "File already exists"},
    {RuntimeErrors::DiskFull, "Disk full"},
    {RuntimeErrors::InputPastEndOfFile, "Input past end of file"},
    {RuntimeErrors::PermissionDenied, "Permission denied"},
    {RuntimeErrors::PathFileAccessError, "Path/File access error"},
    {RuntimeErrors::PathNotFound, "Path not found"},
    {RuntimeErrors::ObjectNotSet, "Object variable or With block variable not set"},
    {RuntimeErrors::InvalidUseOfNull, "Invalid use of Null"},
    {RuntimeErrors::InvalidFileFormat, "Invalid file format"},
    {RuntimeErrors::InvalidPropertyValue, "Invalid property value"},
    {RuntimeErrors::ObjectRequired, "Object required"},
    {RuntimeErrors::CannotCreateObject, "ActiveX component can't create object"},
    {RuntimeErrors::MemberNotSupported, "Object doesn't support this property or method"},
    {RuntimeErrors::ArgumentNotOptional, "Argument not optional"},
    {RuntimeErrors::KeyAlreadyAssociated, "This key is already associated with an element of this collection"},
};

constexpr const char* kUndefinedText = "Application-defined or object-defined error";

} // namespace

QString RuntimeErrors::text(qint32 number)
{
    for (const StandardError& entry : kStandardErrors) {
        if (entry.number == number)
            return QString::fromLatin1(entry.text);
    }
    return QString::fromLatin1(kUndefinedText);
}

QString RuntimeErrors::defaultSource()
{
    return ExecutableInfo::name();
}

AutomationError RuntimeErrors::error(qint32 number, const QString& source, const QString& description)
{
    return AutomationError(number, source.isEmpty() ? defaultSource() : source,
                           description.isEmpty() ? text(number) : description);
}

void RuntimeErrors::raise(qint32 number, const QString& source, const QString& description)
{
    throw error(number, source, description);
}
