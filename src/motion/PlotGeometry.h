#pragma once
// The plot frame, its fitted scale and offsets, and the lines drawn in it,
// in pixels.

#include <cstdint>

struct PlotRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const PlotRect&) const = default;
};

// One line of the path plot, in pixels.
struct PlotSegment {
  std::int32_t x1;
  std::int32_t y1;
  std::int32_t x2;
  std::int32_t y2;
  bool operator==(const PlotSegment&) const = default;
};

struct PixelPoint {
  double x = 0.0;
  double y = 0.0;
};

class CPathPlot {
 public:
  void SetRect(const PlotRect& rect);
  const PlotRect& Rect() const { return rect_; }
  // Fits the window (pulses) with a 15-pixel margin on each side. A window
  // without extent on both axes, or a frame too small for the margins,
  // gets scale 0: every point maps to the centre.
  void FitWindow(double minX, double maxX, double minY, double maxY);
  PixelPoint Map(double x, double y) const;
  double Scale() const { return scale_; }
  double OffsetX() const { return offsetX_; }
  double OffsetY() const { return offsetY_; }
  double CentreX() const { return centreX_; }
  double CentreY() const { return centreY_; }

 private:
  PlotRect rect_{};
  double scale_ = 0.0;
  double offsetX_ = 0.0;
  double offsetY_ = 0.0;
  double centreX_ = 0.0;
  double centreY_ = 0.0;
};
