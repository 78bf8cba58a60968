// Starting the theme unit again as a new program would, with themes on or switched off by the user.
#pragma once

#include <cstdlib>

#include "ctlbase/Exuxtheme.h"
#include "platform/Libraries.h"

namespace themetest {

inline void Restart(bool ThemesOn)
{
    ctlbase::ExuxthemeFinalize();
    while (HMODULE m = GetModuleHandle("uxtheme.dll"))
        FreeLibrary(m);
    if (ThemesOn)
        unsetenv("MORVIK_NO_THEMES");
    else
        setenv("MORVIK_NO_THEMES", "1", 1);
    ctlbase::ExuxthemeInitialize();
}

}  // namespace themetest
