#pragma once

#include <QString>
#include <QStringList>

// Makes a fresh machine sell and print at once: files the program root lacks (the INI file,
// the catalogue, the logo) are copied from the sample files installed with the program.
// Nothing that exists is ever overwritten.
class FirstRun {
public:
    // Fills the program root from the first sample folder that exists.
    static void fillProgramRoot();

    // "sample" beside the executable (a build tree), then share/pcquiba/sample under the prefix
    // the executable runs from and under the prefix it was built for.
    static QStringList sampleFolders();

    // Copies what is missing from the sample folder (config/pcQUIBA.ini, manifest/otc.xml,
    // manifest/logos/*) to where the configuration puts them; returns the files written.
    static QStringList fillFrom(const QString& sampleFolder);

private:
    // Copies source to target unless target exists; true when it copied.
    static bool copyIfMissing(const QString& source, const QString& target);
};
