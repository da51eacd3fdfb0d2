#include "dialog/layout.h"

#include <windows.h>

namespace planchoice {

int Scale(int design_pixels, unsigned dpi) {
  return ::MulDiv(design_pixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

PixelSize Scale(PixelSize design, unsigned dpi) {
  return {Scale(design.width, dpi), Scale(design.height, dpi)};
}

PixelRect Scale(PixelRect design, unsigned dpi) {
  return {Scale(design.left, dpi), Scale(design.top, dpi), Scale(design.width, dpi),
          Scale(design.height, dpi)};
}

int FontHeight(int centipoints, unsigned dpi) {
  constexpr int kCentipointsPerInch = 72 * 100;
  return -::MulDiv(centipoints, static_cast<int>(dpi), kCentipointsPerInch);
}

}  // namespace planchoice
