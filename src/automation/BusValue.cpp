#include "automation/BusValue.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <utility>

namespace {

const QString kNothingPath = QStringLiteral("/");

QVariant tagged(const QString& tag, const QVariant& payload)
{
    QDBusArgument structure;
    structure.beginStructure();
    structure << tag << QDBusVariant(payload);
    structure.endStructure();
    return QVariant::fromValue(structure);
}

// A plain list of wire values: the message is written from it in one pass when it is sent. An
// array written into a QDBusArgument of its own would be copied again by every array around it,
// so a value nested d deep would cost d times its size.
QVariant array(const VariantArray& items, BusObjectMapper& objects)
{
    QVariantList list;
    list.reserve(items.size());
    for (const Variant& item : items)
        list.append(BusValue::toBus(item, objects).variant());
    return QVariant(std::move(list));
}

// Ends the array however its reading ends: a demarshaller left inside an array holds the whole
// incoming message until the process ends.
class ArrayReading {
public:
    explicit ArrayReading(const QDBusArgument& argument)
        : m_argument(argument)
    {
        m_argument.beginArray();
    }
    ~ArrayReading() { m_argument.endArray(); }
    ArrayReading(const ArrayReading&) = delete;
    ArrayReading& operator=(const ArrayReading&) = delete;

private:
    const QDBusArgument& m_argument;
};

// Unsigned and 64-bit numbers are Long when they fit, else Double.
template <class T>
Variant wideNumber(T number)
{
    if (std::in_range<qint32>(number))
        return Variant(qint32(number));
    return Variant(double(number));
}

// One incoming value as it is read: the mapper for its objects and how much of its bounds it has
// used so far.
struct ValueReading {
    BusObjectMapper& objects;
    int arraysOpen = 0;
    qsizetype elements = 0;
};

std::optional<Variant> decode(const QVariant& received, ValueReading& reading, bool missingAllowed);

void countElement(ValueReading& reading)
{
    if (++reading.elements > BusValue::kMaximumElements)
        throw BusValue::TooLarge(QStringLiteral("A value holds more than %1 elements").arg(BusValue::kMaximumElements).toStdString());
}

// A Currency travels as x; any other integer type is taken as well.
qint64 tenThousandths(const QVariant& payload)
{
    switch (payload.metaType().id()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
        return payload.toLongLong();
    default:
        throw BusValue::Malformed("a Currency payload is a whole number of ten-thousandths");
    }
}

std::optional<Variant> decodeTagged(const QDBusArgument& structure, ValueReading& reading, bool missingAllowed)
{
    QString tag;
    QDBusVariant payload;
    structure.beginStructure();
    structure >> tag >> payload;
    structure.endStructure();
    if (tag == BusValue::emptyTag())
        return Variant();
    if (tag == BusValue::nullTag())
        return Variant::null();
    if (tag == BusValue::missingTag()) {
        if (!missingAllowed)
            throw BusValue::Malformed("an omitted argument is allowed only as an argument");
        return std::nullopt;
    }
    if (tag == BusValue::dateTag())
        return Variant::fromDate(decode(payload.variant(), reading, false)->toDouble());
    if (tag == BusValue::currencyTag())
        return Variant::fromCurrency(tenThousandths(payload.variant()));
    throw BusValue::Malformed("unknown value tag: " + tag.toStdString());
}

Variant decodeArray(const QDBusArgument& argument, ValueReading& reading)
{
    if (++reading.arraysOpen > BusValue::kMaximumNesting)
        throw BusValue::TooLarge(QStringLiteral("A value nests more than %1 arrays").arg(BusValue::kMaximumNesting).toStdString());
    VariantArray items;
    const ArrayReading open(argument);
    while (!argument.atEnd()) {
        countElement(reading);
        items.append(*decode(argument.asVariant(), reading, false));
    }
    --reading.arraysOpen;
    return Variant(items);
}

std::optional<Variant> decodeArgument(const QDBusArgument& argument, ValueReading& reading, bool missingAllowed)
{
    switch (argument.currentType()) {
    case QDBusArgument::StructureType:
        if (argument.currentSignature() != QLatin1String("(sv)"))
            throw BusValue::Malformed("a structure other than a tagged value");
        return decodeTagged(argument, reading, missingAllowed);
    case QDBusArgument::ArrayType:
        return decodeArray(argument, reading);
    default:
        throw BusValue::Malformed("a value of type " + argument.currentSignature().toStdString());
    }
}

std::optional<Variant> decode(const QVariant& received, ValueReading& reading, bool missingAllowed)
{
    const QMetaType type = received.metaType();
    if (type == QMetaType::fromType<QDBusVariant>())
        return decode(qvariant_cast<QDBusVariant>(received).variant(), reading, missingAllowed);
    if (type == QMetaType::fromType<QDBusArgument>())
        return decodeArgument(qvariant_cast<QDBusArgument>(received), reading, missingAllowed);
    if (type == QMetaType::fromType<QDBusObjectPath>()) {
        const QString path = qvariant_cast<QDBusObjectPath>(received).path();
        return Variant(path == kNothingPath ? ObjectRef() : reading.objects.objectAt(path));
    }
    switch (type.id()) {
    case QMetaType::Bool:
        return Variant(received.toBool());
    case QMetaType::UChar:
        return Variant(qint16(received.value<uchar>()));
    case QMetaType::Short:
        return Variant(qint16(received.value<short>()));
    case QMetaType::UShort:
    case QMetaType::Int:
        return Variant(qint32(received.toInt()));
    case QMetaType::UInt:
        return wideNumber(received.toUInt());
    case QMetaType::LongLong:
        return wideNumber(received.toLongLong());
    case QMetaType::ULongLong:
        return wideNumber(received.toULongLong());
    case QMetaType::Double:
        return Variant(received.toDouble());
    case QMetaType::QString:
        return Variant(received.toString());
    case QMetaType::QStringList: {
        VariantArray items;
        for (const QString& item : received.toStringList()) {
            countElement(reading);
            items.append(Variant(item));
        }
        return Variant(items);
    }
    default:
        throw BusValue::Malformed(std::string("a value of type ") + type.name());
    }
}

} // namespace

