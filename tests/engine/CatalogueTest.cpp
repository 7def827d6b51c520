#include "Catalogue.h"
#include "common/TestFiles.h"
#include "SimulatedLog.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray catalogueWith(const QByteArray& products)
{
    return "<catalogue><supplier id=\"s\" name=\"Supplier\">" + products + "</supplier></catalogue>";
}

QByteArray manyProducts(int count)
{
    QByteArray products;
    for (int index = 0; index < count; ++index)
        products += QStringLiteral("<product id=\"P%1\" name=\"Product %1\" price=\"1.00\" kind=\"pin\"/>").arg(index).toLatin1();
    return products;
}

TEST(CatalogueTest, TheSampleCatalogueSellsTwelveProductsOfThreeSuppliersOfEveryKind)
{
    QFile file(QStringLiteral(PCQUIBA_SOURCE_DIR "/data/manifest/otc.xml"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString error;
    const Catalogue catalogue = Catalogue::parse(file.readAll(), error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(catalogue.products().size(), 12);
    EXPECT_EQ(catalogue.supplierNames(),
              (QStringList{QStringLiteral("TeleNet Mobile"), QStringLiteral("Streamly"), QStringLiteral("PlayZone Games")}));
    QSet<CatalogueProduct::Kind> kinds;
    for (const CatalogueProduct& product : catalogue.products())
        kinds.insert(product.kind);
    EXPECT_EQ(kinds.size(), 3);
    const CatalogueProduct* topUp = catalogue.find(QStringLiteral("tn-topup"));
    ASSERT_NE(topUp, nullptr);
    EXPECT_EQ(topUp->price, 250000);
    EXPECT_EQ(topUp->kind, CatalogueProduct::Kind::TopUp);
}

TEST(CatalogueTest, MalformedOrHostileCataloguesAreRefusedWhole)
{
    const struct {
        const char* name;
        QByteArray text;
        const char* error;
    } cases[] = {
        {"duplicate IDs", catalogueWith("<product id=\"A\" name=\"One\" price=\"1\" kind=\"pin\"/>"
                                        "<product id=\"a\" name=\"Two\" price=\"2\" kind=\"pin\"/>"),
         "product ID a occurs twice"},
        {"negative price", catalogueWith("<product id=\"A\" name=\"One\" price=\"-5.00\" kind=\"pin\"/>"),
         "product A has a negative price"},
        {"zero price", catalogueWith("<product id=\"A\" name=\"One\" price=\"0\" kind=\"pin\"/>"),
         "product A has no valid price (\"0\")"},
        {"price not a number", catalogueWith("<product id=\"A\" name=\"One\" price=\"1e9\" kind=\"pin\"/>"),
         "product A has no valid price (\"1e9\")"},
        {"price too high", catalogueWith("<product id=\"A\" name=\"One\" price=\"10000.01\" kind=\"pin\"/>"),
         "product A has no valid price (\"10000.01\")"},
        {"unknown kind", catalogueWith("<product id=\"A\" name=\"One\" price=\"1\" kind=\"lottery\"/>"),
         "product A has an unknown kind"},
        {"bad ID", catalogueWith("<product id=\"A B\" name=\"One\" price=\"1\" kind=\"pin\"/>"),
         "product ID \"A B\" is not 1 to 32 letters, digits, '_', '.' or '-'"},
        {"no name", catalogueWith("<product id=\"A\" price=\"1\" kind=\"pin\"/>"),
         "product A has no name or one longer than 60 characters"},
        {"product outside a supplier", "<catalogue><product id=\"A\" name=\"One\" price=\"1\" kind=\"pin\"/></catalogue>",
         "a product stands outside a supplier"},
        {"wrong root", "<products/>", "the root element is not <catalogue>"},
        {"empty file", "", "not well-formed XML (line 1: Premature end of document.)"},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "binary content"},
        {"not closed", "<catalogue><supplier id=\"s\" name=\"S\">", "not well-formed XML (line 1: Premature end of document.)"},
        {"too many products", catalogueWith(manyProducts(Catalogue::kMaxProducts + 1)), "more than 500 products"},
        {"huge", catalogueWith(QByteArray(Catalogue::kMaxFileBytes, ' ')), "larger than 1048576 bytes"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        QString error;
        const Catalogue catalogue = Catalogue::parse(testCase.text, error);
        EXPECT_TRUE(catalogue.isEmpty());
        EXPECT_EQ(error, QString::fromLatin1(testCase.error));
    }
}

TEST(CatalogueTest, EntityExpansionDoesNotBlowUp)
{
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE catalogue ["
                              "<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                              "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                              "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">]>"
                              "<catalogue><supplier id=\"s\" name=\"&f;\"/></catalogue>";
    QString error;
    EXPECT_TRUE(Catalogue::parse(laughs, error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(CatalogueTest, LoadingLogsWhyTheCatalogueIsRefusedAndSellsNothing)
{
    QStringList lines;
    SimulatedLog::setFunction([&](const QString& text, qint32 severity) {
        lines.append(QStringLiteral("%1 %2").arg(severity).arg(text));
    });
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("otc.xml"));
    {
        ASSERT_TRUE(TestFiles::write(fileName, catalogueWith("<product id=\"A\" name=\"One\" price=\"-1\" kind=\"pin\"/>")));
    }
    EXPECT_TRUE(Catalogue::load(fileName).isEmpty());
    EXPECT_TRUE(Catalogue::load(folder.filePath(QStringLiteral("missing.xml"))).isEmpty());
    {
        QFile file(fileName);
        ASSERT_TRUE(file.resize(Catalogue::kMaxFileBytes + 1));
    }
    EXPECT_TRUE(Catalogue::load(fileName).isEmpty());
    SimulatedLog::setFunction({});
    EXPECT_EQ(lines,
              (QStringList{
                  QStringLiteral("4 Catalogue refused: %1: product A has a negative price (no products on sale)").arg(fileName),
                  QStringLiteral("2 Catalogue not found: %1 (no products on sale)").arg(folder.filePath(QStringLiteral("missing.xml"))),
                  QStringLiteral("4 Catalogue refused: %1: larger than 1048576 bytes (no products on sale)").arg(fileName)}));
}

} // namespace
