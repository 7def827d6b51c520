#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A program root of its own for one test, with a starting INI file (the simulated host answers
// at once, baskets take five items) and the sample catalogue; the run's root comes back after.
class SimulatedRoot {
public:
    SimulatedRoot();
    ~SimulatedRoot();

    QString path(const QString& relative = {}) const;
    QString iniFile() const { return path(QStringLiteral("config/pcQUIBA.ini")); }
    QString catalogueFile() const { return path(QStringLiteral("manifest/otc.xml")); }
    void set(const QString& section, const QString& key, const QString& value) const;
    void writeCatalogue(const QByteArray& text) const;

    // An assignment code 1 and 2 the simulated host accepts.
    static QString goodCode1() { return QStringLiteral("123455"); }
    static QString goodCode2() { return QStringLiteral("7"); }

private:
    QTemporaryDir m_folder;
    QByteArray m_previousRoot;
};
