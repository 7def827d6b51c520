#include "support/XmlAttributes.h"

#include "platform/RuntimeErrors.h"
#include "support/XmlMarkupText.h"

#include <algorithm>

namespace {

// Up to this many attributes a linear search for a repeated name is the fastest.
constexpr std::size_t kLinearSearchLimit = 32;

bool sameNames(const std::vector<QString>& a, const std::vector<QString>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const QString& x, const QString& y) { return XmlMarkupText::same(x, y); });
}

} // namespace

void XmlAttributes::clear()
{
    m_names.clear();
    m_values.clear();
    m_manyNames.clear();
}

bool XmlAttributes::isRepeated(const QString& name)
{
    if (m_names.size() < kLinearSearchLimit)
        return std::any_of(m_names.begin(), m_names.end(),
                           [&](const QString& earlier) { return XmlMarkupText::same(earlier, name); });
    if (m_manyNames.isEmpty())
        m_manyNames = QSet<QString>(m_names.begin(), m_names.end());
    return m_manyNames.contains(name);
}

void XmlAttributes::add(QString name, QString value)
{
    if (isRepeated(name))
        RuntimeErrors::raise(RuntimeErrors::KeyAlreadyAssociated);
    if (!m_manyNames.isEmpty())
        m_manyNames.insert(name);
    m_names.push_back(std::move(name));
    m_values.push_back(std::move(value));
}

std::size_t XmlAttributes::shapeHash() const
{
    // Names come from the reader's name table, so equal names share their text: their
    // addresses identify a shape cheaply. A shape whose names are copies only misses its slot.
    std::size_t hash = m_names.size();
    for (const QString& name : m_names)
        hash = hash * 31 + std::hash<const void*>{}(name.constData());
    return hash;
}

const Dictionary& XmlAttributes::dictionary()
{
    std::size_t slot = shapeHash() % kShapes;
    while (m_shapes[slot] && !sameNames(m_shapes[slot]->names, m_names))
        slot = (slot + 1) % kShapes;
    if (m_shapes[slot]) {
        Shape& shape = *m_shapes[slot];
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            if (XmlMarkupText::same(shape.values[i], m_values[i]))
                continue;
            shape.dictionary.setItem(m_names[i], m_values[i]);
            shape.values[i] = m_values[i];
        }
        return shape.dictionary;
    }
    if (m_shapeCount == kMostShapes) {
        // Start afresh rather than grow: only a few shapes repeat in a real document.
        for (std::unique_ptr<Shape>& old : m_shapes)
            old.reset();
        m_shapeCount = 0;
        return dictionary();
    }
    ++m_shapeCount;
    m_shapes[slot] = std::make_unique<Shape>();
    Shape& shape = *m_shapes[slot];
    shape.names = m_names;
    shape.values = m_values;
    for (std::size_t i = 0; i < m_names.size(); ++i)
        shape.dictionary.add(m_names[i], m_values[i]);
    return shape.dictionary;
}

qsizetype XmlAttributes::keptCharacters() const
{
    qsizetype characters = 0;
    for (const std::unique_ptr<Shape>& shape : m_shapes) {
        if (!shape)
            continue;
        for (const QString& value : shape->values)
            characters += value.size();
    }
    return characters;
}
