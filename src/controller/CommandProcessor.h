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

    explicit CommandProcessor(CommandHost& host);

    // One tick: runs every entry that falls due before the next tick.
    void tmrCommand_Timer();

    // The clock, as a date serial; the current local time unless a test sets another.
    void setClock(std::function<double()> now);
    // The installer program; by default pcquiba-installer in the executable's folder.
    void setInstallerProgram(const QString& path);
    QString installerProgram() const;

private:
    struct TableEntry {
        QString key;
        std::shared_ptr<CommandEntry> entry;
    };

    // Selects the earliest due entry, completes its duplicates and runs it; false when nothing
    // is due.
    bool processNext(clsINIFile& ini);
    void loadTable(clsINIFile& ini);
    std::optional<size_t> selectDue() const;
    void completeDuplicates(const TableEntry& chosen);
    void run(clsINIFile& ini, const TableEntry& selected);
    // Completes the entry and takes it out of the table.
    void finish(const TableEntry& selected);

    void runUpdate(const Dictionary& arguments, const TableEntry& selected);
    // A busy basket postpones the entry instead of finishing it.
    void runInstall(const Dictionary& arguments, const QString& path, const TableEntry& selected);
    void runInstallerProgram(const QString& package);
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
    std::function<double()> m_now;
    QString m_installerProgram;
    std::vector<TableEntry> m_table;
    // Keys finished, completed as duplicates or postponed during this tick: not selected again
    // before the next, even when an entry could not keep its new state.
    QSet<QString> m_handled;
    bool m_processEnding = false;
};
