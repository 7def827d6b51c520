#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// The read-only stand-in for the Windows registry: a file in the registry editor's export
// format, read whole. It answers what RegOpenKeyEx and RegQueryValueEx (the ANSI forms) would:
// whether a key exists under a predefined root, and a value's type with its raw data.
//
//     Windows Registry Editor Version 5.00
//     [HKEY_LOCAL_MACHINE\Software\QUIBA\pcQUIBA]
//     "INI Path"="/srv/quiba/config/pcQUIBA.ini"
//     "Retries"=dword:00000003
//     @="default value"
//
// Key and value names compare without regard to case. A line that cannot be read is skipped,
// a missing or unreadable file is an empty registry; nothing here ever raises.
class RegistryFile {
public:
    // The predefined root handles.
    enum Root : quint32 {
        ClassesRoot = 0x80000000,
        CurrentUser = 0x80000001,
        LocalMachine = 0x80000002,
        Users = 0x80000003,
        PerformanceData = 0x80000004,
        CurrentConfig = 0x80000005,
        DynData = 0x80000006,
    };

    // The value types (REG_NONE ... REG_QWORD) that have names; any other number is kept too.
    enum Type : quint32 {
        None = 0,
        String = 1,
        ExpandString = 2,
        Binary = 3,
        DWord = 4,
        DWordBigEndian = 5,
        Link = 6,
        MultiString = 7,
        QWord = 11,
    };

    struct Value {
        quint32 type = None;
        // As RegQueryValueExA hands it out: texts as Windows-1252 bytes with their NULs
        // (a quoted text ends with one NUL), numbers little-endian, other data as written.
        QByteArray data;

        bool operator==(const Value&) const = default;
    };

    // An empty registry.
    RegistryFile() = default;

    // $PCQUIBA_REGISTRY when set, else registry.reg in the program root.
    static QString location();
    // The registry as the file at location() holds it now.
    static RegistryFile open();
    static RegistryFile load(const QString& path);
    // The registry an export file's bytes describe: UTF-16 or UTF-8 by their byte-order mark,
    // else UTF-8 when the bytes are valid UTF-8, else Windows-1252.
    static RegistryFile fromBytes(const QByteArray& bytes);
    static RegistryFile fromText(const QString& text);

    // The handle of a root by its full name ("HKEY_LOCAL_MACHINE", any case); nothing for
    // other names.
    static std::optional<quint32> rootHandle(const QString& name);
    // The full name of a predefined root handle; empty for other handles.
    static QString rootName(quint32 handle);

    // RegOpenKeyEx: the key's full path ("HKEY_LOCAL_MACHINE\Software\QUIBA") when the root is a
    // predefined one and the key exists; a key exists when the file names it or a key below
    // it. Empty, leading and trailing separators in the sub-key are ignored; an empty sub-key
    // opens the root itself.
    std::optional<QString> openKey(quint32 root, const QString& subKey) const;
    // RegQueryValueEx on an opened key; an empty name is the key's default value ("@").
    std::optional<Value> queryValue(const QString& key, const QString& name) const;

    // The keys the file names, spelt as in their first header, in file order.
    QStringList keyPaths() const;
    // The names of a key's values in file order, spelt as first written; "" is the default value.
    QStringList valueNames(const QString& key) const;

private:
    class Parser;

    struct Key {
        QString path;
        QStringList valueOrder;
        QHash<QString, Value> values;
    };

    static QString fold(const QString& name);
    // The normalised full path of a root and a sub-key; nothing when the root is not predefined.
    static std::optional<QString> fullPath(quint32 root, const QString& subKey);

    Key& createKey(const QString& path);
    void deleteKey(const QString& path);
    static void setValue(Key& key, const QString& name, const Value& value);
    static void deleteValue(Key& key, const QString& name);
    // Records every named key and every key above one as existing.
    void indexExistingKeys();

    // Folded paths in file order.
    QStringList m_keyOrder;
    QHash<QString, Key> m_keys;
    QSet<QString> m_existing;
};
