// Writes the D-Bus interface files of pcQUIBA into a folder; the build runs it, and the files
// are installed to share/dbus-1/interfaces.
#include "automation/InterfaceFiles.h"

#include <QString>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr, "usage: pcquiba-interfaces FOLDER\n"
                                                  "Writes one introspection file per pcQUIBA interface into FOLDER.\n");
        return argc == 2 ? 0 : 2;
    }
    const QString error = InterfaceFiles::write(QString::fromLocal8Bit(argv[1]));
    if (!error.isEmpty()) {
        std::fprintf(stderr, "pcquiba-interfaces: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
