#pragma once

#include "controller/EngineDescription.h"

class SimulatedDescription : public EngineDescription {
public:
    explicit SimulatedDescription(QString text)
        : m_text(std::move(text))
    {
    }
    QString className() const override { return QStringLiteral("Description"); }
    QString Text() const override { return m_text; }

private:
    QString m_text;
};
