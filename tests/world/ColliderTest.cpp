// The collider shapes: every cell of the pair table, bounds and their stale
// corners, point and segment tests.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "world/Collider.h"
#include "world/Manifold.h"

using namespace Orv;

namespace {

// A shape as a table row writes it; boxes get fresh corners.
struct Shape {
  std::uint32_t type;
  double x, y, a, b, degrees;
};
Shape Box(double x, double y, double w, double h) { return {Collider::TypeAABB, x, y, w, h, 0}; }
Shape Round(double x, double y, double r) { return {Collider::TypeCircle2D, x, y, r, 0, 0}; }
Shape Turned(double x, double y, double w, double h, double degrees) {
  return {Collider::TypeOBB, x, y, w, h, degrees};
}
Shape Segment() { return {Collider::TypeLine2D, 0, 0, 0, 0, 0}; }

std::unique_ptr<Collider> Make(const Shape& s) {
  std::unique_ptr<Collider> made;
  switch (s.type) {
    case Collider::TypeAABB: {
      auto box = std::make_unique<AABB>();
      box->SetWidth(s.a);
      box->SetHeight(s.b);
      made = std::move(box);
      break;
    }
    case Collider::TypeCircle2D: {
      auto circle = std::make_unique<Circle2D>();
      circle->SetRadius(s.a);
      made = std::move(circle);
      break;
    }
    case Collider::TypeOBB: {
      auto box = std::make_unique<OBB>();
      box->SetWidth(s.a);
      box->SetHeight(s.b);
      box->SetRotation(s.degrees);
      made = std::move(box);
      break;
    }
    default: made = std::make_unique<Line2D>(); break;
  }
  made->SetPosition({s.x, s.y});
  made->UpdateBounds();
  return made;
}

// The other shape's type picks the test, as the collision component does.
bool Collide(const Collider& self, const Collider& other, Manifold& m) {
  switch (other.GetType()) {
    case Collider::TypeAABB: return self.CollideWithAABB(static_cast<const AABB&>(other), m);
    case Collider::TypeCircle2D: return self.CollideWithCircle2D(static_cast<const Circle2D&>(other), m);
    case Collider::TypeLine2D: return self.CollideWithLine2D(static_cast<const Line2D&>(other), m);
    default: return self.CollideWithOBB(static_cast<const OBB&>(other), m);
  }
}

// What a manifold holds before a test that must leave it alone.
Manifold Untouched() {
  Manifold m;
  m.penetration = 99;
  m.normal = {7, 7};
  m.contactCount = 9;
  m.contacts[0] = {8, 8};
  m.contacts[1] = {9, 9};
  return m;
}

constexpr double kTolerance = 1e-9;
const double kRoot2 = std::sqrt(2.0);
// A floor whose top is at 490, and a box of 40 turned 45 degrees whose lowest
// corner lies 3 into it at x 300.
const Shape kFloor = Box(300, 500, 400, 20);
const Shape kOnCorner = Turned(300, 493 - 20 * kRoot2, 40, 40, 45);

struct PairCase {
  const char* name;
  Shape self, other;
  bool collides;
  Vec2 normal;
  double penetration;
  unsigned contactCount;
  Vec2 contact0, contact1;
  std::string printed;
};

const std::vector<PairCase>& PairCases() {
  static const std::vector<PairCase> cases = {
      // Boxes: the smaller overlap's axis, y on a tie, touching collides.
      {"box box", Box(0, 0, 10, 10), Box(8, 0, 10, 10), true, {1, 0}, 2, 1, {3, 5}, {}, ""},
      {"box box tie goes along y", Box(0, 0, 10, 10), Box(8, 8, 10, 10), true, {0, 1}, 2, 1, {3, 3}, {}, ""},
      {"box box sharing an edge", Box(0, 0, 10, 10), Box(10, 0, 10, 10), true, {1, 0}, 0, 1, {5, 5}, {}, ""},
      {"box box apart", Box(0, 0, 10, 10), Box(10.5, 0, 10, 10), false, {}, 0, 0, {}, {}, ""},
      {"box circle: the circle's test turned round",
       Box(0, 0, 10, 10),
       Round(8, 0, 5),
       true,
       {1, 0},
       2,
       1,
       {3, 0},
       {},
       ""},
      // An axis-aligned box meets an oriented one as an oriented box at no
      // angle, in either order, far from the origin: a box of 40 standing 2
      // deep in a floor whose top is at 490, and one on its corner 3 deep.
      // The floor's own axis wins the tie: the box's corners are the contacts.
      {"floor under a box", kFloor, Turned(380, 472, 40, 40, 0), true, {0, -1}, 2, 2, {400, 492}, {360, 492}, ""},
      {"floor under a box on its corner", kFloor, kOnCorner, true, {0, -1}, 3, 1, {300, 493}, {}, ""},
      {"floor under a turned box apart", kFloor, Turned(300, 440, 40, 40, 30), false, {}, 0, 0, {}, {}, ""},
      {"box segment never", Box(0, 0, 10, 10), Segment(), false, {}, 0, 0, {}, {}, ""},
      // Circle and box: the normal runs from the circle to the box.
      {"circle box", Round(8, 0, 5), Box(0, 0, 10, 10), true, {-1, 0}, 2, 1, {3, 0}, {}, ""},
      {"circle box corner touched", Round(8, 9, 5), Box(0, 0, 10, 10), true, {-0.6, -0.8}, 0, 1, {5, 5}, {}, ""},
      // A centre inside goes out by its depth and the radius: it then touches the face.
      {"circle box centre inside", Round(3, 0, 5), Box(0, 0, 10, 10), true, {-1, 0}, 7, 1, {3, 0}, {}, ""},
      {"circle box centre on the face", Round(5, 0, 5), Box(0, 0, 10, 10), true, {-1, 0}, 5, 1, {5, 0}, {}, ""},
      {"circle box centre on the centre line", Round(0, 0, 1), Box(0, 0, 10, 10), true, {0, 1}, 6, 1, {0, 0}, {}, ""},
      {"circle box apart", Round(11, 0, 5.9), Box(0, 0, 10, 10), false, {}, 0, 0, {}, {}, ""},
      {"circle circle", Round(0, 0, 3), Round(4, 0, 2), true, {1, 0}, 1, 1, {3, 0}, {}, ""},
      {"circle circle same centre", Round(1, 1, 2), Round(1, 1, 5), true, {1, 0}, 5, 1, {1, 1}, {}, ""},
      {"circle circle touching", Round(0, 0, 2), Round(0, 5, 3), true, {0, 1}, 0, 1, {0, 2}, {}, ""},
      {"circle circle apart", Round(0, 0, 2), Round(0, 5.01, 3), false, {}, 0, 0, {}, {}, ""},
      {"circle oriented box", Round(12, 0, 5), Turned(0, 0, 20, 20, 0), true, {-1, 0}, 3, 1, {15, 0}, {}, ""},
      // Touching collides for every pair of shapes: a circle resting on a
      // turned floor keeps its contact.
      {"circle oriented box tangent collides", Round(15, 0, 5), Turned(0, 0, 20, 20, 0), true, {-1, 0}, 0, 1, {15, 0},
       {}, ""},
      {"circle box tangent collides", Round(15, 0, 5), Box(0, 0, 20, 20), true, {-1, 0}, 0, 1, {10, 0}, {}, ""},
      {"circle segment never", Round(0, 0, 5), Segment(), false, {}, 0, 0, {}, {}, ""},
      // Oriented boxes.
      // The box's axis wins the tie: the floor's corners are cut to the box's
      // bottom face.
      {"box on a floor", Turned(380, 472, 40, 40, 0), kFloor, true, {0, 1}, 2, 2, {360, 490}, {400, 490}, ""},
      {"box on its corner on a floor", kOnCorner, kFloor, true, {0, 1}, 3, 1, {300, 493}, {}, ""},
      {"turned box above a floor", Turned(300, 440, 40, 40, 30), kFloor, false, {}, 0, 0, {}, {}, ""},
      {"oriented box circle: the circle's test turned round",
       Turned(0, 0, 20, 20, 0),
       Round(12, 0, 5),
       true,
       {1, 0},
       3,
       1,
       {15, 0},
       {},
       ""},
      {"oriented boxes", Turned(0, 0, 10, 10, 0), Turned(8, 0, 10, 10, 0), true, {1, 0}, 2, 2, {3, -5}, {3, 5}, ""},
      {"oriented boxes tie keeps the first axis",
       Turned(0, 0, 10, 10, 0),
       Turned(8, 8, 10, 10, 0),
       true,
       {0, 1},
       2,
       2,
       {3, 3},
       {5, 3},
       ""},
      {"oriented box on its corner",
       Turned(0, 0, 10, 10, 0),
       Turned(0, 10, 10, 10, 45),
       true,
       {0, 1},
       5 * kRoot2 - 5,
       1,
       {0, 10 - 5 * kRoot2},
       {0, 10 - 5 * kRoot2},
       ""},
      {"oriented boxes apart", Turned(0, 0, 10, 10, 0), Turned(10.5, 0, 10, 10, 0), false, {}, 0, 0, {}, {}, ""},
      {"oriented box segment prints",
       Turned(0, 0, 10, 10, 0),
       Segment(),
       false,
       {},
       0,
       0,
       {},
       {},
       "OBB collide With Line2D \n"},
      // A segment meets nothing.
      {"segment box", Segment(), Box(0, 0, 10, 10), false, {}, 0, 0, {}, {}, ""},
      {"segment circle", Segment(), Round(0, 0, 5), false, {}, 0, 0, {}, {}, ""},
      {"segment oriented box", Segment(), Turned(0, 0, 10, 10, 0), false, {}, 0, 0, {}, {}, ""},
      {"segment segment", Segment(), Segment(), false, {}, 0, 0, {}, {}, ""},
  };
  return cases;
}

TEST(ColliderPairs, EveryCellOfThePairTable) {
  std::set<std::pair<std::uint32_t, std::uint32_t>> cells;
  for (const PairCase& c : PairCases()) {
    SCOPED_TRACE(c.name);
    cells.insert({c.self.type, c.other.type});
    auto self = Make(c.self);
    auto other = Make(c.other);
    Manifold m = Untouched();
    ::testing::internal::CaptureStdout();
    const bool collided = Collide(*self, *other, m);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
    ASSERT_EQ(collided, c.collides);
    if (!c.collides) {
      // A test that fails writes nothing.
      EXPECT_EQ(m.penetration, 99);
      EXPECT_EQ(m.normal, (Vec2{7, 7}));
      EXPECT_EQ(m.contactCount, 9u);
      EXPECT_EQ(m.contacts[0], (Vec2{8, 8}));
      continue;
    }
    std::printf("%s: normal (%g, %g) penetration %g contacts %u (%g, %g) (%g, %g)\n", c.name, m.normal.x, m.normal.y,
                m.penetration, m.contactCount, m.contacts[0].x, m.contacts[0].y, m.contacts[1].x, m.contacts[1].y);
    EXPECT_NEAR(m.normal.x, c.normal.x, kTolerance);
    EXPECT_NEAR(m.normal.y, c.normal.y, kTolerance);
    EXPECT_NEAR(m.penetration, c.penetration, kTolerance);
    EXPECT_EQ(m.contactCount, c.contactCount);
    EXPECT_NEAR(m.contacts[0].x, c.contact0.x, kTolerance);
    EXPECT_NEAR(m.contacts[0].y, c.contact0.y, kTolerance);
    if (c.contactCount == 2) {
      EXPECT_NEAR(m.contacts[1].x, c.contact1.x, kTolerance);
      EXPECT_NEAR(m.contacts[1].y, c.contact1.y, kTolerance);
    }
    EXPECT_EQ(m.state, ManifoldFree) << "the pair tests leave the state alone";
  }
  EXPECT_EQ(cells.size(), 16u) << "every shape against every shape";
}

// Printed by a shape that does not answer one of the four itself.
class Bare : public Collider {
 public:
  Bare() : Collider(3) {}
  bool ContainsPoint(const Vec2&) const override { return false; }
  bool IntersectsSegment(const Vec2&, const Vec2&) const override { return false; }
};

TEST(ColliderPairs, TheBaseAnswersNoAndSaysWhichTestWasMissing) {
  Bare bare;
  Manifold m = Untouched();
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(bare.CollideWithOBB(OBB(), m));
  EXPECT_FALSE(bare.CollideWithLine2D(Line2D(), m));
  EXPECT_FALSE(bare.CollideWithCircle2D(Circle2D(), m));
  EXPECT_FALSE(bare.CollideWithAABB(AABB(), m));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "collider collision With OBB\ncollider collision With Line2D\nwhat.. collision With Circle2D\n"
            "collider collision With AABB\n");
  EXPECT_EQ(bare.GetMin(), Vec2{});
  EXPECT_EQ(bare.GetMax(), Vec2{});
  EXPECT_EQ(m.penetration, 99);
}

