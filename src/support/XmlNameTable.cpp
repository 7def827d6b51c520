#include "support/XmlNameTable.h"

#include "support/XmlMarkupText.h"

// Names are short: a plain multiplicative hash over the characters costs a few instructions
// a character, where the general string hash costs more to set up than to run. The table is
// bounded, so an unlucky set of names only makes a few searches longer.
std::size_t XmlNameTable::slotOf(QStringView name)
{
    std::size_t hash = std::size_t(name.size());
    for (const QChar character : name)
        hash = hash * 31 + character.unicode();
    return hash % kSlots;
}

const QString& XmlNameTable::intern(QStringView name)
{
    static const QString kEmpty;
    if (name.isEmpty())
        return kEmpty;
    if (m_slots.empty())
        m_slots.resize(kSlots);
    std::size_t slot = slotOf(name);
    while (!m_slots[slot].isNull()) {
        if (XmlMarkupText::same(m_slots[slot], name))
            return m_slots[slot];
        slot = (slot + 1) % kSlots;
    }
    if (m_count == kMostNames) {
        m_slots.assign(kSlots, QString());
        m_count = 0;
        m_characters = 0;
        slot = slotOf(name);
    }
    ++m_count;
    m_characters += name.size();
    m_slots[slot] = name.toString();
    return m_slots[slot];
}
