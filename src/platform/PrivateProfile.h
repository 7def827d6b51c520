#pragma once

#include <QList>
#include <QString>
#include <optional>

// The Windows profile functions over Windows-1252 text files, or UTF-16LE and UTF-8 files with a
// byte-order mark, each written back in its own encoding (see ProfileFile for the syntax).
// Sizes are the callers' buffer sizes in characters, terminating NULs included, so a string read
// returns at most bufferSize - 1 characters and a section read at most bufferSize - 2.
//
// A write reads, changes and replaces the whole file under the writers' lock (FileReplacer), so
// writers in other processes lose nothing and an interrupted write leaves the old file or the
// new one, never a mix. Names and values are kept as the file's encoding holds them, so this
// process reads back what every other one reads. A write fails, changing nothing, when the
// section or key name is empty, the folder is missing, the file is read-only or the disk is
// full; it returns false and the caller may ignore that, as the originals' callers do.
//
// The "profile" forms (without "Private") work on the user's own profile file, the stand-in
// for WIN.INI: userProfilePath().
class PrivateProfile {
public:
    // GetPrivateProfileString: the key's value with one pair of enclosing quotes (double or
    // single) removed, or the default (without its trailing blanks) when the section or key is
    // absent.
    static QString getPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                           int bufferSize, const QString& fileName);
    // GetPrivateProfileSection: every key of the section as "name=value" followed by a NUL, in
    // file order; a block too long for the buffer is cut, its last entry as far as it goes.
    static QString getPrivateProfileSection(const QString& section, int bufferSize, const QString& fileName);
    // WritePrivateProfileString: sets the key, or removes it when value is nothing.
    static bool writePrivateProfileString(const QString& section, const QString& key,
                                          const std::optional<QString>& value, const QString& fileName);
    // WritePrivateProfileSection: replaces the section's content by the block's "name=value"
    // entries (each ended by a NUL, the block by a second NUL), or removes the section when the
    // block is nothing.
    static bool writePrivateProfileSection(const QString& section, const std::optional<QString>& block,
                                           const QString& fileName);

    // One write of a batch: a key (a value of nothing removes it) or, with an empty key, a whole
    // section as a NUL-separated block (nothing removes the section).
    struct Write {
        QString section;
        QString key;
        std::optional<QString> value;
    };
    // Several writes in one replacement of the file, in their order: all of them or none.
    static bool writePrivateProfile(const QList<Write>& writes, const QString& fileName);

    static QString getProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                    int bufferSize);
    static QString getProfileSection(const QString& section, int bufferSize);
    static bool writeProfileString(const QString& section, const QString& key, const std::optional<QString>& value);
    static bool writeProfileSection(const QString& section, const std::optional<QString>& block);

    // Why the last write of this thread failed: the system's error number (ENOSPC, EROFS,
    // EACCES, ...), as the original's callers ask GetLastError; 0 after a write that succeeded or
    // was refused for its names alone.
    static int lastWriteError();

    // The user's own profile file: win.ini in the program root.
    static QString userProfilePath();
};
