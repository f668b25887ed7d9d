#include "core/OrientedRect.h"

#include <GL/glew.h>

#include <cmath>
#include <initializer_list>

namespace Orv {

void OrientedRect::Rotate(float degrees) {
  // Pi to eleven decimals, as the engine has always turned by.
  const double theta = static_cast<double>(degrees) * 0.017453292519888888;
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  for (double* corner : {corner0, corner1, corner2, corner3}) {
    const double dx = corner[0] - centreX;
    const double dy = corner[1] - centreY;
    corner[0] = centreX + c * dx - s * dy;
    corner[1] = centreY + s * dx + c * dy;
  }
}

void OrientedRect::DrawOutline() const {
  glBegin(GL_LINE_STRIP);
  for (const double* corner : {corner0, corner1, corner2, corner3, corner0}) {
    glVertex2f(static_cast<float>(corner[0]), static_cast<float>(corner[1]));
  }
  glEnd();
}

}  // namespace Orv