QDBusVariant BusValue::toBus(const Variant& value, BusObjectMapper& objects)
{
    switch (value.kind()) {
    case Variant::Kind::Empty:
        return QDBusVariant(tagged(emptyTag(), QString()));
    case Variant::Kind::Null:
        return QDBusVariant(tagged(nullTag(), QString()));
    case Variant::Kind::Boolean:
        return QDBusVariant(value.boolValue());
    case Variant::Kind::Integer:
        return QDBusVariant(QVariant::fromValue(short(value.integerValue())));
    case Variant::Kind::Long:
        return QDBusVariant(int(value.longValue()));
    case Variant::Kind::Single:
        return QDBusVariant(double(value.singleValue()));
    case Variant::Kind::Double:
        return QDBusVariant(value.doubleValue());
    case Variant::Kind::Currency:
        return QDBusVariant(tagged(currencyTag(), QVariant::fromValue(qlonglong(value.currencyValue()))));
    case Variant::Kind::Date:
        return QDBusVariant(tagged(dateTag(), value.dateValue()));
    case Variant::Kind::String:
        return QDBusVariant(value.stringValue());
    case Variant::Kind::Object: {
        const ObjectRef object = value.objectValue();
        return QDBusVariant(QVariant::fromValue(QDBusObjectPath(object ? objects.pathOf(object) : kNothingPath)));
    }
    case Variant::Kind::Array:
        return QDBusVariant(array(value.arrayValue(), objects));
    }
    return QDBusVariant(tagged(emptyTag(), QString()));
}

std::optional<Variant> BusValue::argumentFromBus(const QVariant& received, BusObjectMapper& objects)
{
    ValueReading reading {objects};
    return decode(received, reading, true);
}

Variant BusValue::fromBus(const QVariant& received, BusObjectMapper& objects)
{
    ValueReading reading {objects};
    return *decode(received, reading, false);
}

QString BusValue::clientPath(const QVariant& received)
{
    if (received.metaType() == QMetaType::fromType<QDBusVariant>())
        return clientPath(qvariant_cast<QDBusVariant>(received).variant());
    if (received.metaType() != QMetaType::fromType<QDBusObjectPath>())
        throw Malformed("an object path was expected");
    return qvariant_cast<QDBusObjectPath>(received).path();
}

QString BusValue::emptyTag() { return QStringLiteral("Empty"); }
QString BusValue::nullTag() { return QStringLiteral("Null"); }
QString BusValue::missingTag() { return QStringLiteral("Missing"); }
QString BusValue::dateTag() { return QStringLiteral("Date"); }
QString BusValue::currencyTag() { return QStringLiteral("Currency"); }

QDBusVariant BusValue::missing()
{
    return QDBusVariant(tagged(missingTag(), QString()));
}
