#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// The element and attribute names of a document, each kept once: a document repeats a few
// names many times, and handing out the kept copy costs no allocation. An open-addressing
// table that starts afresh when it fills, so that a document of endless distinct names cannot
// make it grow.
class XmlNameTable {
public:
    // The kept copy of name (a null string for the empty name); valid until the next call.
    const QString& intern(QStringView name);
    // The characters of the names kept.
    qsizetype keptCharacters() const { return m_characters; }

private:
    static constexpr std::size_t kSlots = 512;
    static constexpr std::size_t kMostNames = kSlots / 2;

    static std::size_t slotOf(QStringView name);

    // Made at the first name: a reader that meets no element pays nothing for it.
    std::vector<QString> m_slots;
    std::size_t m_count = 0;
    qsizetype m_characters = 0;
};
