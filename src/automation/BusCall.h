#pragma once

#include "platform/Variant.h"

#include <QList>
#include <QString>

#include <optional>

class ObjectServer;

// One call as a member handler sees it: the arguments (by-reference ones may be changed), which
// of them the client omitted, and who called.
struct BusCall {
    VariantArray arguments;
    QList<bool> omitted;
    QString client;
    QString path;
    ObjectServer* server = nullptr;

    bool isOmitted(qsizetype index) const { return index >= omitted.size() || omitted.at(index); }

    // An optional text argument: nothing when the client left it out.
    std::optional<QString> optionalText(qsizetype index) const
    {
        if (isOmitted(index))
            return std::nullopt;
        return arguments.at(index).toString();
    }
};
