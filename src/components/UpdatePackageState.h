#pragma once

#include <QString>
#include <memory>

class clsINIFile;

// The state of remote updates in the QUARTERMASTER section, kept by the update steps and the
// installer: package, state, prev_state, update_required, rollback_possible, checksum (the
// SHA-256 of the prepared package file) and timestamp. Values equal to their defaults are
// erased, as every writer does.
class UpdatePackageState {
public:
    static inline const QString kReady = QStringLiteral("READY");
    static inline const QString kPending = QStringLiteral("PENDING");
    static inline const QString kInstalled = QStringLiteral("INSTALLED");
    static inline const QString kRolledBack = QStringLiteral("ROLLEDBACK");
    static inline const QString kFailed = QStringLiteral("FAILED");

    explicit UpdatePackageState(std::shared_ptr<clsINIFile> ini);

    QString state() const;
    QString package() const;
    QString checksum() const;
    bool updateRequired() const;
    bool rollbackPossible() const;

    // A verified package waits to be installed.
    void setPending(const QString& package, const QString& checksum);
    void setFailed();
    void setInstalled(const QString& package);
    void setRolledBack();

    // The resolved FILES folders the update steps work in.
    QString downloadFolder() const;
    QString applicationFolder() const;
    QString backupFolder() const;

private:
    void moveTo(const QString& state);

    std::shared_ptr<clsINIFile> m_ini;
};
