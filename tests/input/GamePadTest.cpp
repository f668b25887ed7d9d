// Gamepads through virtual controllers: no device and no display needed.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "input/GamePadDevice.h"
#include "input/GamePadSystem.h"

namespace Orv {
namespace {

constexpr unsigned kA = 4096;
constexpr unsigned kB = 8192;

// A virtual controller laid out like a standard pad; remembers the last rumble.
class VirtualPad {
 public:
  VirtualPad() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "test pad";
    desc.userdata = this;
    desc.Rumble = [](void* self, Uint16 low, Uint16 high) {
      static_cast<VirtualPad*>(self)->rumble = {low, high};
      return 0;
    };
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    EXPECT_GE(index, 0) << SDL_GetError();
    id_ = SDL_JoystickGetDeviceInstanceID(index);
    joystick_ = SDL_JoystickOpen(index);
  }
  ~VirtualPad() {
    SDL_JoystickClose(joystick_);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id_) SDL_JoystickDetachVirtual(i);
    }
  }
  void Button(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
  }
  void Axis(SDL_GameControllerAxis axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick_, axis, value); }

  std::pair<Uint16, Uint16> rumble{0, 0};

 private:
  SDL_JoystickID id_ = -1;
  SDL_Joystick* joystick_ = nullptr;
};

class GamePadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a real pad is attached; slots would not be ours";
    Frame();  // forget whatever an earlier test left in the device
  }
  void TearDown() override {
    pads.clear();
    Frame();
  }
  VirtualPad& Attach() { return *pads.emplace_back(std::make_unique<VirtualPad>()); }
  // One frame as the engine runs it; the check runs where scripts would.
  template <typename Check>
  void Frame(Check check) {
    system.PreUpdate(0.016f);
    check();
    system.LateUpdate(0.016f);
  }
  void Frame() {
    Frame([] {});
  }

  GamePadSystem system{nullptr};
  GamePadDevice& device = GamePadDevice::GetInstance();
  std::vector<std::unique_ptr<VirtualPad>> pads;
};

TEST_F(GamePadTest, NothingAttachedReadsDisconnectedAndIdle) {
  Frame([&] {
    EXPECT_EQ(device.NumOfConnected(), 0);
    EXPECT_FALSE(device.IsConnected(0));
    EXPECT_FALSE(device.IsButtonHeld(0, kA));
    EXPECT_FALSE(device.IsButtonDown(0, kA));
    EXPECT_FALSE(device.IsButtonUp(0, kA));
    EXPECT_TRUE(device.GetLThumbNeutral(0));
  });
}

TEST_F(GamePadTest, PressIsDownInOneFrameHeldAfterAndUpInOneFrame) {
  VirtualPad& pad = Attach();
  Frame();
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  struct Expect {
    bool down, held, up;
  };
  std::vector<Expect> seen;
  auto record = [&] {
    seen.push_back({device.IsButtonDown(0, kA), device.IsButtonHeld(0, kA), device.IsButtonUp(0, kA)});
  };
  Frame(record);
  Frame(record);
  Frame(record);
  pad.Button(SDL_CONTROLLER_BUTTON_A, false);
  Frame(record);
  Frame(record);
  const Expect want[] = {{true, true, false}, {false, true, false}, {false, true, false},
                         {false, false, true}, {false, false, false}};
  ASSERT_EQ(seen.size(), std::size(want));
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].down, want[i].down) << "frame " << i;
    EXPECT_EQ(seen[i].held, want[i].held) << "frame " << i;
    EXPECT_EQ(seen[i].up, want[i].up) << "frame " << i;
  }
}

TEST_F(GamePadTest, ScriptSettingButtonStateEndsThePressReportEarly) {
  VirtualPad& pad = Attach();
  Frame();
  pad.Button(SDL_CONTROLLER_BUTTON_B, true);
  Frame([&] {
    EXPECT_TRUE(device.IsButtonDown(0, kB));
    device.SetButtonState(0);
    EXPECT_FALSE(device.IsButtonDown(0, kB));
    EXPECT_TRUE(device.IsButtonHeld(0, kB));
  });
}