TEST(ColliderBounds, BoxCornersStayWhereTheyWereUntilUpdateBoundsWhileCircleBoundsFollow) {
  auto box = Make(Box(0, 0, 10, 4));
  auto circle = Make(Round(0, 0, 3));
  box->SetPosition({100, 50});
  circle->SetPosition({100, 50});
  EXPECT_EQ(box->GetMin(), (Vec2{-5, -2}));
  EXPECT_EQ(box->GetMax(), (Vec2{5, 2}));
  EXPECT_EQ(circle->GetMin(), (Vec2{97, 47}));
  EXPECT_EQ(circle->GetMax(), (Vec2{103, 53}));
  // The stale box is still tested where it was.
  Manifold m;
  EXPECT_TRUE(Collide(*box, *Make(Box(0, 0, 2, 2)), m));
  box->UpdateBounds();
  EXPECT_EQ(box->GetMin(), (Vec2{95, 48}));
  EXPECT_EQ(box->GetMax(), (Vec2{105, 52}));
  EXPECT_FALSE(Collide(*box, *Make(Box(0, 0, 2, 2)), m));
}

TEST(ColliderBounds, OrientedBoxTurnsItsCornersAndTurnsAgainUntilRebuilt) {
  auto made = Make(Turned(10, 0, 20, 10, 90));
  auto& box = static_cast<OBB&>(*made);
  EXPECT_NEAR(box.GetMin().x, 5, kTolerance);
  EXPECT_NEAR(box.GetMin().y, -10, kTolerance);
  EXPECT_NEAR(box.GetMax().x, 15, kTolerance);
  EXPECT_NEAR(box.GetMax().y, 10, kTolerance);
  EXPECT_DOUBLE_EQ(box.GetRotation(), 90);
  // A second 90 applies to the corners as they stand: 180 in all, a box
  // that looks unturned, while the stored angle is 90.
  box.SetRotation(90);
  EXPECT_NEAR(box.GetMin().x, 0, kTolerance);
  EXPECT_NEAR(box.GetMax().y, 5, kTolerance);
  box.UpdateBounds();
  EXPECT_NEAR(box.GetMin().x, 5, kTolerance);
  EXPECT_NEAR(box.GetMax().y, 10, kTolerance);
  // A new width rewrites the x of the corners, then turns them by 90.
  box.SetWidth(4);
  EXPECT_NEAR(box.GetMin().y, -2, kTolerance);
  EXPECT_NEAR(box.GetMax().y, 2, kTolerance);
  EXPECT_DOUBLE_EQ(box.GetWidth(), 4);
  // Degrees turn with the world's factor, a little short of pi / 180.
  box.UpdateBounds();
  const double radians = 90 * kDegreesToRadians;
  EXPECT_DOUBLE_EQ(box.GetCorners()[0].x, 10 + (-2 * std::cos(radians) + 5 * std::sin(radians)));
  // Only circles and oriented boxes keep an angle.
  for (const Shape& shape : {Box(0, 0, 2, 2), Round(0, 0, 1), Segment()}) {
    auto collider = Make(shape);
    collider->SetRotation(30);
    EXPECT_EQ(collider->GetRotation(), shape.type == Collider::TypeCircle2D ? 30.0 : 0.0) << shape.type;
  }
}

