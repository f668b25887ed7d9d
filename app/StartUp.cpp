#include "app/StartUp.h"

#include <memory>
#include <string>

#include "ScriptInterrupt.h"
#include "app/Config.h"
#include "app/GameEngine.h"
#include "audio/AudioSubManager.h"
#include "core/DebugLevel.h"
#include "core/Report.h"
#include "core/TransformComponent.h"
#include "core/UserFolder.h"
#include "editor/EditComponent.h"
#include "platform/Console.h"
#include "platform/DisplayCheck.h"
#include "platform/QuitSignals.h"
#include "platform/Window.h"
#include "render/LightComponent.h"
#include "render/RenderableComponent.h"
#include "render/SpriteAnimComponent.h"
#include "render/StencilComponent.h"
#include "resources/ResourceManager.h"
#include "script/ExtraScripts.h"
#include "script/ScriptComponent.h"
#include "world/BoidComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBodyComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {

namespace {

constexpr const char* kConfigPath = "config/config.ini";

// Optional section heads print only above level 1.
void Head(const char* text) {
  if (IsVerbose()) PrintLine(text);
}

// Everything after the systems exist; false when start-up failed.
bool OpenAndLoad(GameEngine& engine, bool fullscreen) {
  engine.SetCursor(0, 0);
  engine.OnCreate();
  if (!engine.CreateAppWindow() || !engine.CreateGLContext()) {
    ShowMessage("Error Unable to initialize Application Context");
    return false;
  }
  engine.SetFullscreen(fullscreen);

  // Resources, sound, fonts: the first of these that fails is the one reported.
  ResourceManager& resources = ResourceManager::GetInstance();
  if (!resources.Init()) {
    ShowMessage("Error Unable to initialize Resource Manager");
    return false;
  }
  if (!AudioSubManager::GetInstance().Init()) {
    ShowMessage("Error! Unable to initialize Audio Submanager");
    return false;
  }
  if (!Font::InitFreeType()) {
    ShowMessage("Error Unable to Initialize FreeType");
    return false;
  }

  // Here, not earlier: what it removes is said on the console, which is open now.
  RemoveUnfinishedSaves();
  PrintLine("-Load Textures-");
  resources.LoadTexturePacks();
  Head("-Load Animation Data");
  resources.LoadAnimations();
  Head("-Load Fonts-");
  resources.LoadFonts();
  Head("-Load Tiletsets-");
  resources.LoadTileSets();
  Head("-Load External Scripts");
  LoadExtraScripts();
  Head("-Load Audio-");
  AudioSubManager::GetInstance().LoadConfig();

  PrintLine("\n-Register Components-");
  RegisterEngineComponents(engine);

  Head("\n-Load Game Object Blueprints-");
  engine.LoadBlueprints();
  Head("\n-Load Game Object Scripts-");
  engine.LoadGameObjectScripts();
  Print("\n");
  return true;
}

}  // namespace

// After the resources, before the blueprints that name these types.
void RegisterEngineComponents(GameEngine& engine) {
  engine.RegisterComponent<RigidBodyComponent>("rigidbody");
  engine.RegisterComponent<CollisionComponent>("collision");
  engine.RegisterComponent<TransformComponent>("transform");
  engine.RegisterComponent<SpriteAnimComponent>("spriteanim");
  engine.RegisterComponent<ScriptComponent>("script");
  engine.RegisterComponent<TileMapComponent>("tilemap");
  engine.RegisterComponent<StencilComponent>("stencil");
  engine.RegisterComponent<LightComponent>("light");
  engine.RegisterComponent<RenderableComponent>("renderable");
  engine.RegisterComponent<EditComponent>("editable");
  engine.RegisterComponent<BoidComponent>("boid");
}

int StartUp() {
  Platform::InstallQuitSignals(&OrvLua::InterruptRunningScript);
  // A windowed program has no standard output until its console opens.
  Platform::DetachConsoleOutput();

  std::vector<std::string> warnings;
  std::optional<Config> config = ReadConfig(kConfigPath, warnings);
  for (const auto& warning : warnings) PrintErrorLine(warning);
  if (!config) return 1;
  SetDebugLevel(config->debug);
  // Before anything could show a box, which a silent display would hold as
  // it holds the window's start: one line says it all.
  Platform::CheckDisplay();

  int exitCode = 1;
  {
    auto engine = std::make_unique<GameEngine>(config->title, config->width, config->height, config->fullscreen,
                                               config->debug != 0);
    engine->SetFrameInterval(config->FrameInterval());
    CreateEngineSystems(*engine);
    if (OpenAndLoad(*engine, config->fullscreen)) exitCode = engine->Run();
  }
  Platform::ShutdownWindowing();
  return exitCode;
}

}  // namespace Orv
