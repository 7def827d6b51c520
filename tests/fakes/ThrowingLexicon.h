#pragma once

#include "services/Lexicon.h"
#include "platform/RuntimeErrors.h"

// A lexicon whose every lookup fails, as one whose file went bad under it.
class ThrowingLexicon : public Lexicon {
public:
    QString className() const override { return QStringLiteral("ThrowingLexicon"); }
    void load(const QString&) override {}
    QString text(const QString&, const QString&, const QString&, const VariantArray&) override
    {
        RuntimeErrors::raise(RuntimeErrors::DeviceIoError);
    }
};
