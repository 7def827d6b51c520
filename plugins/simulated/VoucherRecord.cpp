#include "VoucherRecord.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kProduct = QStringLiteral("product");
const QString kName = QStringLiteral("name");
const QString kSupplier = QStringLiteral("supplier");
const QString kPrice = QStringLiteral("price");
const QString kInstructions = QStringLiteral("instructions");
const QString kData = QStringLiteral("data");
const QString kAccount = QStringLiteral("account");
const QString kDevice = QStringLiteral("device");
const QString kReference = QStringLiteral("reference");
const QString kTraining = QStringLiteral("training");
const QString kWhen = QStringLiteral("when");

} // namespace

QByteArray VoucherRecord::toJson() const
{
    const QJsonObject object{
        {kProduct, product.id},
        {kName, product.name},
        {kSupplier, product.supplierName},
        // Ten-thousandths as text: a double would round a large price.
        {kPrice, QString::number(product.price)},
        {kInstructions, product.instructions},
        {kData, data},
        {kAccount, account},
        {kDevice, posDeviceID},
        {kReference, posReferenceID},
        {kTraining, trainingMode},
        {kWhen, when.toString(Qt::ISODateWithMs)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<VoucherRecord> VoucherRecord::fromJson(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    bool priceRead = false;
    VoucherRecord record;
    record.product.id = object.value(kProduct).toString();
    record.product.name = object.value(kName).toString();
    record.product.supplierName = object.value(kSupplier).toString();
    record.product.price = object.value(kPrice).toString().toLongLong(&priceRead);
    record.product.instructions = object.value(kInstructions).toString();
    record.data = object.value(kData).toString();
    record.account = object.value(kAccount).toString();
    record.posDeviceID = object.value(kDevice).toString();
    record.posReferenceID = object.value(kReference).toString();
    record.trainingMode = object.value(kTraining).toBool();
    record.when = QDateTime::fromString(object.value(kWhen).toString(), Qt::ISODateWithMs);
    if (record.product.id.isEmpty() || !priceRead || !record.when.isValid())
        return std::nullopt;
    return record;
}
