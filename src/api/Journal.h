#pragma once

#include "platform/AutomationObject.h"

// The sale journal the Sovereign can obtain from API. It has no members yet; it exists so that
// a Sovereign written against the full interface finds it.
class Journal : public AutomationObject {
public:
    static inline const QString kClassName = QStringLiteral("Journal");

    QString className() const override;
};
