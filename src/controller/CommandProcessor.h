#pragma once

#include "controller/CommandEntry.h"
#include "controller/CommandHost.h"

#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Dictionary;
class clsINIFile;

// The remote command processor: on every tick of the controller's tmrCommand it runs the due
// entries of the COMMANDS section one at a time, earliest first: "/update", "/install",
// "/uninstall", "/upload" and "/set", each a URI whose query carries the arguments.
class CommandProcessor {
public:
    static inline const QString kClosingMessage = QStringLiteral("pcQUIBA is updating itself");
    // The installer program's file name; it lives beside pcquiba.
    static inline const QString kInstallerProgramName = QStringLiteral("pcquiba-installer");
    static inline const QString kRestartProgramName = QStringLiteral("pcquiba");
    static inline const QString kRestartArgument = QStringLiteral("gui");
    static constexpr int kTimerSeconds = 20;
    // A section read returns at most this many characters; entries beyond are not seen.
    static constexpr qsizetype kSectionReadLimit = 32000;
    // From this size on, a warning says the section nears the read limit.
    static constexpr qsizetype kSectionWarningSize = kSectionReadLimit * 3 / 4;
    // Finished entries erased per tick at most: each erase rewrites the INI file.
    static constexpr int kMaxPrunedPerTick = 20;

    // What one tick leaves for the next: the entries already reported as unreadable and whether
    // the section's size was reported, so that each is logged once; and whether a tick runs.
    struct Memory {
        QSet<QString> unreadable;
        bool nearLimit = false;
        bool ticking = false;
    };

    explicit CommandProcessor(CommandHost& host, std::shared_ptr<Memory> memory = std::make_shared<Memory>());

    // One tick: prunes old finished entries and runs every entry that falls due before the next
    // tick.
    void tmrCommand_Timer();

    // The installer program; by default pcquiba-installer in the executable's folder.
    void setInstallerProgram(const QString& path);
    QString installerProgram() const;
    // The mark of a packaged install; by default PackagedInstall::markFile().
    void setPackageMark(const QString& path);

    // Days finished entries are kept: GENERAL/data_retention_days, at least 1.
    static double retentionDays(const clsINIFile& ini);

private:
    struct TableEntry {
        QString key;
        std::shared_ptr<CommandEntry> entry;
    };

    // Selects the earliest due entry, completes its duplicates and runs it; false when nothing
    // is due.
    bool processNext(clsINIFile& ini);
    // Reads the section into the table; unreadable entries are left out (m_unreadable).
    void loadTable(clsINIFile& ini);
    // Once a tick: the section's size, unreadable entries, and finished entries past retention.
    void tidy(clsINIFile& ini);
    void reportSize(qsizetype size);
    void reportUnreadable();
    void pruneFinished(clsINIFile& ini);
    static double now();
    std::optional<size_t> selectDue() const;
    void completeDuplicates(const TableEntry& chosen);
    void run(clsINIFile& ini, const TableEntry& selected);
    // Completes the entry and takes it out of the table.
    void finish(const TableEntry& selected);
    void recordOutcome(const TableEntry& entry, const QString& status);

    void runUpdate(const Dictionary& arguments, const TableEntry& selected);
    // "/install": the package "/update" prepared, by the installer its manifest names;
    // "/uninstall": rolls back the newest install, by the installer that installed it.
    void runPackageCommand(const Dictionary& arguments, const QString& path, const TableEntry& selected);
    // False when the command is refused (finished) or a sale postpones the entry.
    bool readyToHandOver(const QString& named, const TableEntry& selected);
    // A busy basket postpones the entry instead of finishing it; true when it did.
    bool postponedForSale(const TableEntry& selected);

    // What the utility offered for an install or a rollback.
    struct Handover {
        QString path;    // "/install" or "/uninstall"
        QString named;   // the command's package argument
        QString offered; // the package the utility offers
        bool isExe = false;
        qint16 count = 0;
        QString message;
    };
    // Stops the engine and hands the offered package to its installer, or says why not.
    void handOver(const Handover& work, const TableEntry& selected);
    void runInstallerProgram(const QString& package, const QString& path, const TableEntry& selected);
    void runInstallerComponent(QString package, const QString& path);
    void restartEngine();
    void runUpload(const Dictionary& arguments, const QString& commandText, const QString& quibaPath,
                   const TableEntry& selected);
    void runSet(clsINIFile& ini, const Dictionary& arguments, const QString& commandText, const QString& quibaPath,
                const TableEntry& selected);
    std::optional<QString> setTargetFile(const QString& file, const QString& quibaPath) const;

    // A package name with a folder part is refused (logged); true when it may be used.
    static bool packageAllowed(const QString& package);
    static QString argumentText(const Dictionary& arguments, const QString& name);
    static void log(const QString& text, qint32 severity);

    CommandHost& m_host;
    std::shared_ptr<Memory> m_memory;
    QString m_installerProgram;
    QString m_packageMark;
    std::vector<TableEntry> m_table;
    // "key: why" of the entries the last table load left out.
    QSet<QString> m_unreadable;
    qsizetype m_sectionSize = 0;
    // Keys finished, completed as duplicates or postponed during this tick: not selected again
    // before the next, even when an entry could not keep its new state.
    QSet<QString> m_handled;
    bool m_processEnding = false;
};
