#pragma once

#include <wx/iconbndl.h>

namespace vantle {

// The program's icon, drawn small enough to keep in the source: a yellow V on navy.
inline wxIconBundle VantleIcons() {
    // One row of the image a line.
    // clang-format off
    static const char* const icon16[] = {
        "16 16 3 1",
        "  c None",
        "b c #000080",
        "y c #FFFF00",
        "  bbbbbbbbbbbb  ",
        " bbbbbbbbbbbbbb ",
        "bbbbbbbbbbbbbbbb",
        "bbyybbbbbbbbyybb",
        "bbyyybbbbbbyyybb",
        "bbbyybbbbbbyybbb",
        "bbbyyybbbbyyybbb",
        "bbbbyybbbbyybbbb",
        "bbbbyyybbyyybbbb",
        "bbbbbyybbyybbbbb",
        "bbbbbyyyyyybbbbb",
        "bbbbbbyyyybbbbbb",
        "bbbbbbyyyybbbbbb",
        "bbbbbbbyybbbbbbb",
        " bbbbbbbbbbbbbb ",
        "  bbbbbbbbbbbb  ",
    };
    static const char* const icon32[] = {
        "32 32 3 1",
        "  c None",
        "b c #000080",
        "y c #FFFF00",
        "   bbbbbbbbbbbbbbbbbbbbbbbbbb   ",
        "  bbbbbbbbbbbbbbbbbbbbbbbbbbbb  ",
        " bbbbbbbbbbbbbbbbbbbbbbbbbbbbbb ",
        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
        "bbbyyyyybbbbbbbbbbbbbbbbyyyyybbb",
        "bbbyyyyyybbbbbbbbbbbbbbyyyyyybbb",
        "bbbbyyyyybbbbbbbbbbbbbbyyyyybbbb",
        "bbbbyyyyyybbbbbbbbbbbbyyyyyybbbb",
        "bbbbbyyyyybbbbbbbbbbbbyyyyybbbbb",
        "bbbbbbyyyyybbbbbbbbbbyyyyybbbbbb",
        "bbbbbbyyyyybbbbbbbbbbyyyyybbbbbb",
        "bbbbbbbyyyyybbbbbbbbyyyyybbbbbbb",
        "bbbbbbbyyyyybbbbbbbbyyyyybbbbbbb",
        "bbbbbbbbyyyyybbbbbbyyyyybbbbbbbb",
        "bbbbbbbbyyyyybbbbbbyyyyybbbbbbbb",
        "bbbbbbbbbyyyyybbbbyyyyybbbbbbbbb",
        "bbbbbbbbbyyyyybbbbyyyyybbbbbbbbb",
        "bbbbbbbbbbyyyyybbyyyyybbbbbbbbbb",
        "bbbbbbbbbbyyyyybbyyyyybbbbbbbbbb",
        "bbbbbbbbbbbyyyyyyyyyybbbbbbbbbbb",
        "bbbbbbbbbbbyyyyyyyyyybbbbbbbbbbb",
        "bbbbbbbbbbbbyyyyyyyybbbbbbbbbbbb",
        "bbbbbbbbbbbbyyyyyyyybbbbbbbbbbbb",
        "bbbbbbbbbbbbbyyyyyybbbbbbbbbbbbb",
        "bbbbbbbbbbbbbyyyyyybbbbbbbbbbbbb",
        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
        "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb",
        " bbbbbbbbbbbbbbbbbbbbbbbbbbbbbb ",
        "  bbbbbbbbbbbbbbbbbbbbbbbbbbbb  ",
        "   bbbbbbbbbbbbbbbbbbbbbbbbbb   ",
    };
    // clang-format on
    wxIconBundle icons;
    icons.AddIcon(wxIcon(icon16));
    icons.AddIcon(wxIcon(icon32));
    return icons;
}

}  // namespace vantle
