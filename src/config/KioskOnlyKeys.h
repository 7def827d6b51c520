#pragma once

#include <QList>
#include <QString>

// Keys of the main INI file that only the kiosk itself may change: they decide where code is
// installed from and to, what is read as configuration, which printer component runs and how
// the program starts. A remote "/set" may neither write nor erase them, nor erase a section that
// holds one. Add a key here and to the table in docs/remote-commands.md.
class KioskOnlyKeys {
public:
    struct Key {
        QString section;
        QString key;
    };

    static const QList<Key>& all();
    // Section and key compared without regard to case, as the INI file compares them.
    static bool contains(const QString& section, const QString& key);
    // The first kiosk-only key of the section; empty when it holds none.
    static QString keyIn(const QString& section);
    // "Command Failed: SECTION/key may only be changed on the kiosk"
    static QString refusal(const QString& section, const QString& key);
};
