// Seeded crowds squeezed against static walls: rooms of walls 4 to 40 thick
// with pillars and narrow gaps, bodies of every shape driven at up to 1600
// px/s every way, frames of 1/60 and 1/30 s; and the same rooms turned to any
// angle (walls of turned boxes), with round pillars and frames up to 0.1 s.
// However the crowd shoves, no body ends a frame past the middle of a wall
// its centre began the frame outside. A failing seed prints its scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBody.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;

namespace {

struct Box {
  double minX, minY, maxX, maxY;
};

struct Made {
  std::string shape;
  double x, y, size, angle;
};

// Whether the segment from a to b meets the open box.
bool SegmentMeets(const Vec2& a, const Vec2& b, const Box& box) {
  double enter = 0, leave = 1;
  const double from[2] = {a.x, a.y}, to[2] = {b.x, b.y}, low[2] = {box.minX, box.minY}, high[2] = {box.maxX, box.maxY};
  for (int k = 0; k < 2; ++k) {
    const double d = to[k] - from[k];
    if (d == 0) {
      if (!(from[k] > low[k] && from[k] < high[k])) return false;
      continue;
    }
    double t0 = (low[k] - from[k]) / d, t1 = (high[k] - from[k]) / d;
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0), leave = std::min(leave, t1);
  }
  return enter < leave;
}

// A centre that went from begin to end through the wall and ended past its
// middle on every axis on which begin lay outside it. A centre that began
// inside the wall is not judged.
bool PastMiddle(const Vec2& begin, const Vec2& end, const Box& wall) {
  const double from[2] = {begin.x, begin.y}, to[2] = {end.x, end.y};
  const double low[2] = {wall.minX, wall.minY}, high[2] = {wall.maxX, wall.maxY};
  bool outside = false;
  for (int k = 0; k < 2; ++k) {
    if (from[k] > low[k] && from[k] < high[k]) continue;
    outside = true;
    const double middle = (low[k] + high[k]) / 2;
    if (from[k] <= low[k] ? to[k] <= middle : to[k] >= middle) return false;
  }
  return outside && SegmentMeets(begin, end, wall);
}

struct Round {
  double x, y, r;
};

// A centre that began outside a round wall, went through it and ended past
// its middle, as seen from where it began.
bool PastRoundMiddle(const Vec2& begin, const Vec2& end, const Round& wall) {
  const Vec2 c{wall.x, wall.y}, from = begin - c, to = end - c, path = end - begin;
  if (!(from.Length() >= wall.r) || !(to.Dot(from) < 0)) return false;
  // Within the wall's reach across the way it came, and its path met it.
  if (std::fabs(from.Cross(to)) / from.Length() >= wall.r) return false;
  const double length = path.LengthSquared();
  const double s = length > 0 ? std::clamp(-from.Dot(path) / length, 0.0, 1.0) : 0.0;
  return (from + path * s).Length() < wall.r;
}

