// The moving-shape sweep against brute force, and the look-ahead that uses it
// on seeded generated scenes: walls of every shape at any angle, bodies of
// every shape at up to 12000 px/s, steps of 1/60 to 0.1 s. Overlap is judged
// here apart from the code under test, by projecting both shapes on many
// directions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "world/Collider.h"
#include "world/ContactTolerances.h"
#include "world/PairRules.h"
#include "world/RigidBody.h"
#include "world/SweptShapes.h"

using namespace Orv;

namespace {

struct ShapeDraw {
  int kind;  // 0 box, 1 oriented box, 2 circle
  double x, y, w, h, degrees;
};

std::unique_ptr<Collider> MakeShape(const ShapeDraw& s) {
  if (s.kind == 2) {
    auto c = std::make_unique<Circle2D>();
    c->SetPosition({s.x, s.y});
    c->SetRadius(s.w / 2);
    return c;
  }
  std::unique_ptr<Collider> made;
  if (s.kind == 0) {
    auto box = std::make_unique<AABB>();
    box->SetPosition({s.x, s.y});
    box->SetWidth(s.w);
    box->SetHeight(s.h);
    made = std::move(box);
  } else {
    auto box = std::make_unique<OBB>();
    box->SetPosition({s.x, s.y});
    box->SetWidth(s.w);
    box->SetHeight(s.h);
    box->SetRotation(s.degrees);
    made = std::move(box);
  }
  made->UpdateBounds();
  return made;
}

std::string Describe(const ShapeDraw& s) {
  static const char* kKinds[] = {"box", "oriented box", "circle"};
  char text[160];
  std::snprintf(text, sizeof text, "%s at (%.3f, %.3f) %.3f x %.3f turned %.2f", kKinds[s.kind], s.x, s.y, s.w, s.h,
                s.degrees);
  return text;
}

// The projections of a shape moved by offset, as plain corner lists.
struct Plain {
  std::vector<Vec2> points;
  double radius = 0;
};

Plain PlainOf(const ShapeDraw& s, const Vec2& offset) {
  Plain p;
  const Vec2 c{s.x + offset.x, s.y + offset.y};
  if (s.kind == 2) {
    p.points = {c};
    p.radius = s.w / 2;
    return p;
  }
  const double a = s.kind == 1 ? s.degrees * kDegreesToRadians : 0;
  const Vec2 u{std::cos(a), std::sin(a)}, v{-std::sin(a), std::cos(a)};
  // Around the box, so that each two in a row make an edge.
  for (const auto& [i, j] : {std::pair{-0.5, -0.5}, std::pair{0.5, -0.5}, std::pair{0.5, 0.5}, std::pair{-0.5, 0.5}}) {
    p.points.push_back(c + u * (i * s.w) + v * (j * s.h));
  }
  return p;
}

// The least overlap of two shapes over their separating axes (every edge's
// normal, and from a circle's centre to each corner or centre of the other):
// their depth when positive, below their distance apart when not.
double Overlap(const Plain& a, const Plain& b) {
  double least = 1e300;
  const auto along = [&](const Vec2& u) {
    double aMin = 1e300, aMax = -1e300, bMin = 1e300, bMax = -1e300;
    for (const Vec2& p : a.points) aMin = std::min(aMin, p.Dot(u)), aMax = std::max(aMax, p.Dot(u));
    for (const Vec2& p : b.points) bMin = std::min(bMin, p.Dot(u)), bMax = std::max(bMax, p.Dot(u));
    least = std::min(least, std::min(aMax + a.radius - bMin + b.radius, bMax + b.radius - aMin + a.radius));
  };
  for (const auto& [round, other] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
    if (round->radius <= 0) continue;
    for (const Vec2& p : other->points) {
      const Vec2 d = p - round->points[0];
      if (d.LengthSquared() > 0) along(d / d.Length());
    }
  }
  for (const Plain* s : {&a, &b}) {
    for (std::size_t i = 0; i < s->points.size(); ++i) {
      const Vec2 e = s->points[(i + 1) % s->points.size()] - s->points[i];
      if (e.LengthSquared() > 0) along(Vec2{-e.y, e.x} / e.Length());
    }
  }
  return least;
}

ShapeDraw RandomShape(std::mt19937& random, double x, double y, bool thin) {
  std::uniform_real_distribution<double> unit(0, 1);
  ShapeDraw s{static_cast<int>(random() % 3), x, y, 0, 0, 0};
  s.w = thin ? 4 + 36 * unit(random) : 4 + 40 * unit(random);
  s.h = thin ? 20 + 300 * unit(random) : 4 + 40 * unit(random);
  if (thin && unit(random) < 0.5) std::swap(s.w, s.h);
  if (s.kind == 2) s.w = s.h = thin ? 8 + 100 * unit(random) : s.w;
  s.degrees = s.kind == 1 ? 360 * unit(random) : 0;
  return s;
}

// Against a still shape, the sweep's first touch is where fine sampling of
// the path first finds the two overlapping.
TEST(SweptShapes, TheFirstTouchIsWhereSamplingFirstFindsThemMeeting) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  int met = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const ShapeDraw wall = RandomShape(random, 0, 0, true);
    const double angle = 2 * M_PI * unit(random), distance = 60 + 200 * unit(random);
    const ShapeDraw body = RandomShape(random, distance * std::cos(angle), distance * std::sin(angle), false);
    if (Overlap(PlainOf(wall, {}), PlainOf(body, {})) > -0.01) continue;
    // Aimed near the wall's centre, so about half meet it.
    const Vec2 aim = Vec2{-body.x, -body.y} + Vec2{unit(random) - 0.5, unit(random) - 0.5} * 200.0;
    const Vec2 motion = aim * (0.5 + 1.5 * unit(random));
    const auto still = MakeShape(wall), mover = MakeShape(body);
    const Impact hit = FirstImpact(ConfigurationOf(ShapeOf(*still), ShapeOf(*mover)), {}, motion);
    // Sampling: the first sample that overlaps, then halving between.
    const int samples = 4000;
    double before = -1, after = -1;
    for (int k = 0; k <= samples; ++k) {
      const double t = static_cast<double>(k) / samples;
      if (Overlap(PlainOf(wall, {}), PlainOf(body, motion * t)) > 0) {
        after = t, before = (k - 1.0) / samples;
        break;
      }
    }
    const std::string scene = "wall " + Describe(wall) + ", body " + Describe(body) + " moving " +
                              std::to_string(motion.x) + ", " + std::to_string(motion.y);
    if (after < 0) {
      EXPECT_FALSE(hit.meets) << "a path that never meets the wall met it at " << hit.time << ": " << scene;
      continue;
    }
    for (int k = 0; k < 30; ++k) {
      const double t = (before + after) / 2;
      (Overlap(PlainOf(wall, {}), PlainOf(body, motion * t)) > 0 ? after : before) = t;
    }
    ++met;
    ASSERT_TRUE(hit.meets) << "a path that meets the wall at " << after << " met nothing: " << scene;
    EXPECT_NEAR(hit.time * motion.Length(), after * motion.Length(), 0.02) << scene;
    // The normal points out of the wall, against the motion.
    EXPECT_LT(hit.normal.Dot(motion), 0) << scene;
  }
  EXPECT_GT(met, 60);
}