TEST_F(GamePadTest, CombinedMaskAnswersForEitherButton) {
  VirtualPad& pad = Attach();
  Frame();
  pad.Button(SDL_CONTROLLER_BUTTON_B, true);
  Frame([&] {
    EXPECT_TRUE(device.IsButtonHeld(0, kA | kB));
    EXPECT_TRUE(device.IsButtonDown(0, kA | kB));
  });
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  // B was already down: pressing A as well is no new press of "A or B".
  Frame([&] {
    EXPECT_FALSE(device.IsButtonDown(0, kA | kB));
    EXPECT_TRUE(device.IsButtonDown(0, kA));
  });
  pad.Button(SDL_CONTROLLER_BUTTON_A, false);
  pad.Button(SDL_CONTROLLER_BUTTON_B, false);
  Frame([&] { EXPECT_TRUE(device.IsButtonUp(0, kA | kB)); });
}

TEST_F(GamePadTest, EveryButtonReachesItsMask) {
  VirtualPad& pad = Attach();
  const struct {
    SDL_GameControllerButton button;
    unsigned mask;
  } buttons[] = {
      {SDL_CONTROLLER_BUTTON_DPAD_UP, 1},        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 2},
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 4},      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 8},
      {SDL_CONTROLLER_BUTTON_START, 16},         {SDL_CONTROLLER_BUTTON_BACK, 32},
      {SDL_CONTROLLER_BUTTON_LEFTSTICK, 64},     {SDL_CONTROLLER_BUTTON_RIGHTSTICK, 128},
      {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 256}, {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 512},
      {SDL_CONTROLLER_BUTTON_A, 4096},           {SDL_CONTROLLER_BUTTON_B, 8192},
      {SDL_CONTROLLER_BUTTON_X, 16384},          {SDL_CONTROLLER_BUTTON_Y, 32768},
  };
  for (const auto& entry : buttons) {
    pad.Button(entry.button, true);
    Frame([&] {
      for (const auto& other : buttons) {
        EXPECT_EQ(device.IsButtonHeld(0, other.mask), other.mask == entry.mask)
            << "pressed " << entry.mask << ", asked " << other.mask;
      }
    });
    pad.Button(entry.button, false);
  }
}

TEST_F(GamePadTest, SticksAndTriggersInTheDesignedRanges) {
  VirtualPad& pad = Attach();
  Frame();  // the library takes the first values it sees as the rest position
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -32768);  // pushed fully up
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  pad.Axis(SDL_CONTROLLER_AXIS_RIGHTY, 32767);  // fully down
  pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
  Frame([&] {
    std::printf("left (%f, %f) right y %f triggers %f %f\n", device.GetLThumbX(0), device.GetLThumbY(0),
                device.GetRThumbY(0), device.GetLTrigger(0), device.GetRTrigger(0));
    EXPECT_NEAR(device.GetLThumbY(0), 1.0, 1e-9);
    EXPECT_NEAR(device.GetLThumbX(0), 1.0, 1e-9);
    EXPECT_NEAR(device.GetRThumbY(0), -1.0, 1e-9);
    EXPECT_DOUBLE_EQ(device.GetLTrigger(0), 1.0);
    EXPECT_DOUBLE_EQ(device.GetRTrigger(0), 0.0);
    EXPECT_FALSE(device.GetLThumbNeutral(0));
  });
}

TEST_F(GamePadTest, ThumbNeutralZonesEndAtTheirEdges) {
  VirtualPad& pad = Attach();
  const struct {
    Sint16 x, y;
    bool leftNeutral, rightNeutral;
  } cases[] = {
      {0, 0, true, true},         {7849, -7849, true, true},   {7850, 0, false, true},
      {0, -7850, false, true},    {8689, -8689, false, true},  {8690, 0, false, false},
      {-8689, 8689, false, true}, {0, -8690, false, false},
  };
  Frame();
  for (const auto& c : cases) {
    // The library's Y grows downwards; the pad's grows upwards.
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, c.x);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, static_cast<Sint16>(-c.y));
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTX, c.x);
    pad.Axis(SDL_CONTROLLER_AXIS_RIGHTY, static_cast<Sint16>(-c.y));
    Frame([&] {
      EXPECT_EQ(device.GetLThumbNeutral(0), c.leftNeutral) << c.x << "," << c.y;
      EXPECT_EQ(device.GetRThumbNeutral(0), c.rightNeutral) << c.x << "," << c.y;
    });
  }
}

