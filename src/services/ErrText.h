#pragma once

#include "platform/Variant.h"

// The description of an error number, looked up in the lexicon section "PCQUIBA_ERRORS" under
// the code's offset, with the built-in text as default and the arguments in its placeholders.
// Any other number gives "Unknown Error: " and the number. Every call writes " *** " and the
// text to the log at severity 4.
QString ErrText(qint32 number, const VariantArray& arguments = {});