class Squeeze {
 public:
  // Turned: the room at an angle, round pillars too, frames up to 0.1 s.
  explicit Squeeze(unsigned seed, bool turned = false) : random_(seed), turned_(turned) {
    if (turned_) {
      degrees_ = Draw(0, 4) < 1 ? 0.0 : Draw(0, 90);
      collisions_.StepBodiesWith(&physics_);
    }
    // A room, its inside side x side, walls of their own thickness each.
    const double side = side_ = Draw(150, 400);
    const double left = Draw(4, 40), right = Draw(4, 40), top = Draw(4, 40), bottom = Draw(4, 40);
    AddWall({-left, -top, side + right, 0});
    AddWall({-left, side, side + right, side + bottom});
    AddWall({-left, 0, 0, side});
    AddWall({side, 0, side + right, side});
    // Pillars, and pairs of walls with a gap a body is made in, a little
    // narrower than it.
    const int pillars = static_cast<int>(Draw(0, 4));
    for (int k = 0; k < pillars; ++k) {
      const double x = Draw(30, side - 60), y = Draw(30, side - 60);
      const double w = Draw(4, 40), h = Draw(4, 40);
      if (turned_ && Draw(0, 1) < 0.5) {
        AddRound({x + w / 2, y + w / 2, w / 2});
      } else {
        AddWall({x, y, x + w, y + h});
      }
    }
    const int gaps = static_cast<int>(Draw(1, 3));
    for (int k = 0; k < gaps; ++k) {
      const double gap = Draw(14, 30), thick = Draw(4, 40), tall = Draw(40, side / 2);
      const double x = Draw(0, side - 2 * thick - gap), y = Draw(0, side - tall);
      const bool across = Draw(0, 1) < 0.5;
      const auto place = [&](double a, double b, double c, double d) {
        AddWall(across ? Box{a, b, c, d} : Box{b, a, d, c});
      };
      place(x, y, x + thick, y + tall);
      place(x + thick + gap, y, x + 2 * thick + gap, y + tall);
      const double along = y + Draw(0.3, 0.7) * tall, middle = x + thick + gap / 2;
      AddBody(across ? middle : along, across ? along : middle, gap + Draw(0.2, 2), degrees_ != 0 ? "OBB" : "AABB",
              degrees_);
    }
    gapBodies_ = bodies_.size();
    // The crowd starts apart, on a lattice, clear of every wall: what
    // throws a body through a wall is the shoving, not where it was made.
    const int count = static_cast<int>(Draw(40, 120));
    for (double y = 20; y < side - 20; y += 34) {
      for (double x = 20; x < side - 20 && bodies_.size() < gapBodies_ + count; x += 34) {
        const double size = Draw(8, 24);
        const Box room{x - 17, y - 17, x + 17, y + 17};
        const auto meets = [&](const Box& w) {
          return w.minX < room.maxX && room.minX < w.maxX && w.minY < room.maxY && room.minY < w.maxY;
        };
        if (std::any_of(walls_.begin(), walls_.end(), meets) ||
            std::any_of(rounds_.begin(), rounds_.end(),
                        [&](const Round& r) { return meets({r.x - r.r, r.y - r.r, r.x + r.r, r.y + r.r}); })) {
          continue;
        }
        const double pick = Draw(0, 1);
        AddBody(x, y, size, pick < 0.6 ? "Circle" : pick < 0.8 ? "AABB" : "OBB");
      }
    }
    // A step's own motion past a wall is the look-ahead's to stop: the
    // frames are short enough that the crowd, not the step, does the work.
    step_ = static_cast<float>(Draw(0, 1) < 0.5 ? 1.0 / 60 : 1.0 / 30);
    // Long frames are taken in steps: the crowd shoves as often.
    if (turned_) step_ = static_cast<float>(Draw(0, 1) < 0.5 ? 0.1 : Draw(1.0 / 60, 0.1));
  }

  // Runs the frames; the first wall the pair pass left a body past the
  // middle of, and the step did not bring it back from, as text, or "".
  std::string Run(int frames) {
    for (int frame = 0; frame < frames; ++frame) {
      if (frame % 20 == 0) Drive();
      const std::vector<Vec2> begin = Centres();
      collisions_.PreUpdate(step_);
      const std::vector<Vec2> after = Centres();
      collisions_.Update(step_);
      physics_.PreUpdate(step_);
      physics_.Update(step_);
      collisions_.LateUpdate(step_);
      const std::vector<Vec2> end = Centres();
      for (std::size_t b = 0; b < bodies_.size(); ++b) {
        // Once out of the room by its own step, it is judged no more.
        if (!(begin[b].x > 0 && begin[b].x < side_ && begin[b].y > 0 && begin[b].y < side_)) continue;
        // A frame of several steps may carry a body round a pillar: it is
        // judged by where it ends, out of the room or deep in a wall.
        if (turned_ && StepsOf(step_).count > 1) {
          const std::string failure = Deep(frame, b, begin[b], after[b], end[b]);
          if (!failure.empty()) return failure + Scene();
          continue;
        }
        for (const Round& wall : rounds_) {
          if (!PastRoundMiddle(begin[b], after[b], wall) || !PastRoundMiddle(begin[b], end[b], wall)) continue;
          char text[400];
          std::snprintf(text, sizeof text,
                        "frame %d (step %.4f, room turned %.2f): %s %.2f (angle %.1f) went from %.3f %.3f to %.3f "
                        "%.3f (room's own frame), past the middle of the round wall r %.2f at %.2f %.2f\n",
                        frame, static_cast<double>(step_), degrees_, made_[b].shape.c_str(), made_[b].size,
                        made_[b].angle, begin[b].x, begin[b].y, end[b].x, end[b].y, wall.r, wall.x, wall.y);
          return text + Scene();
        }
        for (const Box& wall : walls_) {
          // Past it both after the pass and after the step: the step alone
          // carrying it past is the look-ahead's.
          if (!PastMiddle(begin[b], after[b], wall) || !PastMiddle(begin[b], end[b], wall)) continue;
          char text[400];
          std::snprintf(text, sizeof text,
                        "frame %d (step %.4f, room turned %.2f): %s %.2f (angle %.1f, made at %.2f %.2f) went from "
                        "%.3f %.3f to %.3f %.3f (%.3f %.3f after the step), past the middle of the wall %.2f %.2f .. "
                        "%.2f %.2f (room's own frame)\n",
                        frame, static_cast<double>(step_), degrees_, made_[b].shape.c_str(), made_[b].size, made_[b].angle,
                        made_[b].x, made_[b].y, begin[b].x, begin[b].y, after[b].x, after[b].y, end[b].x, end[b].y, wall.minX, wall.minY,
                        wall.maxX, wall.maxY);
          return text + Scene();
        }
      }
    }
    return "";
  }

