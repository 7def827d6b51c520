#pragma once

#include "platform/Variant.h"

// The runtime's Collection: an ordered list whose items are numbered from 1.
class Collection : public AutomationObject {
public:
    QString className() const override;

    void add(const Variant& item);
    // Item 1 is the first; an index outside 1..count raises 9.
    Variant item(int index) const;
    void remove(int index);
    int count() const { return int(m_items.size()); }
    const VariantArray& items() const { return m_items; }

private:
    void checkIndex(int index) const;

    VariantArray m_items;
};