// One seeded scene: a body moving at up to 12000 px/s past or into one or two
// walls, its step stopped by the look-ahead and then taken whole.
void RunLookAheadScene(unsigned seed, int& stopped, int& missed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int trial = 0; trial < 60; ++trial) {
    std::vector<ShapeDraw> walls{RandomShape(random, 0, 0, true)};
    if (unit(random) < 0.4)
      walls.push_back(RandomShape(random, 200 * unit(random) - 100, 200 * unit(random) - 100, true));
    const double angle = 2 * M_PI * unit(random), distance = 30 + 250 * unit(random);
    const ShapeDraw body = RandomShape(random, distance * std::cos(angle), distance * std::sin(angle), false);
    bool clear = true;
    for (const ShapeDraw& w : walls) clear = clear && Overlap(PlainOf(w, {}), PlainOf(body, {})) < -0.01;
    if (!clear) continue;
    const double speed = 12000 * unit(random), step = 1.0 / 60 + (0.1 - 1.0 / 60) * unit(random);
    const Vec2 aim = Vec2{-body.x, -body.y} + Vec2{unit(random) - 0.5, unit(random) - 0.5} * 300.0;
    RigidBody rigid;
    rigid.velocity = aim / aim.Length() * speed;
    const Vec2 motion = rigid.velocity * step;
    std::string scene = "seed " + std::to_string(seed) + " trial " + std::to_string(trial) + ": body " +
                        Describe(body) + " at " + std::to_string(speed) + " px/s for " + std::to_string(step) +
                        " s along (" + std::to_string(rigid.velocity.x) + ", " + std::to_string(rigid.velocity.y) + ")";
    for (const ShapeDraw& w : walls) scene += "; wall " + Describe(w);
    // Whether the straight path meets a wall, sampled every 0.25 px.
    const int samples = 1 + static_cast<int>(motion.Length() / 0.25);
    double deepest = -1e300;
    for (int k = 0; k <= samples; ++k) {
      for (const ShapeDraw& w : walls) {
        deepest = std::max(deepest, Overlap(PlainOf(w, {}), PlainOf(body, motion * (double(k) / samples))));
      }
    }
    std::vector<std::unique_ptr<Collider>> made;
    std::vector<const Collider*> wallList;
    for (const ShapeDraw& w : walls) made.push_back(MakeShape(w)), wallList.push_back(made.back().get());
    const auto moving = MakeShape(body);
    const bool moved = StopStepAtWalls(*moving, rigid, step, wallList);
    moving->SetPosition(moving->GetPosition() + motion);
    moving->UpdateBounds();
    const Vec2 end = moving->GetPosition() - Vec2{body.x, body.y};
    if (deepest < -0.3) {
      ++missed;
      EXPECT_FALSE(moved) << "stopped by a shape its path misses by " << -deepest << ": " << scene;
    } else {
      ++stopped;
    }
    for (const ShapeDraw& w : walls) {
      EXPECT_LE(Overlap(PlainOf(w, {}), PlainOf(body, end)), kRestingWallOverlap)
          << "ends inside " << Describe(w) << ": " << scene;
    }
  }
}

