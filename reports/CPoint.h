// A print position on the page, in twips from the top-left corner of the drawing area. The
// layout procedures take one and return a new one for the element that follows.
#pragma once

#include <cstdint>

class CPoint {
  public:
    std::int16_t x = 0;
    std::int16_t y = 0;
};
