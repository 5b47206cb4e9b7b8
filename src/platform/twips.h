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

}  // namespace vantle