// Boxes and circles resting on a turned wall, touching it to within rounding
// at 400 places along it, each driven into it: each step ends on the face,
// the look-ahead's overlap in, wherever rounding leaves the body a hair off or
// in.
TEST(SweptShapes, ABodyTouchingATurnedWallStopsOnItsFace) {
  int wrong = 0;
  for (const double degrees : {30.0, 45.0, 60.0}) {
    const auto wall = MakeShape({1, 8500, 2000, 10, 3000, degrees});
    const double a = degrees * kDegreesToRadians;
    const Vec2 u{std::cos(a), std::sin(a)}, v{-u.y, u.x};
    for (int kind = 1; kind <= 2; ++kind) {
      const double reach = 5 + (kind == 2 ? 8 : 8 * (std::fabs(u.x) + std::fabs(u.y)));
      for (int k = 0; k < 400; ++k) {
        const Vec2 at = Vec2{8500, 2000} - u * reach + v * (-1000 + 5.0 * k + 0.0123 * k);
        const auto body = MakeShape({kind, at.x, at.y, 16, 16, 0});
        RigidBody rigid;
        rigid.velocity = {2000, 0};
        std::vector<const Collider*> walls{wall.get()};
        StopStepAtWalls(*body, rigid, 0.1, walls);
        const double along = (body->GetPosition() + Vec2{200, 0} - Vec2{8500, 2000}).Dot(u);
        if (std::fabs(along - (-reach + kLeftOverlap)) > 0.005) {
          if (++wrong < 5)
            std::printf("%s at %.1f degrees, place %d: ends %.4f from the middle\n", kind == 2 ? "circle" : "box",
                        degrees, k, along);
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// The face a body enters a wall by: the one it rests on or lies a little
// behind when it starts touching, else the one its path first meets. For two
// axis-aligned boxes the tiles' rule, the face reached last by the gaps each
// axis closed, names the same face.
TEST(SweptShapes, TheFaceEnteredIsTheOneRestedOnElseTheOneThePathMeetsFirst) {
  const auto wall = MakeShape({0, 0, 0, 100, 20, 0});
  const auto entered = [&](const Vec2& at, const Vec2& motion) {
    const auto body = MakeShape({0, at.x, at.y, 10, 10, 0});
    return FaceEntered(ConfigurationOf(ShapeOf(*wall), ShapeOf(*body)), {}, motion);
  };
  // A hair over the top, moving down or across: resting on the top, at once.
  for (const Vec2& motion : {Vec2{0, -5}, Vec2{5, 0}}) {
    const EnteredFace touching = entered({0, 15 + 4e-7}, motion);
    EXPECT_TRUE(touching.meets && touching.resting);
    EXPECT_EQ(touching.time, 0.0);
    EXPECT_NEAR(touching.normal.y, 1, 1e-12);
    EXPECT_NEAR(touching.height, 4e-7, 1e-9);
  }
  // A little inside near a corner: the face it lies least deep behind, and
  // how deep.
  const EnteredFace inside = entered({-54.97, 0}, {0, 5});
  EXPECT_TRUE(inside.meets && inside.resting);
  EXPECT_NEAR(inside.normal.x, -1, 1e-12);
  EXPECT_NEAR(inside.height, -0.03, 1e-9);
  // Clear: where the path meets the top, and how far above it it began.
  const EnteredFace falling = entered({3, 25}, {4, -20});
  EXPECT_TRUE(falling.meets && !falling.resting);
  EXPECT_NEAR(falling.time, 0.5, 1e-12);
  EXPECT_NEAR(falling.normal.y, 1, 1e-12);
  EXPECT_NEAR(falling.height, 10, 1e-9);
  // A path that passes by, or leads away, enters nothing.
  EXPECT_FALSE(entered({80, 25}, {0, -20}).meets);
  EXPECT_FALSE(entered({0, 25}, {0, 20}).meets);

  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0, 1);
  int compared = 0, acrossX = 0;
  for (int k = 0; k < 4000; ++k) {
    const ShapeDraw w{0, 0, 0, 4 + 60 * unit(random), 4 + 60 * unit(random), 0};
    const ShapeDraw b{0, 0, 0, 4 + 60 * unit(random), 4 + 60 * unit(random), 0};
    // Gaps on each axis, clear on one at least, and an end inside both.
    const double gapX = -20 + 50 * unit(random),
                 gapY = unit(random) < 0.3 && gapX > 0 ? -20 * unit(random) : 30 * unit(random);
    const double sideX = unit(random) < 0.5 ? -1 : 1, sideY = unit(random) < 0.5 ? -1 : 1;
    const Vec2 start{sideX * ((w.w + b.w) / 2 + gapX), sideY * ((w.h + b.h) / 2 + gapY)};
    const Vec2 end{(unit(random) - 0.5) * (w.w + b.w - 2), (unit(random) - 0.5) * (w.h + b.h - 2)};
    const auto wallBox = MakeShape(w);
    const auto body = MakeShape({0, start.x, start.y, b.w, b.h, 0});
    const EnteredFace face = FaceEntered(ConfigurationOf(ShapeOf(*wallBox), ShapeOf(*body)), {}, end - start);
    const Vec2 gaps{
        -(std::min(body->GetMax().x, wallBox->GetMax().x) - std::max(body->GetMin().x, wallBox->GetMin().x)),
        -(std::min(body->GetMax().y, wallBox->GetMax().y) - std::max(body->GetMin().y, wallBox->GetMin().y))};
    if (!(std::max(gaps.x, gaps.y) > 1e-3)) continue;
    ASSERT_TRUE(face.meets && !face.resting) << k;
    const bool x = std::fabs(face.normal.x) > 0.5;
    EXPECT_EQ(EnteredAcrossX(gaps, end - start), x)
        << "case " << k << ": " << Describe(w) << ", body " << Describe({0, start.x, start.y, b.w, b.h, 0})
        << " moving to " << end.x << " " << end.y;
    ++compared, acrossX += x;
  }
  // Both faces, often.
  EXPECT_GT(acrossX, 500);
  EXPECT_GT(compared - acrossX, 500);
}

class LookAheadScenes : public testing::TestWithParam<unsigned> {};

TEST_P(LookAheadScenes, NoBodyEndsInsideAWallItStartedOutsideNorIsStoppedByOneItsPathMisses) {
  int stopped = 0, missed = 0;
  RunLookAheadScene(GetParam(), stopped, missed);
  // Both kinds of path are in every seed's scenes.
  EXPECT_GT(stopped, 5);
  EXPECT_GT(missed, 5);
}

INSTANTIATE_TEST_SUITE_P(Seeds, LookAheadScenes, testing::Values(1u, 2u, 3u, 4u, 5u, 6u),
                         [](const testing::TestParamInfo<unsigned>& info) {
                           return "seed" + std::to_string(info.param);
                         });

}  // namespace
