#include "OtherVersionPlugin.h"
