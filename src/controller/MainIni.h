#pragma once

#include <memory>

class clsINIFile;

// The main INI file: the accessor start-up made, or one on the file the location rules find.
class MainIni {
public:
    static std::shared_ptr<clsINIFile> get();
};