TEST_F(GamePadTest, FourSlotsInConnectionOrderAndAFifthIndexReadsDisconnected) {
  for (int i = 0; i < 5; ++i) Attach();
  pads[1]->Button(SDL_CONTROLLER_BUTTON_A, true);
  pads[4]->Button(SDL_CONTROLLER_BUTTON_A, true);
  Frame([&] {
    EXPECT_EQ(device.NumOfConnected(), 4);
    EXPECT_FALSE(device.IsButtonHeld(0, kA));
    EXPECT_TRUE(device.IsButtonHeld(1, kA));
    for (int pad : {4, 5, -1}) {
      EXPECT_FALSE(device.IsConnected(pad)) << pad;
      EXPECT_FALSE(device.IsButtonHeld(pad, kA)) << pad;
      EXPECT_FALSE(device.IsButtonDown(pad, kA)) << pad;
      EXPECT_FALSE(device.SetRumble(pad, 1.0f, 1.0f)) << pad;
      EXPECT_EQ(device.GetLThumbX(pad), 0.0) << pad;
    }
  });
  // The unplugged second pad's slot goes to the pad that was waiting.
  pads.erase(pads.begin() + 1);
  Frame([&] {
    EXPECT_EQ(device.NumOfConnected(), 4);
    EXPECT_TRUE(device.IsButtonHeld(1, kA));
  });
}

// A pad pulled out with a button held and the stick pushed must not leave
// them held: its slot reads as an idle pad, and the release is reported once.
TEST_F(GamePadTest, UnpluggedPadLeavesNothingHeld) {
  VirtualPad& pad = Attach();
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 30000);
  Frame([&] { EXPECT_TRUE(device.IsButtonHeld(0, kA)); });
  pads.clear();
  Frame([&] {
    EXPECT_FALSE(device.IsConnected(0));
    EXPECT_FALSE(device.IsButtonHeld(0, kA));
    EXPECT_TRUE(device.IsButtonUp(0, kA));
    EXPECT_TRUE(device.GetLThumbNeutral(0));
    EXPECT_EQ(device.GetLThumbX(0), 0.0);
  });
  Frame([&] { EXPECT_FALSE(device.IsButtonUp(0, kA)); });
}

TEST_F(GamePadTest, RumbleSpeedsAreClampedAndAbsentPadsReadDisconnected) {
  VirtualPad& pad = Attach();
  Frame();
  const struct {
    float left, right;
    Uint16 low, high;
  } cases[] = {
      {0.5f, 1.0f, 32767, 65535},
      {2.0f, -1.0f, 65535, 0},
      {0.25f, 0.0f, 16383, 0},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(device.SetRumble(0, c.left, c.right));
    EXPECT_EQ(pad.rumble.first, c.low) << c.left;
    EXPECT_EQ(pad.rumble.second, c.high) << c.right;
  }
  device.ResetAllRumble();
  EXPECT_EQ(pad.rumble, (std::pair<Uint16, Uint16>{0, 0}));
  EXPECT_TRUE(device.IsConnected(0));
  EXPECT_FALSE(device.SetRumble(1, 0.5f, 0.5f));
  EXPECT_FALSE(device.IsConnected(1));
}

// At exit the windowing layer shuts SDL down before the device, a
// process-wide object, stops the motors.
TEST_F(GamePadTest, StoppingMotorsAfterShutdownTouchesNoOldPad) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  ASSERT_GE(SDL_JoystickAttachVirtualEx(&desc), 0);
  Frame([&] { EXPECT_TRUE(device.IsConnected(0)); });
  SDL_Quit();
  device.ResetAllRumble();
  EXPECT_FALSE(device.IsConnected(0));
  EXPECT_EQ(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u) << "the motors' reset started the pads again";
  // The next frame's read starts them as usual.
  Frame([&] { EXPECT_EQ(device.NumOfConnected(), 0); });
  EXPECT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
}

TEST_F(GamePadTest, ConstantsAreTheButtonMasksInOrder) {
  const auto constants = GamePadDevice::ScriptConstants();
  ASSERT_EQ(constants.size(), 14u);
  unsigned seen = 0;
  for (const auto& c : constants) {
    EXPECT_EQ(c.value & (c.value - 1), 0) << c.name << " is one button";
    seen |= static_cast<unsigned>(c.value);
  }
  EXPECT_EQ(seen, 0xF3FFu);
  EXPECT_STREQ(constants[0].name, "GAMEPAD_DPAD_UP");
  EXPECT_STREQ(constants[10].name, "GAMEPAD_A");
  EXPECT_EQ(constants[10].value, 4096);
  EXPECT_STREQ(constants[13].name, "GAMEPAD_Y");
}

}  // namespace
}  // namespace Orv