  // Past the middle of one of the room's walls (the first four), in the
  // middle half of another box wall, or within half a round wall's radius of
  // its middle.
  // A body that began the frame there is not judged.
  std::string Deep(int frame, std::size_t b, const Vec2& begin, const Vec2& after, const Vec2& end) const {
    const auto middle = [&](std::size_t k) {
      return Vec2{walls_[k].minX + walls_[k].maxX, walls_[k].minY + walls_[k].maxY} * 0.5;
    };
    const auto deep = [&](const Vec2& p) {
      bool in = p.y < middle(0).y || p.y > middle(1).y || p.x < middle(2).x || p.x > middle(3).x;
      for (const Box& w : walls_) {
        const double inX = (w.maxX - w.minX) / 4, inY = (w.maxY - w.minY) / 4;
        in = in || (p.x > w.minX + inX && p.x < w.maxX - inX && p.y > w.minY + inY && p.y < w.maxY - inY);
      }
      for (const Round& r : rounds_) in = in || (p - Vec2{r.x, r.y}).Length() < r.r / 2;
      return in;
    };
    if (deep(begin) || !deep(end)) return "";
    char text[400];
    std::snprintf(text, sizeof text,
                  "frame %d (step %.4f, room turned %.2f): %s %.2f (angle %.1f) went from %.3f %.3f to %.3f %.3f "
                  "(%.3f %.3f after the collisions; room's own frame), out of the room or deep in a wall\n",
                  frame, static_cast<double>(step_), degrees_, made_[b].shape.c_str(), made_[b].size, made_[b].angle,
                  begin.x, begin.y, end.x, end.y, after.x, after.y);
    return text;
  }

  std::string Scene() const {
    std::string text = "walls:";
    char line[120];
    for (const Box& w : walls_) {
      std::snprintf(line, sizeof line, " (%.2f %.2f .. %.2f %.2f)", w.minX, w.minY, w.maxX, w.maxY);
      text += line;
    }
    for (const Round& r : rounds_) {
      std::snprintf(line, sizeof line, " (r %.2f at %.2f %.2f)", r.r, r.x, r.y);
      text += line;
    }
    text += "\nbodies:";
    for (const Made& m : made_) {
      std::snprintf(line, sizeof line, " %s %.2f at %.2f %.2f;", m.shape.c_str(), m.size, m.x, m.y);
      text += line;
    }
    return text;
  }

 private:
  double Draw(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }

  // Walls and bodies are placed in the room's own frame; a turned room
  // stands turned about the origin.
  Vec2 World(double x, double y) const {
    const double c = std::cos(degrees_ * kDegreesToRadians), s = std::sin(degrees_ * kDegreesToRadians);
    return {c * x - s * y, s * x + c * y};
  }

  Vec2 RoomFrame(const Vec2& p) const {
    const double c = std::cos(degrees_ * kDegreesToRadians), s = std::sin(degrees_ * kDegreesToRadians);
    return {c * p.x + s * p.y, -s * p.x + c * p.y};
  }

