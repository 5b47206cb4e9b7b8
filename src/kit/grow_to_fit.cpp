#include "kit/grow_to_fit.h"

#include <wx/window.h>

namespace vantle {
namespace {

struct Span {
    int start;
    int length;
};

Span Grown(Span designed, int best, Grow grow) {
    if (grow == Grow::Not || best <= designed.length) return designed;
    const int extra = best - designed.length;
    if (grow == Grow::KeepCentre) designed.start -= extra / 2;
    if (grow == Grow::KeepLast) designed.start -= extra;
    return {designed.start, best};
}

}  // namespace

void GrowToFit(wxWindow* control, Grow across, Grow down) {
    const wxRect designed = control->GetRect();
    const wxSize best = control->GetBestSize();
    const Span x = Grown({designed.x, designed.width}, best.x, across);
    const Span y = Grown({designed.y, designed.height}, best.y, down);
    control->SetSize(x.start, y.start, x.length, y.length);
}

}  // namespace vantle
