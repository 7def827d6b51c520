#include "automation/AutomationType.h"

QString AutomationType::boolean()
{
    return QStringLiteral("Boolean");
}

QString AutomationType::integer()
{
    return QStringLiteral("Integer");
}

QString AutomationType::longInteger()
{
    return QStringLiteral("Long");
}

QString AutomationType::currency()
{
    return QStringLiteral("Currency");
}

QString AutomationType::string()
{
    return QStringLiteral("String");
}

QString AutomationType::variant()
{
    return QStringLiteral("Variant");
}

QString AutomationType::variantArray()
{
    return QStringLiteral("Variant()");
}
