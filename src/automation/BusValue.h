#pragma once

#include "automation/BusObjectMapper.h"
#include "platform/Variant.h"

#include <QDBusVariant>
#include <QVariant>
#include <optional>
#include <stdexcept>

// The wire form of an automation value: every value travels as a D-Bus variant.
//   Boolean b, Integer n, Long i, Single and Double d, String s, Object o ("/" is Nothing),
//   Array av. Values D-Bus cannot tell apart travel as a tagged structure (sv):
//   ("Empty", ""), ("Null", ""), ("Missing", ""), ("Date", d serial), ("Currency", x ten-thousandths).
// Incoming, a bare value of any basic type is read as well as a variant: y becomes Integer,
// q, u, x and t become Long when they fit, else Double.
// An incoming value nests at most kMaximumNesting arrays and holds at most kMaximumElements
// elements at all its levels together: within that its wire form, sent back in a variant, stays
// within the nesting the bus carries (64 containers), and its copy in memory stays small.
class BusValue {
public:
    static constexpr int kMaximumNesting = 30;
    static constexpr qsizetype kMaximumElements = 100000;

    // A value the wire form cannot hold, or a tag that is not known.
    class Malformed : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };
    // A value past the nesting or the element bound.
    class TooLarge : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static QDBusVariant toBus(const Variant& value, BusObjectMapper& objects);
    // An argument as received; nothing when it is the Missing tag (an omitted argument).
    static std::optional<Variant> argumentFromBus(const QVariant& received, BusObjectMapper& objects);
    // A value as received; the Missing tag is malformed here.
    static Variant fromBus(const QVariant& received, BusObjectMapper& objects);

    // An object path of the client's own (o, or a variant holding one), not resolved.
    static QString clientPath(const QVariant& received);

    // The tags of the tagged structure.
    static QString emptyTag();
    static QString nullTag();
    static QString missingTag();
    static QString dateTag();
    static QString currencyTag();

    // The tagged structure's form of an omitted argument, for clients written with QtDBus.
    static QDBusVariant missing();
};
