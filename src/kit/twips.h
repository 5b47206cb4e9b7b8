#pragma once

#include <wx/window.h>

namespace vantle {

// Layouts are designed in twips; 15 twips make one pixel at 96 DPI. FromDIP then scales the
// result with the window's DPI, so layouts hold on HiDPI screens.
inline int TwipsToDip(int twips) { return (twips + 7) / 15; }

inline wxPoint TwipsPoint(const wxWindow* w, int x, int y) {
    return w->FromDIP(wxPoint(TwipsToDip(x), TwipsToDip(y)));
}
inline wxSize TwipsSize(const wxWindow* w, int width, int height) {
    return w->FromDIP(wxSize(TwipsToDip(width), TwipsToDip(height)));
}

// Designs place a window's client area, not its frame: step back from `screen` by the
// decoration, taking the side borders as equal and the rest of the height as the title bar.
inline void MoveClientOriginTo(wxWindow* window, const wxPoint& screen) {
    const wxSize decoration = window->GetSize() - window->GetClientSize();
    const int side = decoration.x / 2;
    window->Move(screen - wxPoint(side, decoration.y - side));
}

}  // namespace vantle
