// A simple automatic player for games run by the rules alone: for each new piece it
// picks the rotation and column that leave the flattest stack, then reaches them
// with one key press per tick, as a person on the phone's keys would, and ends
// with a double press of the drop key.
#pragma once

#include <cstdint>

#include "rules/game.h"

class CQuarvelAutoPlayer {
  public:
    // Presses the keys for this tick; call before each tick of a running game.
    void act(CQuarvelGame& game);

  private:
    struct Plan {
        int turns = 0;            // clockwise turns still to make
        std::int32_t column = 3;  // the column the piece's grid should reach
    };

    static Plan choose(const CQuarvelGame& game);
    static void press(CQuarvelGame& game, std::int32_t code);

    std::int32_t plannedLanding = -1;
    Plan plan;
};
