#include "platform/Variant.h"
