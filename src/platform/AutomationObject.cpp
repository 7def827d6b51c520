#include "platform/AutomationObject.h"

AutomationObject::~AutomationObject() = default;
