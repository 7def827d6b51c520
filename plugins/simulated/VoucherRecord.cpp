#include "VoucherRecord.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kRecordProduct = QStringLiteral("product");
const QString kRecordName = QStringLiteral("name");
const QString kRecordSupplier = QStringLiteral("supplier");
const QString kRecordPrice = QStringLiteral("price");
const QString kRecordInstructions = QStringLiteral("instructions");
const QString kRecordData = QStringLiteral("data");
const QString kRecordAccount = QStringLiteral("account");
const QString kRecordDevice = QStringLiteral("device");
const QString kRecordReference = QStringLiteral("reference");
const QString kRecordTraining = QStringLiteral("training");
const QString kRecordWhen = QStringLiteral("when");

} // namespace

QByteArray VoucherRecord::toJson() const
{
    const QJsonObject object{
        {kRecordProduct, product.id},
        {kRecordName, product.name},
        {kRecordSupplier, product.supplierName},
        // Ten-thousandths as text: a double would round a large price.
        {kRecordPrice, QString::number(product.price)},
        {kRecordInstructions, product.instructions},
        {kRecordData, data},
        {kRecordAccount, account},
        {kRecordDevice, posDeviceID},
        {kRecordReference, posReferenceID},
        {kRecordTraining, trainingMode},
        {kRecordWhen, when.toString(Qt::ISODateWithMs)},
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
    record.product.id = object.value(kRecordProduct).toString();
    record.product.name = object.value(kRecordName).toString();
    record.product.supplierName = object.value(kRecordSupplier).toString();
    record.product.price = object.value(kRecordPrice).toString().toLongLong(&priceRead);
    record.product.instructions = object.value(kRecordInstructions).toString();
    record.data = object.value(kRecordData).toString();
    record.account = object.value(kRecordAccount).toString();
    record.posDeviceID = object.value(kRecordDevice).toString();
    record.posReferenceID = object.value(kRecordReference).toString();
    record.trainingMode = object.value(kRecordTraining).toBool();
    record.when = QDateTime::fromString(object.value(kRecordWhen).toString(), Qt::ISODateWithMs);
    if (record.product.id.isEmpty() || !priceRead || !record.when.isValid())
        return std::nullopt;
    return record;
}
