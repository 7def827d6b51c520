#include "platform/Dictionary.h"

#include "platform/RuntimeErrors.h"

Dictionary::Dictionary(CompareMode mode) : m_mode(mode) {}

QString Dictionary::className() const
{
    return QStringLiteral("Dictionary");
}

QString Dictionary::lookupKey(const QString& key) const
{
    return m_mode == CompareMode::Text ? key.toLower() : key;
}

void Dictionary::add(const QString& key, const Variant& item)
{
    if (exists(key))
        RuntimeErrors::raise(RuntimeErrors::KeyAlreadyAssociated);
    const quint64 order = m_nextOrder++;
    m_order.insert(lookupKey(key), order);
    m_entries.insert(order, Entry{key, item});
}

bool Dictionary::exists(const QString& key) const
{
    return m_order.contains(lookupKey(key));
}

Variant Dictionary::item(const QString& key)
{
    if (!exists(key))
        add(key, Variant());
    return itemIfPresent(key);
}

Variant Dictionary::itemIfPresent(const QString& key) const
{
    const auto order = m_order.constFind(lookupKey(key));
    return order == m_order.cend() ? Variant() : m_entries.value(*order).item;
}

void Dictionary::setItem(const QString& key, const Variant& item)
{
    const auto order = m_order.constFind(lookupKey(key));
    if (order == m_order.cend())
        add(key, item);
    else
        m_entries[*order].item = item;
}

void Dictionary::remove(const QString& key)
{
    const auto order = m_order.find(lookupKey(key));
    if (order == m_order.end())
        RuntimeErrors::raise(RuntimeErrors::InvalidProcedureCall);
    m_entries.remove(*order);
    m_order.erase(order);
}

void Dictionary::removeAll()
{
    m_entries.clear();
    m_order.clear();
}

QStringList Dictionary::keys() const
{
    QStringList keys;
    keys.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        keys.append(entry.key);
    return keys;
}

VariantArray Dictionary::items() const
{
    VariantArray items;
    items.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        items.append(entry.item);
    return items;
}
