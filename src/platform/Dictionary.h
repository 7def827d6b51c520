#pragma once

#include "platform/Variant.h"

#include <QHash>
#include <QMap>

// The scripting runtime's Dictionary: keys in insertion order, compared exactly (binary) or
// without regard to case (text). Adding a present key raises 457; reading an absent key's item
// adds it.
class Dictionary : public AutomationObject {
public:
    enum class CompareMode { Binary, Text };

    explicit Dictionary(CompareMode mode = CompareMode::Binary);

    QString className() const override;

    CompareMode compareMode() const { return m_mode; }

    void add(const QString& key, const Variant& item);
    bool exists(const QString& key) const;
    // Reading the item of an absent key adds the key, with an Empty item, and gives Empty: the
    // runtime's Dictionary does so, and code written for it removes keys it has only read.
    Variant item(const QString& key);
    // The item of a present key, or Empty for an absent one, which stays absent.
    Variant itemIfPresent(const QString& key) const;
    // Sets a present key's item or adds the key at the end.
    void setItem(const QString& key, const Variant& item);
    // Removing an absent key raises 5 ("Invalid procedure call or argument").
    void remove(const QString& key);
    void removeAll();

    QStringList keys() const;
    VariantArray items() const;
    int count() const { return int(m_entries.size()); }

private:
    struct Entry {
        QString key;
        Variant item;
    };

    QString lookupKey(const QString& key) const;

    CompareMode m_mode;
    // Entries by the order they were added in, so that removing one costs as little as adding.
    QMap<quint64, Entry> m_entries;
    QHash<QString, quint64> m_order;
    quint64 m_nextOrder = 0;
};
