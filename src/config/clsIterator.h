#pragma once

#include "platform/AutomationObject.h"

#include <QStringList>
#include <memory>

class Dictionary;

// Walks the keys of a section dictionary once, in the dictionary's order or sorted by their
// exact text (character codes, so upper case before lower case).
//
//     clsIterator keys;
//     keys.Init(ini.GetSection(u"COMMANDS"_s), true);
//     while (keys.HasNext())
//         run(keys.NextKey());
class clsIterator : public AutomationObject {
public:
    static inline const QString kClassName = QStringLiteral("clsIterator");

    QString className() const override;

    // Takes the dictionary's keys (none for nullptr), sorted when asked, and starts before the first.
    void Init(const std::shared_ptr<Dictionary>& entries, bool sorted);
    bool HasNext() const;
    // The next key; past the end an empty text, and the iterator stays where it is.
    QString NextKey();

private:
    // Bubble sort, ascending.
    void zSortKeys();

    QStringList m_keys;
    qint32 m_cursor = -1;
};
