#pragma once

#include <optional>
#include <vector>

namespace vantle {

// Absolute pointer targets turned into the relative moves a desktop takes from a program that
// may not place the pointer (the remote-desktop portal moves it only by steps). The desktop keeps
// the pointer on its monitors, so one move far up and left puts it at their top-left corner: that
// pin gives the first known place. After it, each target costs one move by the difference from
// where the previous moves left the pointer. The pin is made only when the place is not known:
// on GNOME the top-left corner opens the overview, so pinning at every move would open it every
// second.
class RelativePointer {
  public:
    struct Move {
        int dx = 0;
        int dy = 0;
        bool operator==(const Move&) const = default;
    };
    // Far enough to cross any desktop: the compositor stops the pointer at the edge.
    static constexpr int kPinDistance = -100'000;

    // The moves that take the pointer to (x, y), in desktop pixels from the top-left corner of
    // the monitors; afterwards the pointer is taken to be there.
    std::vector<Move> MovesTo(int x, int y);
    // The pointer may have been moved by someone else: the next target pins first.
    void Forget() { place_.reset(); }
    bool Known() const { return place_.has_value(); }

  private:
    struct Point {
        int x = 0;
        int y = 0;
    };
    std::optional<Point> place_;
};

}  // namespace vantle
