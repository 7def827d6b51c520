// Reads the input as the simulated engine's catalogue. Whatever the bytes, the reader must end
// in one of two ways: refused (an empty catalogue and a reason), or a catalogue whose every
// product keeps the rules the kiosk relies on: a valid, unique ID that finds the product, a name,
// a supplier, and a price above zero and within the limit, at most the product limit.
#include "Catalogue.h"

#include <QRegularExpression>
#include <QSet>
#include <cstdint>
#include <cstdlib>

namespace {

bool validId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.-]{1,32}$"));
    return pattern.match(id).hasMatch();
}

void checkProduct(const Catalogue& catalogue, const CatalogueProduct& product, QSet<QString>& seen)
{
    if (!validId(product.id) || !validId(product.supplierId))
        std::abort();
    if (product.name.isEmpty() || product.name.size() > 60 || product.supplierName.isEmpty())
        std::abort();
    if (product.price <= 0 || product.price > Catalogue::kMaxPrice)
        std::abort();
    const QString key = product.id.toLower();
    if (seen.contains(key))
        std::abort();
    seen.insert(key);
    const CatalogueProduct* found = catalogue.find(product.id.toUpper());
    if (!found || found->id != product.id)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const Catalogue catalogue = Catalogue::parse(text, error);
    if (!error.isEmpty()) {
        if (!catalogue.isEmpty())
            std::abort();
        return 0;
    }
    if (catalogue.products().size() > Catalogue::kMaxProducts)
        std::abort();
    QSet<QString> seen;
    for (const CatalogueProduct& product : catalogue.products())
        checkProduct(catalogue, product, seen);
    if (catalogue.supplierNames().size() > catalogue.products().size())
        std::abort();
    return 0;
}