TEST(ColliderQueries, PointsAndSegmentsAgainstEachShape) {
  struct Point {
    Shape shape;
    Vec2 point;
    bool inside;
  };
  for (const Point& c : {Point{Box(0, 0, 4, 2), {2, 1}, true}, Point{Box(0, 0, 4, 2), {2.01, 0}, false},
                         Point{Round(1, 1, 2), {2.5, 2.5}, false}, Point{Turned(0, 0, 4, 4, 45), {0, 2.8}, true},
                         Point{Turned(0, 0, 4, 4, 45), {1.9, 1.9}, false}, Point{Segment(), {0, 0}, false}}) {
    EXPECT_EQ(Make(c.shape)->ContainsPoint(c.point), c.inside) << c.shape.type << " " << c.point.x << "," << c.point.y;
  }
  struct Case {
    const char* name;
    Shape shape;
    Vec2 direction, start;
    bool hits;
  };
  const Case segments[] = {
      {"across a box", Box(5, 0, 2, 2), {10, 0}, {0, 0.5}, true},
      {"beside a box", Box(5, 0, 2, 2), {10, 0}, {0, 1.5}, false},
      {"a box behind the start", Box(-5, 0, 2, 2), {10, 0}, {0, 0}, false},
      {"a box whose far corners pass the end", Box(9.5, 0, 2, 2), {10, 0}, {0, 0}, false},
      {"across a turned box", Turned(5, 0, 2, 2, 45), {10, 0}, {0, 0}, true},
      {"ending inside a circle", Round(10, 0, 4), {9, 0}, {0, 0}, true},
      {"passing through a circle", Round(5, 0, 2), {10, 0}, {0, 0}, true},
      {"grazing a circle midway", Round(5, 2, 2), {10, 0}, {0, 0}, true},
      {"passing beside a circle", Round(5, 2.1, 2), {10, 0}, {0, 0}, false},
      {"a circle behind the start", Round(-2.5, 0, 2), {10, 0}, {0, 0}, false},
      {"a circle beyond the end", Round(12.5, 0, 2), {10, 0}, {0, 0}, false},
      {"a segment of no length inside a circle", Round(1, 0, 2), {0, 0}, {0, 0}, true},
      {"a segment", Segment(), {10, 0}, {0, 0}, false},
  };
  for (const Case& c : segments) {
    EXPECT_EQ(Make(c.shape)->IntersectsSegment(c.direction, c.start), c.hits) << c.name;
  }
}

}  // namespace
