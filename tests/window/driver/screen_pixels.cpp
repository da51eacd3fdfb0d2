#include "driver/screen_pixels.h"

#include "platform/win32_owners.h"

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

}  // namespace planchoice::driver
