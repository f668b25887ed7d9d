// Content values that are not finite: the first refused member is named once
// per object, when the object is known.
#include <gtest/gtest.h>

#include <cmath>

#include "core/GameObject.h"
#include "core/NotFiniteRefusal.h"

using Orv::GameObject;
using Orv::NotFiniteRefusal;

TEST(NotFiniteRefusal, TheFirstMemberIsNamedOnceTheObjectIsKnown) {
  GameObject object(nullptr, 5);
  object.SetUniqueId(9);
  NotFiniteRefusal refusal("Kind");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(refusal.Accept("a", 1.5));
  EXPECT_FALSE(refusal.Accept("b", NAN));
  EXPECT_FALSE(refusal.Accept("c", -INFINITY));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no object yet";
  testing::internal::CaptureStderr();
  refusal.Attach(&object);
  refusal.Refuse("d");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error! Kind \"b\" of object 5 (unique id 9): a value that is not a finite number is ignored\n");
}

TEST(NotFiniteRefusal, AnAttachedOneSaysItAtOnceAndNothingWithoutARefusal) {
  GameObject object(nullptr, 3);
  NotFiniteRefusal quiet("Kind");
  NotFiniteRefusal loud("Other");
  testing::internal::CaptureStderr();
  quiet.Attach(&object);
  EXPECT_TRUE(quiet.Accept("a", 0.0));
  loud.Attach(&object);
  EXPECT_FALSE(loud.Accept("e", INFINITY));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error! Other \"e\" of object 3 (unique id 0): a value that is not a finite number is ignored\n");
}
