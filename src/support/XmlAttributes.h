#pragma once

#include "platform/Dictionary.h"

#include <QSet>
#include <QString>
#include <array>
#include <memory>
#include <vector>

// The attributes of one start tag as the XML reader collects them, handed to the events as a
// Dictionary. Documents repeat a few tag shapes (the same names in the same order) many times,
// so the dictionary of each shape is kept and only the values that differ from the last tag
// of that shape are replaced: a tag of a known shape costs no dictionary building, and a tag
// repeated as it was costs no change at all.
class XmlAttributes {
public:
    void clear();
    // A name met before in the same tag raises 457, as adding it to a dictionary would.
    void add(QString name, QString value);
    // The attributes added since clear(), in their order; valid until the next clear().
    const Dictionary& dictionary();
    // The characters of the values the kept dictionaries hold.
    qsizetype keptCharacters() const;

private:
    struct Shape {
        std::vector<QString> names;
        // The values the dictionary holds, in the order of names.
        std::vector<QString> values;
        Dictionary dictionary;
    };
    static constexpr std::size_t kShapes = 64;
    static constexpr std::size_t kMostShapes = kShapes / 2;

    bool isRepeated(const QString& name);
    std::size_t shapeHash() const;

    std::vector<QString> m_names;
    std::vector<QString> m_values;
    // Used instead of a linear search once a tag has many attributes.
    QSet<QString> m_manyNames;
    // Made when first met: a document has only a few shapes, and a reader lives for one parse.
    std::array<std::unique_ptr<Shape>, kShapes> m_shapes;
    std::size_t m_shapeCount = 0;
};
