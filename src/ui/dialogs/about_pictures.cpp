#include "ui/dialogs/about_pictures.h"

#include <algorithm>
#include <cmath>

namespace varnel::ui {
namespace {

struct TColour {
  double R, G, B;
};

TColour Mix(TColour a, TColour b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

void Put(QImage& image, int x, int y, TColour c) {
  uchar* pixel = image.scanLine(y) + 3 * x;
  pixel[0] = static_cast<uchar>(std::clamp(c.R, 0.0, 255.0));
  pixel[1] = static_cast<uchar>(std::clamp(c.G, 0.0, 255.0));
  pixel[2] = static_cast<uchar>(std::clamp(c.B, 0.0, 255.0));
}

constexpr TColour kZenith{22, 26, 84};
constexpr TColour kDusk{214, 98, 110};
constexpr TColour kHorizonGlow{252, 178, 92};
constexpr TColour kSun{255, 236, 170};
constexpr TColour kFarRidge{104, 70, 124};
constexpr TColour kNearRidge{48, 34, 76};
constexpr TColour kWater{18, 20, 58};

// The sky above the horizon: night blue through rose to a warm glow, with
// the sun's halo.
TColour Sky(double x, double y, double horizon, double sun_x, double sun_y) {
  double t = y / horizon;
  TColour sky = t < 0.6 ? Mix(kZenith, kDusk, t / 0.6) : Mix(kDusk, kHorizonGlow, (t - 0.6) / 0.4);
  double d = std::hypot(x - sun_x, y - sun_y);
  if (d < 14) return kSun;
  return Mix(sky, kSun, 0.55 * std::exp(-(d - 14) / 18));
}

}  // namespace

QImage AboutBackgroundPicture(QSize size) {
  QImage image(size, QImage::Format_RGB888);
  const double w = size.width();
  const double horizon = size.height() * 0.64;
  const double sun_x = w * 0.7, sun_y = horizon - 30;
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      const double far_top = horizon - 30 - 14 * std::sin(x * 0.045) - 8 * std::sin(x * 0.13 + 1);
      const double near_top = horizon - 8 - 9 * std::sin(x * 0.07 + 2) - 4 * std::sin(x * 0.23);
      TColour c;
      if (y >= horizon) {
        // The lake mirrors the sky, darker with depth, broken by ripples.
        const double mirror = 2 * horizon - y;
        const double ripple = 2.5 * std::sin(y * 1.7 + x * 0.05);
        c = Mix(Sky(x + ripple, std::max(mirror, 0.0), horizon, sun_x, sun_y), kWater,
                0.35 + 0.6 * (y - horizon) / (size.height() - horizon));
      } else if (y >= near_top) {
        c = Mix(kNearRidge, kFarRidge, (horizon - y) / 40);
      } else if (y >= far_top) {
        c = Mix(kFarRidge, kDusk, 0.25 * (y - far_top) / (horizon - far_top));
      } else {
        c = Sky(x, y, horizon, sun_x, sun_y);
      }
      Put(image, x, y, c);
    }
  }
  return image;
}

// A sphere lit from the upper left: diffuse shading on a clear blue with a
// white highlight; outside the disc everything is black.
QImage AboutBallPicture(int diameter) {
  QImage image(diameter, diameter, QImage::Format_RGB888);
  image.fill(Qt::black);
  const double radius = diameter / 2.0;
  const double lx = -0.45, ly = -0.55, lz = 0.70;  // unit light direction
  for (int y = 0; y < diameter; ++y) {
    for (int x = 0; x < diameter; ++x) {
      const double nx = (x + 0.5 - radius) / radius, ny = (y + 0.5 - radius) / radius;
      const double rr = nx * nx + ny * ny;
      if (rr >= 1) continue;
      const double nz = std::sqrt(1 - rr);
      const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
      // Reflection of the light about the normal, seen from the front.
      const double reflected = 2 * (nx * lx + ny * ly + nz * lz) * nz - lz;
      const double highlight = std::pow(std::max(0.0, reflected), 24);
      TColour c = Mix({10, 40, 120}, {80, 170, 255}, diffuse);
      c = Mix(c, {255, 255, 255}, highlight);
      Put(image, x, y, c);
    }
  }
  return image;
}

}  // namespace varnel::ui
