// The editor system in a windowless engine: turning and dragging with the
// middle button, and script values it refuses.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>

#include "core/TransformComponent.h"
#include "editor/EditComponent.h"
#include "editor/EditorObjectStore.h"
#include "editor/EditorSystem.h"
#include "platform/Messages.h"
#include "support/EngineFixture.h"
#include "world/CollisionComponent.h"

using namespace Orv;

namespace OrvTest {
namespace {

class EditorSystemTest : public EngineFixture {
 protected:
  EditorSystemTest() {
    Start({{editor, RoleUpdate | RoleLateUpdate | RoleInput}});
    EditorObjectStore::GetInstance().ClearRecords();
  }

  // A circle of radius 10 picked as a circle of radius 10.
  std::string Ball() {
    SpawnType(R"([{"type":"transform","data":[]},{"type":"collision","data":["Circle",{"radius":10.0}]},
                  {"type":"editable","data":[0.0, 0.0, 0, "", 0, "Circle", 0.0, 0.0, 10.0, 0.0]}])",
              std::nullopt);
    return "Type" + std::to_string(types);
  }
  void Middle(bool down) { engine.OnWindowMessage(down ? WM_MBUTTONDOWN : WM_MBUTTONUP, 0, 0); }
  static std::shared_ptr<GameObject> Find(GameEngine& engine, std::uint32_t uniqueId) {
    for (const auto& object : engine.GetGameObjectManager().GetObjects()) {
      if (object->GetUniqueId() == uniqueId) return object;
    }
    return nullptr;
  }
  static const EditorObjectRecord& OnlyRecord() {
    const auto& records = EditorObjectStore::GetInstance().GetRecords();
    EXPECT_EQ(records.size(), 1u);
    return records.begin()->second;
  }

  std::shared_ptr<EditorSystem> editor = std::make_shared<EditorSystem>(&engine);
};

TEST_F(EditorSystemTest, TheMiddleButtonTurnsAndDragsThePickedObjectUntilReleased) {
  const std::string ball = Ball();
  ::testing::internal::CaptureStdout();
  editor->AddObject(50.0f, 40.0f, 3, ball.c_str());
  ::testing::internal::GetCapturedStdout();
  Admit();
  const EditorObjectRecord& record = OnlyRecord();
  auto object = Find(engine, record.objectId);
  Collider* collider = object->GetComponent<CollisionComponent>().Lock()->GetCollider();

  editor->RotateObject(50.0f, 40.0f);
  EXPECT_EQ(EditorObjectStore::GetInstance().GetRotatedObject(), 0u) << "no pick without a press";
  Middle(true);
  editor->RotateObject(50.0f, 40.0f);
  EXPECT_EQ(EditorObjectStore::GetInstance().GetRotatedObject(), record.objectId);
  // From the circle's top at y 50 towards (60, 60): 45 degrees, turned by 90.
  editor->RotateObject(60.0f, 60.0f);
  Frame();
  EXPECT_NEAR(collider->GetRotation(), 135.0, 1e-9);
  EXPECT_NEAR(object->GetComponent<TransformComponent>().Lock()->rotdeg, 135.0f, 1e-4f);
  EXPECT_NEAR(record.rotation, 135.0f, 1e-4f);
  Middle(false);
  Frame();
  EXPECT_EQ(EditorObjectStore::GetInstance().GetRotatedObject(), 0u);

  Middle(true);
  editor->MoveObject(45.0f, 35.0f);
  editor->MoveObject(80.0f, 90.0f);
  Frame();
  EXPECT_EQ(collider->GetPosition().x, 80.0);
  EXPECT_EQ(collider->GetPosition().y, 90.0);
  EXPECT_EQ(record.x, 80.0f);
  EXPECT_EQ(record.y, 90.0f);
  EXPECT_NEAR(record.rotation, 135.0f, 1e-4f) << "dragging keeps the turn";
  Middle(false);
  Frame();
  EXPECT_EQ(EditorObjectStore::GetInstance().GetMovedObject(), 0u);
}

TEST_F(EditorSystemTest, ASaveCutShortByAFullDiskKeepsThePreviousFile) {
  setenv("XDG_DOCUMENTS_DIR", (folder.Path() + "/documents").c_str(), 1);
  ::testing::internal::CaptureStdout();
  EditorObjectStore::GetInstance().AddRecord({1.0f, 2.0f, 0.0f, 3, 0, "crate", "AABB", 5.0f, 5.0f, 5.0f});
  const bool saved = editor->WriteLevelObjects("level.json");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(editor->WriteLevelObjects("../level.json")) << "names stay inside the user folder";
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("refused: it goes up out of its folder"), std::string::npos);
  const std::string before = folder.Read("documents/Kelvane/level.json");
  for (int i = 0; i < 3; ++i) EditorObjectStore::GetInstance().AddRecord({0, 0, 0, i, 0, "crate", "", 0, 0, 0});
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1500, 1500};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(editor->WriteLevelObjects("level.json") ? 0 : 3);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ::testing::internal::GetCapturedStdout();
  unsetenv("XDG_DOCUMENTS_DIR");
  ASSERT_TRUE(saved);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "the save says it failed";
  EXPECT_EQ(folder.Read("documents/Kelvane/level.json"), before);
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/documents/Kelvane/level.json.orv-unfinished"));
}

}  // namespace
}  // namespace OrvTest
