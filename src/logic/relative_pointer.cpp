#include "logic/relative_pointer.h"

namespace vantle {

std::vector<RelativePointer::Move> RelativePointer::MovesTo(int x, int y) {
    std::vector<Move> moves;
    if (!place_) {
        moves.push_back({kPinDistance, kPinDistance});
        place_ = Point{};
    }
    moves.push_back({x - place_->x, y - place_->y});
    place_ = Point{x, y};
    return moves;
}

}  // namespace vantle
