#pragma once

#include "platform/AutomationObject.h"

// The description object of an engine basket item; pcQUIBA reads only its text.
class EngineDescription : public AutomationObject {
public:
    virtual QString Text() const = 0;
};
