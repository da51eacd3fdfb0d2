#include "driver/screen_pixels.h"

#include <algorithm>
#include <utility>

#include "platform/owner.h"

namespace planchoice::driver {
namespace {

// A bitmap of the screen's format, selected into a DC of its own.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    const ScreenDcOwner screen(::GetDC(nullptr));
    dc_ = MemoryDcOwner(::CreateCompatibleDC(screen.get()));
    bitmap_ = BitmapOwner(::CreateCompatibleBitmap(screen.get(), width, height));
    previous_ = ::SelectObject(dc_.get(), bitmap_.get());
  }
  ~Canvas() { ::SelectObject(dc_.get(), previous_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_.get(); }

  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> pixels;
    pixels.reserve(static_cast<std::size_t>(width_ * height_));
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        pixels.push_back(::GetPixel(dc_.get(), x, y));
      }
    }
    return pixels;
  }

 private:
  int width_;
  int height_;
  MemoryDcOwner dc_;
  BitmapOwner bitmap_;
  HGDIOBJ previous_ = nullptr;
};

int Luminance(COLORREF colour) {
  return 299 * GetRValue(colour) + 587 * GetGValue(colour) + 114 * GetBValue(colour);
}

// The runs of indices in [0, count) for which `marked` holds, as [first, end) pairs.
template <typename Marked>
std::vector<std::pair<int, int>> Runs(int count, Marked marked) {
  std::vector<std::pair<int, int>> runs;
  for (int i = 0; i < count; ++i) {
    if (!marked(i)) {
      continue;
    }
    if (!runs.empty() && runs.back().second == i) {
      runs.back().second = i + 1;
    } else {
      runs.emplace_back(i, i + 1);
    }
  }
  return runs;
}

}  // namespace

std::vector<COLORREF> ScreenPixels(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const Canvas canvas(width, height);
  const ScreenDcOwner screen(::GetDC(nullptr));
  ::BitBlt(canvas.dc(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  return canvas.Pixels();
}

std::vector<COLORREF> IconPixels(HICON icon, int width, int height, COLORREF background) {
  const Canvas canvas(width, height);
  const RECT all{0, 0, width, height};
  ::SetDCBrushColor(canvas.dc(), background);
  ::FillRect(canvas.dc(), &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  ::DrawIconEx(canvas.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  return canvas.Pixels();
}

std::vector<DrawnLine> DrawnLines(HWND window) {
  RECT area{};
  ::GetWindowRect(window, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const std::vector<COLORREF> pixels = ScreenPixels(area);
  if (pixels.empty()) {
    return {};
  }
  // Ink is darker than halfway from the ground (in the corner, above any
  // letter) to the darkest pixel, which leaves out the edges that smoothing
  // lightens.
  int darkest = Luminance(pixels.front());
  for (COLORREF pixel : pixels) {
    darkest = std::min(darkest, Luminance(pixel));
  }
  const int threshold = (Luminance(pixels.front()) + darkest + 1) / 2;
  // Whether any pixel of [left, right) x [top, bottom) is ink.
  const auto ink_in = [&](int left, int right, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (Luminance(pixels[static_cast<std::size_t>(y * width + x)]) < threshold) {
          return true;
        }
      }
    }
    return false;
  };

  std::vector<DrawnLine> lines;
  for (const auto& [top, bottom] :
       Runs(height, [&](int y) { return ink_in(0, width, y, y + 1); })) {
    const auto columns = Runs(
        width, [&, top = top, bottom = bottom](int x) { return ink_in(x, x + 1, top, bottom); });
    DrawnLine line{bottom - top, columns.empty() ? 0 : 1};
    for (std::size_t i = 1; i < columns.size(); ++i) {
      if (3 * (columns[i].first - columns[i - 1].second) > line.height) {
        ++line.words;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace planchoice::driver
