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

qsizetype Dictionary::indexOf(const QString& key) const
{
    return m_index.value(lookupKey(key), -1);
}

void Dictionary::add(const QString& key, const Variant& item)
{
    if (exists(key))
        RuntimeErrors::raise(RuntimeErrors::KeyAlreadyAssociated);
    m_index.insert(lookupKey(key), m_keys.size());
    m_keys.append(key);
    m_items.append(item);
}

bool Dictionary::exists(const QString& key) const
{
    return indexOf(key) >= 0;
}

Variant Dictionary::item(const QString& key)
{
    if (!exists(key))
        add(key, Variant());
    return itemIfPresent(key);
}

Variant Dictionary::itemIfPresent(const QString& key) const
{
    const qsizetype index = indexOf(key);
    return index >= 0 ? m_items.at(index) : Variant();
}

void Dictionary::setItem(const QString& key, const Variant& item)
{
    const qsizetype index = indexOf(key);
    if (index >= 0)
        m_items[index] = item;
    else
        add(key, item);
}

void Dictionary::remove(const QString& key)
{
    const qsizetype index = indexOf(key);
    if (index < 0)
        RuntimeErrors::raise(RuntimeErrors::InvalidProcedureCall);
    m_keys.removeAt(index);
    m_items.removeAt(index);
    m_index.clear();
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        m_index.insert(lookupKey(m_keys.at(i)), i);
}

void Dictionary::removeAll()
{
    m_keys.clear();
    m_items.clear();
    m_index.clear();
}

QStringList Dictionary::keys() const
{
    return m_keys;
}

VariantArray Dictionary::items() const
{
    return m_items;
}
