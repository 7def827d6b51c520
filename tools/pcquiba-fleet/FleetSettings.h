#pragma once

#include "config/IniSections.h"

#include <QString>
#include <QStringList>

class clsINIFile;

// The FLEET section of the main INI file, read through the INI accessor. The keys are
// kiosk-only: the kiosk's administrator sets them, never a remote "/set".
class FleetSettings {
public:
    static inline const QString kSection = IniSections::Fleet;

    QString brokerUrl;
    QString fleetName;
    QString kioskId;
    QStringList groups;
    QString caFile;
    QString certFile;
    QString keyFile;

    // Reads the section; relative file names are taken from the INI file's folder. The kiosk
    // id is the client certificate's common name; without a certificate the kiosk_id key,
    // else the machine's MAC text. False with error set when something cannot be used.
    static bool read(const clsINIFile& ini, FleetSettings& settings, QString& error);
    // Only the broker's address, the fleet and the TLS files, as an operator's config file has them.
    static void readConnection(const clsINIFile& ini, FleetSettings& settings);
    // The certificate's subject common name, or an empty text.
    static QString commonName(const QString& certificateFile);
    // The main INI file as pcQUIBA finds it; the executable's folder is the agent's own, which
    // is pcquiba's where both are installed.
    static QString defaultIniFile();
};
