#pragma once

class wxWindow;

namespace vantle {

// How a control grows along one axis: not at all, or keeping its first edge (left, top), its
// centre or its last edge (right, bottom) where it was designed.
enum class Grow { Not, KeepFirst, KeepCentre, KeepLast };

// The designed sizes fit the designer's 8-point font; GTK's larger default font and its larger
// check boxes would be cut off. A control smaller than its best size grows to it along the axes
// given; one large enough keeps its designed size.
void GrowToFit(wxWindow* control, Grow across, Grow down = Grow::Not);

}  // namespace vantle
