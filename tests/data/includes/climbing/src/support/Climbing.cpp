#include "services/Services.h"
#include "app/modMain.h"
