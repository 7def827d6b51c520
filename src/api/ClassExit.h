#pragma once

#include "services/ErrorExit.h"
#include "services/QuibaErrors.h"

// The error exit of a class a Sovereign creates: an error it did not expect leaves as
// quibaGeneralError from the class's source name.
template <class QuibaClass>
ErrorExit classExit()
{
    return ErrorExit::forClass(QuibaErrorCatalogue::sourceName(QuibaClass::kClassName));
}
