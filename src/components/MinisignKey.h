#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// A public key as minisign writes it: an "untrusted comment:" line, then the base64 of "Ed", the
// 8-byte key id and the 32-byte Ed25519 key.
class MinisignKey {
public:
    static constexpr int kIdSize = 8;
    static constexpr int kKeySize = 32;
    // A key file is a few lines; anything longer is not one.
    static constexpr qint64 kMaxFileSize = 4096;

    // Nothing when the text is not a minisign public key.
    static std::optional<MinisignKey> fromText(const QByteArray& text);
    static std::optional<MinisignKey> fromFile(const QString& fileName);

    const QByteArray& id() const { return m_id; }
    const QByteArray& key() const { return m_key; }
    // The key id as minisign shows it: 16 upper-case hexadecimal digits.
    QString idText() const { return idText(m_id); }
    static QString idText(const QByteArray& id);

    // Decodes standard base64 (with padding) through libsodium; nothing when it is not that.
    static std::optional<QByteArray> decodeBase64(const QByteArray& text);

private:
    QByteArray m_id;
    QByteArray m_key;
};
