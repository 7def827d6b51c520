#pragma once

#include <QString>

class clsINIFile;

// The scripted customer a Sovereign put through Settings, kept on disk as well: when the pcQUIBA
// whose API object put it stops without ending that object (a crash, a kill), the next start
// erases the script as the object's end would have. One record: the last script put.
class ScriptPutRecord {
public:
    static inline const QString kSection = QStringLiteral("SIMULATOR");
    static inline const QString kKey = QStringLiteral("script");

    // R/data/simulator-script.put
    static QString fileName();
    static void remember(const QString& script);
    // The record goes when it holds this script (an API object that put another one since keeps it).
    static void forget(const QString& script);
    // At start: SIMULATOR/script is erased when it is still the recorded one; the record goes.
    static void eraseLeftover(clsINIFile& ini);
};
