#include "Catalogue.h"

#include "Money.h"
#include "SimulatedLog.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace {

const QString kCatalogue = QStringLiteral("catalogue");
const QString kSupplier = QStringLiteral("supplier");
const QString kProduct = QStringLiteral("product");

std::optional<CatalogueProduct::Kind> kindOf(const QString& text)
{
    static const QList<QPair<QString, CatalogueProduct::Kind>> kinds = {
        {QStringLiteral("pin"), CatalogueProduct::Kind::Pin},
        {QStringLiteral("topup"), CatalogueProduct::Kind::TopUp},
        {QStringLiteral("giftcard"), CatalogueProduct::Kind::GiftCard},
    };
    for (const auto& [name, kind] : kinds) {
        if (text.compare(name, Qt::CaseInsensitive) == 0)
            return kind;
    }
    return std::nullopt;
}

bool isValidId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.-]{1,32}$"));
    return pattern.match(id).hasMatch();
}

// Reads one product element; an empty text when it is good, else why not.
QString readProduct(const QXmlStreamAttributes& attributes, const QString& supplierId, const QString& supplierName,
                    CatalogueProduct& product)
{
    product.id = attributes.value(QStringLiteral("id")).toString().trimmed();
    product.name = attributes.value(QStringLiteral("name")).toString().trimmed();
    product.supplierId = supplierId;
    product.supplierName = supplierName;
    product.instructions = attributes.value(QStringLiteral("instructions")).toString().trimmed();
    if (!isValidId(product.id))
        return QStringLiteral("product ID \"%1\" is not 1 to 32 letters, digits, '_', '.' or '-'").arg(product.id.left(40));
    if (product.name.isEmpty() || product.name.size() > 60)
        return QStringLiteral("product %1 has no name or one longer than 60 characters").arg(product.id);
    const QString priceText = attributes.value(QStringLiteral("price")).toString().trimmed();
    if (priceText.startsWith(u'-'))
        return QStringLiteral("product %1 has a negative price").arg(product.id);
    const auto price = Money::parse(priceText);
    if (!price || *price <= 0 || *price > Catalogue::kMaxPrice)
        return QStringLiteral("product %1 has no valid price (\"%2\")").arg(product.id, priceText.left(20));
    product.price = *price;
    const auto kind = kindOf(attributes.value(QStringLiteral("kind")).toString().trimmed());
    if (!kind)
        return QStringLiteral("product %1 has an unknown kind").arg(product.id);
    product.kind = *kind;
    return {};
}

} // namespace

Catalogue Catalogue::load(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists()) {
        SimulatedLog::write(QStringLiteral("Catalogue not found: %1 (no products on sale)").arg(fileName),
                            SimulatedLog::Warning);
        return {};
    }
    const auto refuse = [&](const QString& reason) {
        SimulatedLog::write(QStringLiteral("Catalogue refused: %1: %2 (no products on sale)").arg(fileName, reason),
                            SimulatedLog::Error);
        return Catalogue();
    };
    if (info.size() > kMaxFileBytes)
        return refuse(QStringLiteral("larger than %1 bytes").arg(kMaxFileBytes));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    QString error;
    Catalogue catalogue = parse(file.read(kMaxFileBytes + 1), error);
    if (!error.isEmpty())
        return refuse(error);
    SimulatedLog::write(QStringLiteral("Catalogue: %1 products from %2")
                            .arg(catalogue.m_products.size())
                            .arg(fileName),
                        SimulatedLog::Progress);
    return catalogue;
}

Catalogue Catalogue::parse(const QByteArray& text, QString& error)
{
    if (text.size() > kMaxFileBytes) {
        error = QStringLiteral("larger than %1 bytes").arg(kMaxFileBytes);
        return {};
    }
    if (text.contains('\0')) {
        error = QStringLiteral("binary content");
        return {};
    }
    Catalogue catalogue;
    QSet<QString> ids;
    QString supplierId;
    QString supplierName;
    bool inCatalogue = false;
    QXmlStreamReader reader(text);
    const auto fail = [&](const QString& reason) {
        error = reason;
        return Catalogue();
    };
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (!inCatalogue) {
                if (name != kCatalogue)
                    return fail(QStringLiteral("the root element is not <catalogue>"));
                inCatalogue = true;
            } else if (name == kSupplier) {
                supplierId = reader.attributes().value(QStringLiteral("id")).toString().trimmed();
                supplierName = reader.attributes().value(QStringLiteral("name")).toString().trimmed();
                if (!isValidId(supplierId) || supplierName.isEmpty())
                    return fail(QStringLiteral("a supplier has no valid id or no name"));
            } else if (name == kProduct) {
                if (supplierId.isEmpty())
                    return fail(QStringLiteral("a product stands outside a supplier"));
                if (catalogue.m_products.size() >= kMaxProducts)
                    return fail(QStringLiteral("more than %1 products").arg(kMaxProducts));
                CatalogueProduct product;
                const QString problem = readProduct(reader.attributes(), supplierId, supplierName, product);
                if (!problem.isEmpty())
                    return fail(problem);
                if (ids.contains(product.id.toLower()))
                    return fail(QStringLiteral("product ID %1 occurs twice").arg(product.id));
                ids.insert(product.id.toLower());
                catalogue.m_products.append(product);
            }
        } else if (reader.isEndElement() && reader.name() == kSupplier) {
            supplierId.clear();
            supplierName.clear();
        }
    }
    if (reader.hasError())
        return fail(QStringLiteral("not well-formed XML (line %1: %2)").arg(reader.lineNumber()).arg(reader.errorString()));
    if (!inCatalogue)
        return fail(QStringLiteral("no <catalogue> element"));
    return catalogue;
}

QStringList Catalogue::supplierNames() const
{
    QStringList names;
    for (const CatalogueProduct& product : m_products) {
        if (!names.contains(product.supplierName))
            names.append(product.supplierName);
    }
    return names;
}

const CatalogueProduct* Catalogue::find(const QString& productId) const
{
    for (const CatalogueProduct& product : m_products) {
        if (product.id.compare(productId, Qt::CaseInsensitive) == 0)
            return &product;
    }
    return nullptr;
}
