#include "api/Journal.h"

QString Journal::className() const
{
    return kClassName;
}
