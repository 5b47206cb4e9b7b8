#pragma once

#include <wx/window.h>

#include <algorithm>

namespace vantle {

enum class KeepEdge { Left, Centre, Right };

// The designed sizes fit the designer's 8-point font; GTK's larger default font would cut a
// caption off. A control too narrow for its caption grows, keeping the given edge (or its
// centre) where it was designed; one wide enough keeps its designed size.
inline void WidenToFit(wxWindow* control, KeepEdge keep) {
    const wxRect designed = control->GetRect();
    const int width = std::max(designed.width, control->GetBestSize().x);
    const int grown = width - designed.width;
    int x = designed.x;
    if (keep == KeepEdge::Centre) x -= grown / 2;
    if (keep == KeepEdge::Right) x -= grown;
    control->SetSize(x, designed.y, width, designed.height);
}

}  // namespace vantle
