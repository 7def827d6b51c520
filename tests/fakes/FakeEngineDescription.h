#pragma once

#include "controller/EngineDescription.h"

class FakeEngineDescription : public EngineDescription {
public:
    explicit FakeEngineDescription(QString text) : m_text(std::move(text)) {}

    QString className() const override { return QStringLiteral("FakeEngineDescription"); }
    QString Text() const override { return m_text; }

private:
    QString m_text;
};
