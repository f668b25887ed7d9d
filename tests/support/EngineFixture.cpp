#include "support/EngineFixture.h"

namespace OrvTest {

using namespace Orv;

EngineFixture::EngineFixture() {
  previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  ::testing::internal::CaptureStdout();
  RegisterEngineComponents(engine);
  ::testing::internal::GetCapturedStdout();
}

EngineFixture::~EngineFixture() { std::filesystem::current_path(previous); }

void EngineFixture::Start(const std::vector<SystemWithRoles>& systems) {
  for (const auto& [system, roles] : systems) engine.AddSystem(system, roles);
  for (const auto& each : engine.GetAllSystems()) each->Init(640, 480);
}

std::shared_ptr<GameObject> EngineFixture::SpawnType(const std::string& components,
                                                     const std::optional<std::string>& script, unsigned id) {
  const std::string type = "Type" + std::to_string(++types);
  folder.Write("data/gameobjects/" + type + ".txt",
               R"({"name":")" + type + R"(","id":1,"components":)" + components + "}");
  ::testing::internal::CaptureStdout();
  engine.LoadBlueprintFile("data/gameobjects/" + type + ".txt");
  if (script) {
    folder.Write("data/scripts/" + type + ".lua", *script);
    engine.LoadGameObjectScriptFile("data/scripts/" + type + ".lua", type + ".lua");
  }
  auto object = engine.CreateObject(type, id, true).Lock();
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(object) << out;
  return object;
}

void EngineFixture::Frame(float dt) {
  engine.Update(dt);
  engine.EndFrame();
}

}  // namespace OrvTest
