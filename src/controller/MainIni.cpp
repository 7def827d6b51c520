#include "controller/MainIni.h"

#include "services/ProcessState.h"
#include "config/IniLocation.h"
#include "config/clsINIFile.h"

std::shared_ptr<clsINIFile> MainIni::get()
{
    if (auto ini = ProcessState::instance().ini)
        return ini;
    auto ini = std::make_shared<clsINIFile>();
    ini->setFileName(IniLocation::iniFileName());
    return ini;
}