  void AddWall(const Box& box) {
    const Vec2 at = World((box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2);
    auto object = Make(degrees_ != 0 ? "OBB" : "AABB", at.x, at.y);
    auto* collision = object->FindComponent<CollisionComponent>();
    collision->SetRealProperty(CollisionComponent::Width, box.maxX - box.minX);
    collision->SetRealProperty(CollisionComponent::Height, box.maxY - box.minY);
    if (degrees_ != 0) collision->SetRealProperty(CollisionComponent::Orientation, degrees_);
    collision->GetCollider()->UpdateBounds();
    walls_.push_back(box);
    Offer(object);
  }

  void AddRound(const Round& round) {
    const Vec2 at = World(round.x, round.y);
    auto object = Make("Circle", at.x, at.y);
    auto* collision = object->FindComponent<CollisionComponent>();
    collision->SetRealProperty(CollisionComponent::Radius, round.r);
    collision->GetCollider()->UpdateBounds();
    rounds_.push_back(round);
    Offer(object);
  }

  void AddBody(double x, double y, double size, const char* shape, double turn = -1) {
    const Vec2 at = World(x, y);
    auto object = Make(shape, at.x, at.y);
    auto* collision = object->FindComponent<CollisionComponent>();
    const double angle = std::string(shape) == "OBB" ? (turn >= 0 ? turn : Draw(0, 90)) : 0;
    collision->SetRealProperty(CollisionComponent::Radius, size / 2);
    collision->SetRealProperty(CollisionComponent::Width, size);
    collision->SetRealProperty(CollisionComponent::Height, size);
    collision->SetRealProperty(CollisionComponent::Orientation, angle);
    collision->GetCollider()->UpdateBounds();
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.SetMass(Draw(0.5, 3));
    rigid->body.bouncy = Draw(0, 1);
    object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    bodies_.push_back(object);
    made_.push_back({shape, x, y, size, angle});
    Offer(object);
  }

  std::shared_ptr<GameObject> Make(const char* shape, double x, double y) {
    auto object = std::make_shared<GameObject>(nullptr, 1);
    object->SetUniqueId(++ids_);
    auto collision = std::make_shared<CollisionComponent>();
    collision->SetColliderByName(shape);
    collision->SetRealProperty(CollisionComponent::PosX, x);
    collision->SetRealProperty(CollisionComponent::PosY, y);
    object->AddComponent(TypeKey<CollisionComponent>(), collision);
    object->AddComponent(TypeKey<TransformComponent>(), std::make_shared<TransformComponent>());
    objects_.push_back(object);
    return object;
  }

  void Offer(const std::shared_ptr<GameObject>& object) {
    collisions_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    physics_.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
  }

  // A new speed for every body, up to 1600 px/s each way; those made in a
  // gap are left to rest.
  void Drive() {
    for (std::size_t b = 0; b < bodies_.size(); ++b) {
      if (b < gapBodies_) continue;
      bodies_[b]->FindComponent<RigidBodyComponent>()->body.velocity = {Draw(-1600, 1600), Draw(-1600, 1600)};
    }
  }

  std::vector<Vec2> Centres() const {
    std::vector<Vec2> centres;
    for (const auto& body : bodies_) {
      centres.push_back(RoomFrame(body->FindComponent<CollisionComponent>()->GetCollider()->GetPosition()));
    }
    return centres;
  }

  std::mt19937 random_;
  CollisionEngine collisions_{nullptr};
  PhysicEngine physics_{nullptr};
  std::vector<std::shared_ptr<GameObject>> objects_, bodies_;
  bool turned_ = false;
  double degrees_ = 0;
  std::vector<Box> walls_;
  std::vector<Round> rounds_;
  std::vector<Made> made_;
  std::size_t gapBodies_ = 0;
  std::uint32_t ids_ = 0;
  float step_ = 1.0f / 60;
  double side_ = 0;
};

class WallSqueeze : public ::testing::TestWithParam<unsigned> {};

TEST_P(WallSqueeze, NoBodyEndsAFramePastTheMiddleOfAWallItBeganOutside) {
  ::testing::internal::CaptureStdout();
  Squeeze scene(GetParam());
  const std::string failure = scene.Run(300);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(failure, "") << "seed " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Seeds, WallSqueeze, ::testing::Range(1u, 25u));

class TurnedWallSqueeze : public ::testing::TestWithParam<unsigned> {};

TEST_P(TurnedWallSqueeze, NoBodyEndsAFramePastTheMiddleOfATurnedOrRoundWallItBeganOutside) {
  ::testing::internal::CaptureStdout();
  Squeeze scene(GetParam(), true);
  const std::string failure = scene.Run(200);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(failure, "") << "seed " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Seeds, TurnedWallSqueeze, ::testing::Range(1u, 25u));

}  // namespace
