#include "SimulatedBasketItem.h"

#include "SimulatedDescription.h"

SimulatedBasketItem::SimulatedBasketItem(qint32 id, CatalogueProduct product, QString data, QString posOperatorID,
                                         QString posReferenceID)
    : m_id(id)
    , m_product(std::move(product))
    , m_data(std::move(data))
    , m_posOperatorID(std::move(posOperatorID))
    , m_posReferenceID(std::move(posReferenceID))
{
}

std::shared_ptr<EngineDescription> SimulatedBasketItem::Description() const
{
    return std::make_shared<SimulatedDescription>(descriptionText());
}

QString SimulatedBasketItem::descriptionText() const
{
    if (m_data.isEmpty())
        return m_product.name;
    return m_product.name + QStringLiteral(" (...") + m_data.right(4) + u')';
}

std::shared_ptr<Collection> SimulatedBasketItem::DocumentList() const
{
    auto list = std::make_shared<Collection>();
    if (!m_document.isEmpty())
        list->add(Variant(m_document));
    return list;
}

void SimulatedBasketItem::commit(const IssuedPin& pin, const QString& document)
{
    m_pin = pin;
    m_document = document;
}
