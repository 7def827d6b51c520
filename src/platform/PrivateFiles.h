#pragma once

#include <QFileDevice>
#include <QString>

// Files only their owner may read: the logs hold what customers trusted to the kiosk. Folders
// are made 0700 and files 0600; tighten() takes group and other rights away from a folder and
// the files directly inside it that an earlier version left readable.
class PrivateFiles {
public:
    static constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // kFilePermissions as open(2) takes them.
    static constexpr int kFileMode = 0600;
    static constexpr QFileDevice::Permissions kFolderPermissions = kFilePermissions | QFileDevice::ExeOwner;

    // Makes the folder (0700) and its missing parents (as the umask gives) unless it exists.
    static bool makeFolder(const QString& folder);
    // Clears the group and other bits of the folder and of the regular files directly inside
    // it; links are never followed, and a failure is passed over.
    static void tighten(const QString& folder);
};
