#pragma once

#include "platform/AutomationObject.h"
#include "platform/PrivateProfile.h"
#include "platform/Variant.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Dictionary;

// The typed accessor of an INI file. It holds no open file: every call reads or writes the file
// afresh through the profile functions, so any number of accessors may share one file and each
// sees the others' writes at its next read.
//
// Getters return their default whenever the stored text does not parse. Writers given a default
// erase the key instead of writing a value equal to it, so that defaults never stand in the file.
// A write that cannot be done (read-only file, missing folder, full disk) changes nothing and
// raises no error; WriteFailure() then tells why. With an empty FileName every call goes to the
// user's own profile file.
//
// Dates are serial dates: days since 30 December 1899, the fraction being the time of day.
class clsINIFile : public AutomationObject {
public:
    static inline const QString kClassName = QStringLiteral("clsINIFile");

    // The default DateFormat: 20 characters, day, month (by name, so it reads the same in every
    // locale), year and time to the second, e.g. "05-Mar-2024 14:07:09".
    static inline const QString kDefaultDateFormat = QStringLiteral("dd-mmm-yyyy hh:nn:ss");
    static inline const QString kDefaultHexPrefix = QStringLiteral("0x");

    clsINIFile() = default;

    QString className() const override;

    QString FileName() const;
    void setFileName(const QString& fileName);
    // Key of the obfuscation; the hexadecimal text and obfuscation calls raise 70 while it is empty.
    void setObfuscateKey(const QString& key);
    QString HexPrefix() const;
    void setHexPrefix(const QString& prefix);
    QString DateFormat() const;
    void setDateFormat(const QString& format);

    // Whether the named file (else FileName) exists; True with both empty.
    bool FileExists(const QString& fileName = {}) const;
    // True when the section holds at least one key.
    bool SectionExists(const QString& section) const;
    bool KeyExists(const QString& section, const QString& key) const;
    // The section names in file order (at most 1001; more raise 9).
    QStringList SectionNames() const;
    // The section's keys and values in file order, keys compared without regard to case.
    std::shared_ptr<Dictionary> GetSection(const QString& section) const;

    QString GetString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    qint32 GetLong(const QString& section, const QString& key, qint32 defaultValue) const;
    // Raises 6 (Overflow) for a stored number outside -32768..32767.
    qint16 GetInteger(const QString& section, const QString& key, qint16 defaultValue) const;
    bool GetBoolean(const QString& section, const QString& key, bool defaultValue) const;
    // True, False or Null.
    Variant GetTristate(const QString& section, const QString& key, const Variant& defaultValue) const;
    double GetDate(const QString& section, const QString& key, double defaultValue) const;
    double GetDouble(const QString& section, const QString& key, double defaultValue) const;
    qint32 GetColor(const QString& section, const QString& key, qint32 defaultValue) const;
    QString GetStringHex(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    QString GetObfuscated(const QString& section, const QString& key, const QString& defaultValue = {}) const;

    void WriteString(const QString& section, const QString& key, const QString& value,
                     const std::optional<QString>& defaultValue = std::nullopt);
    void WriteInteger(const QString& section, const QString& key, qint16 value,
                      std::optional<qint16> defaultValue = std::nullopt);
    void WriteIntegerHex(const QString& section, const QString& key, qint16 value,
                         std::optional<qint16> defaultValue = std::nullopt);
    void WriteLong(const QString& section, const QString& key, qint32 value,
                   std::optional<qint32> defaultValue = std::nullopt);
    void WriteLongHex(const QString& section, const QString& key, qint32 value,
                      std::optional<qint32> defaultValue = std::nullopt);
    void WriteBoolean(const QString& section, const QString& key, bool value,
                      std::optional<bool> defaultValue = std::nullopt);
    void WriteTristate(const QString& section, const QString& key, const Variant& value,
                       const std::optional<Variant>& defaultValue = std::nullopt);
    void WriteDate(const QString& section, const QString& key, double value,
                   std::optional<double> defaultValue = std::nullopt);
    void WriteDouble(const QString& section, const QString& key, double value,
                     std::optional<double> defaultValue = std::nullopt);
    void WriteColor(const QString& section, const QString& key, qint32 value,
                    std::optional<qint32> defaultValue = std::nullopt);
    void WriteStringHex(const QString& section, const QString& key, const QString& value,
                        const std::optional<QString>& defaultValue = std::nullopt);
    void WriteObfuscated(const QString& section, const QString& key, const QString& value,
                         const std::optional<QString>& defaultValue = std::nullopt);

    void EraseKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);
    // Replaces the section by the dictionary's pairs in its key order; nullptr empties it.
    void WriteSection(const QString& section, const std::shared_ptr<Dictionary>& entries);

    // Why the last write or erase through this accessor changed nothing, as FileError describes
    // the system's error ("Disk full: No space left on device"); empty when it was done.
    QString WriteFailure() const;
    // Writes and erases made between these two are held and made in one replacement of the file
    // when the batch is committed, all of them or none; reads meanwhile see the file as it was.
    void beginBatch();
    bool commitBatch();

    QString Obfuscate(const QString& text) const;
    QString Clarify(const QString& text) const;

private:
    // The reversal of chunks of 2, 3, 4, ... characters; its own inverse.
    QString zJumble(const QString& text) const;

    // The profile function of the file: private with a FileName, else the user's profile.
    QString profileString(const QString& section, const QString& key, const QString& defaultValue) const;
    QString profileSection(const QString& section) const;
    void writeProfileString(const QString& section, const QString& key, const std::optional<QString>& value) const;
    void writeProfileSection(const QString& section, const std::optional<QString>& block) const;

    // The stored text, or nothing when the key is absent.
    std::optional<QString> storedText(const QString& section, const QString& key) const;
    // Writes the encoded value, or erases the key when the value equals the given default.
    void writeUnlessDefault(const QString& section, const QString& key, bool equalsDefault,
                            const std::function<QString()>& encode);
    void requireObfuscateKey() const;
    std::optional<QString> clarified(const QString& text) const;

    QString m_fileName;
    QString m_obfuscateKey;
    QString m_hexPrefix = kDefaultHexPrefix;
    QString m_dateFormat = kDefaultDateFormat;
    mutable int m_writeError = 0;
    mutable std::optional<QList<PrivateProfile::Write>> m_batch;
};
