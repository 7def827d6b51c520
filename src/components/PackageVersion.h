#pragma once

#include <QList>
#include <QString>
#include <optional>

// A package version: decimal numbers joined by dots ("1.4.10"), compared number by number, a
// missing number counting as 0 (so "1.4" equals "1.4.0"). No version at all is "0".
class PackageVersion {
public:
    static constexpr int kMaxParts = 8;
    static constexpr int kMaxDigits = 9;

    PackageVersion() = default;
    // Nothing when the text is not such a version.
    static std::optional<PackageVersion> parse(const QString& text);
    // The version recorded in a file; "0" when there is none or it cannot be read.
    static PackageVersion fromFile(const QString& fileName);

    QString toString() const;
    bool isNewerThan(const PackageVersion& other) const;

private:
    QList<quint32> m_parts;
};
