// Collider outlines, a front particle burst, a fade to black and the cursor
// over it, seen on the real program's window.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

using Rgb = std::array<int, 3>;

// 16 x 16 white.
std::string WhiteImage() {
  std::string image = "P6\n16 16\n255\n";
  image.append(16 * 16 * 3, static_cast<char>(255));
  return image;
}

// Lines on half pixels spread over two rows at half strength.
bool IsRed(const Rgb& c) { return c[0] > 80 && c[1] < 40 && c[2] < 40; }
bool IsWhite(const Rgb& c) { return c[0] > 200 && c[1] > 200 && c[2] > 200; }
bool IsBlack(const Rgb& c) { return c[0] < 30 && c[1] < 30 && c[2] < 30; }

// Lines are one pixel wide: look in the 3 x 3 block around the point.
template <typename Test>
bool AnyNear(const Screenshot& shot, int x, int y, Test&& test) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (test(shot.At(x + dx, y + dy))) return true;
    }
  }
  return false;
}

// Steps: a burst, held still by the engine's pause once it has flown 2 s
// or a frame more (the line says how long), with
// the collider outlines, until the test has looked and written "next burst"
// (each frame drawn meanwhile says "held"); then a 4 s fade to black, with a
// line each frame and a mark every 0.5 s of it; once the fade has ended, the
// white sprite goes.
const char* kDirector = R"(
local t = 0
local stage = 0
local fadeTime = 0
local marks = 0
local firstFrame = 0
local function Say(text)
  print(text)
  io.stdout:flush()
end
-- Scripts do not run while the engine is paused; drawing does.
function Render()
  if stage == 2 then
    Say("held")
    local file = io.open("next burst")
    if file then
      file:close()
      stage = 3
      PauseEngineDeactivate()
    end
  end
end
function Update(dt)
  if stage == 0 then
    SetEnableLighting(false)
    CreateFrontCircleTexParticles("white", 1, 0, 30, 1, 8, {x = -100, y = 0, speed = 8, scaleX = 4, scaleY = 4})
    -- The particles move after the scripts, this frame too.
    t = dt
    stage = 1
    return
  end
  if stage == 1 then
    -- Paused before they move again: they have flown t seconds.
    if t >= 2 then
      stage = 2
      PauseEngineActivate()
      Say(string.format("burst after %.4f", t))
    else
      t = t + dt
    end
  elseif stage == 3 then
    StartTransition(FADE_TO_BLACK_LINEAR, 7, 4.0)
    firstFrame = dt
    stage = 4
    Say("fade 0")
  elseif stage == 4 then
    -- First, so that a mark's frame is on the screen once a later line says so.
    Say("fading")
    fadeTime = fadeTime + dt
    if IsTransitionEnd(7) then
      RemoveAllGameObjectsOfType(20)
      stage = 5
      Say(string.format("fade ended after %.3f, frames %.3f %.3f", fadeTime, firstFrame, dt))
      return
    end
    -- Asked every frame while it runs: it must not stack a second fade.
    StartUniqueTransition(FADE_TO_BLACK_LINEAR, 7, 4.0)
    if marks < 5 and fadeTime >= 0.5 * (marks + 1) then
      marks = marks + 1
      Say("fade " .. marks)
    end
  end
end
)";

}  // namespace

TEST(EffectsProgram, OutlinesBurstFadeAndCursorOnScreen) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvEffects", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/textures/white.ppm", WhiteImage());
  folder.Write("res/textures/white.pack", R"({"file":"white.ppm","frames":[
    {"id":"white","x":0,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/test.anim", R"({"white":["white"]})");
  const auto collider = [](const std::string& type, int id, const std::string& shape) {
    return R"({"name":")" + type + R"(","id":)" + std::to_string(id) +
           R"(,"components":[{"type":"transform","data":[]},{"type":"collision","data":[)" + shape + "]}]}";
  };
  // World (0, 0) is the middle of the window: the white sprite covers
  // (120..200, 60..140), the box (250..290, 30..50), the ring is centred
  // on (270, 150) and the burst on (60, 100).
  const std::pair<std::string, std::string> types[] = {
      {"White", R"({"name":"White","id":20,"components":[{"type":"transform","data":[0.0,0.0,0.0,5.0,5.0]},)"
                R"({"type":"spriteanim","data":[{"textureid":"white","layer":2}]}]})"},
      {"Box",
       collider("Box", 30, R"({"Collider_Type":"AABB","pos x":110.0,"pos y":-60.0,"width":40.0,"height":20.0})")},
      {"Ring", collider("Ring", 31, R"({"Collider_Type":"Circle","pos x":110.0,"pos y":50.0,"radius":20.0})")},
      // No collider: the type name is not known.
      {"Odd", collider("Odd", 32, R"({"Collider_Type":"Capsule"})")},
      {"Director", R"({"name":"Director","id":1,"components":[{"type":"renderable","data":[2]},)"
                   R"({"type":"script","data":[]}]})"},
  };
  for (const auto& [type, blueprint] : types) folder.Write("data/gameobjects/" + type + ".txt", blueprint);
  folder.Write("data/scripts/Director.lua", kDirector);
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"White","id":20,"params":{}},
    {"name":"Box","id":30,"params":{}},{"name":"Ring","id":31,"params":{}},{"name":"Odd","id":32,"params":{}},
    {"name":"Director","id":1,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot burst, fades[5];
  RunOptions options;
  options.timeoutSeconds = 60.0;
  options.triggers.push_back({"burst after ", 0.0, [&](pid_t) {
                                found = WindowPosition("OrvEffects", left, top);
                                // The game's cursor: an orange disc on the white sprite.
                                Shell("xdotool mousemove --sync " + std::to_string(left + 160) + " " +
                                      std::to_string(top + 120));
                              }});
  // The pause holds the scene: once a held frame has been drawn after the
  // one that paused (a frame is on the screen when the next one starts), the
  // screen shows the held burst.
  options.triggers.push_back(AfterFrames("", 2, "held\n", [&](pid_t) {
    burst = GrabScreen();
    folder.Write("next burst", "");
  }));
  // Each mark's frame is on the screen once the next frame has begun. The
  // fade goes on while a grab is made, which may take long on a busy
  // machine: the program is held still meanwhile, so each shot shows the
  // fade just after its mark.
  for (int i = 1; i <= 5; ++i) {
    options.triggers.push_back(AfterFrames(
        "fade " + std::to_string(i) + "\n", 1, "fading\n", [&, i](pid_t pid) { fades[i - 1] = GrabHeld(pid); }, false));
  }
  options.triggers.push_back(TerminateWhen("fade ended", 0.2));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvEffects";
  ASSERT_TRUE(burst.error.empty()) << burst.error;

  // The box: red on its four sides and corners, dark inside and outside.
  const auto at = [&](const Screenshot& shot, int x, int y) { return shot.At(left + x, top + y); };
  for (const auto& [x, y] : {std::pair{270, 30}, {270, 50}, {250, 40}, {290, 40}, {250, 30}, {290, 50}}) {
    EXPECT_TRUE(AnyNear(burst, left + x, top + y, IsRed))
        << "box edge at " << x << "," << y << " " << Text(at(burst, x, y));
  }
  for (const auto& [x, y] : {std::pair{270, 40}, {270, 24}, {244, 40}, {296, 40}}) {
    EXPECT_TRUE(IsBlack(at(burst, x, y))) << "off the box at " << x << "," << y << " " << Text(at(burst, x, y));
  }
  // The ring: red at 0, 90 and 45 degrees, nothing at the corner of its square.
  for (const auto& [x, y] : {std::pair{290, 150}, {270, 130}, {250, 150}, {284, 136}, {256, 164}}) {
    EXPECT_TRUE(AnyNear(burst, left + x, top + y, IsRed))
        << "ring at " << x << "," << y << " " << Text(at(burst, x, y));
  }
  for (const auto& [x, y] : {std::pair{289, 131}, {251, 169}, {270, 150}}) {
    EXPECT_FALSE(AnyNear(burst, left + x, top + y, IsRed)) << "not on the ring at " << x << "," << y;
  }

  // The burst: the blob on the +x ray gives the radius, 8 pixels for each
  // second of flight; seven more lie on that circle 45 degrees apart, with
  // dark gaps between them.
  const auto flown = LinesStartingWith(run.out, "burst after ");
  ASSERT_EQ(flown.size(), 1u) << run.out;
  const double expected = 8 * std::stod(flown[0].substr(12));
  ASSERT_LT(expected, 50.0) << "a frame of seconds carried the burst off its place";
  int first = -1, last = -1;
  for (int x = 64; x < 116; ++x) {
    if (IsWhite(at(burst, x, 100))) {
      if (first < 0) first = x;
      last = x;
    } else if (first >= 0) {
      break;
    }
  }
  ASSERT_GE(first, 0) << "no particle right of the burst's centre";
  const double radius = (first + last) / 2.0 - 60.0;
  std::printf("burst radius %.1f, expected %.1f\n", radius, expected);
  EXPECT_NEAR(radius, expected, 1.5);
  for (int k = 0; k < 16; ++k) {
    const double angle = k * 22.5 * 3.14159265358979 / 180.0;
    const int x = static_cast<int>(std::lround(60 + radius * std::cos(angle)));
    const int y = static_cast<int>(std::lround(100 + radius * std::sin(angle)));
    if (k % 2 == 0) {
      EXPECT_TRUE(AnyNear(burst, left + x, top + y, IsWhite)) << "no blob at " << k * 22.5 << " degrees";
    } else if (radius > 12.0) {
      EXPECT_TRUE(IsBlack(at(burst, x, y))) << "a blob between two at " << k * 22.5 << " degrees";
    }
  }

  // The fade: the sprite darkens shot by shot; the cursor stays orange. A
  // shot is taken once its mark was printed, at any later moment: at mark i
  // the fade has run at least 0.5 i s of its 4, so the grey is at most that
  // far from white, and never lighter than the shot before.
  EXPECT_TRUE(IsWhite(at(burst, 175, 80))) << Text(at(burst, 175, 80));
  int previous = 255, greys = 0;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(fades[i].error.empty()) << fades[i].error;
    const Rgb seen = at(fades[i], 175, 80);
    std::printf("fade shot %d: %s\n", i + 1, Text(seen).c_str());
    EXPECT_EQ(seen[0], seen[2]) << "a grey, not a tint: " << Text(seen);
    EXPECT_LE(seen[0], previous + 2) << "shot " << i + 1 << ": " << Text(seen);
    EXPECT_LE(seen[0], 255 * (1 - 0.5 * (i + 1) / 4.0) + 4) << "shot " << i + 1 << ": " << Text(seen);
    if (seen[0] > 30 && seen[0] < 225) ++greys;
    previous = seen[0];
    const Rgb cursor = at(fades[i], 160, 120);
    EXPECT_TRUE(cursor[0] > 200 && cursor[1] > 90 && cursor[1] < 170 && cursor[2] < 90)
        << "cursor in shot " << i + 1 << ": " << Text(cursor);
  }
  EXPECT_GT(greys, 0) << "a fade, not a cut to black";

  // IsTransitionEnd turned true once the four seconds had run (the fade may
  // count the frame that started it), and the fade ended at all: a start
  // asked for every frame that stacked fades would keep one running.
  const auto ended = LinesStartingWith(run.out, "fade ended after ");
  ASSERT_EQ(ended.size(), 1u) << run.out;
  double after = 0, firstFrame = 0, lastFrame = 0;
  ASSERT_EQ(std::sscanf(ended[0].c_str(), "fade ended after %lf, frames %lf %lf", &after, &firstFrame, &lastFrame), 3)
      << ended[0];
  std::printf("%s\n", ended[0].c_str());
  EXPECT_GE(after, 4.0 - firstFrame - 0.01);
  EXPECT_LE(after, 4.0 + lastFrame + 1.0);
}

namespace {

// 64 x 16: green, grey, blue and white 16-pixel squares.
std::string LevelSheet() {
  const Rgb squares[] = {{0, 255, 0}, {128, 128, 128}, {0, 0, 255}, {255, 255, 255}};
  std::string image = "P6\n64 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 64; ++x) {
      for (int channel : squares[x / 16]) image += static_cast<char>(channel);
    }
  }
  return image;
}

// A 5 x 4 map of 32-pixel cells from window (144, 84), a wall in column 2
// (x 208..240, y 84..148) whose shadow from the lamp in the middle falls to
// its right. Single particles stand still in and out of the shadow; a
// white square with a trail crosses the lit floor at 20 pixels a second.
const char* kLevelWithEffects = R"(
local started = false
function Init()
  CreateNewTileMap(1, 5, 4)
  SetWriteLayer(0)
  SetWriteValue(46)
  FillValue(0, 0)
  SetWriteValue(35)
  WriteValue(64, 0)
  WriteValue(64, 32)
  SetWriteLayer(1)
  SetWriteValue(1)
  WriteValue(64, 0)
  WriteValue(64, 32)
  EnableTileMapShadows(1, true)
end
local function One(create, x, y)
  create("white", 1, 0, 100, 1, 1, {x = x, y = y, scaleX = 6, scaleY = 6})
end
function Update(dt)
  if not started then
    SetEnableLighting(false)
    One(CreateBackCircleTexParticles, 114, 0)
    One(CreateBackCircleTexParticles, 30, 10)
    One(CreateBackCircleTexParticles, 64, 30)
    One(CreateFrontCircleTexParticles, 120, 70)
    One(CreateFrontCircleTexParticles, 64, 15)
    started = true
  end
end
)";

// The trail fades by the frames' own lengths, so the mover tells when to
// look by the same clock: from then on it has more than a second of ribbon
// behind it on lit floor for almost three seconds. It prints each frame's
// length: the ribbon is laid a frame at a time.
const char* kMover = R"(
local t = -1
local frames = 0
function Update(dt)
  -- The first frames are the long ones of the start.
  frames = frames + 1
  if frames < 5 then return end
  if t < 0 then
    EnableTrailingEffect(true, 0.02, 3, "", 1)
    t = 0
    print("trail on")
    io.stdout:flush()
  end
  t = t + dt
  local x = math.min(-10 + 20 * t, 85)
  SetPos(x, 90)
  print(string.format("mover at %.3f, frame %.4f", x, dt))
  if x >= 28 and not told then
    told = true
    print("look")
    io.stdout:flush()
  end
end
)";

}  // namespace

TEST(EffectsProgram, ParticlesAroundTheShadowsAndAFadingTrailOnScreen) {
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 200, "OrvTrails", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("res/textures/tiles.ppm", LevelSheet());
  folder.Write("res/textures/tiles.pack", R"({"file":"tiles.ppm","frames":[
    {"id":"green","x":0,"y":0,"sizeX":16,"sizeY":16},
    {"id":"grey","x":16,"y":0,"sizeX":16,"sizeY":16},
    {"id":"blue","x":32,"y":0,"sizeX":16,"sizeY":16},
    {"id":"white","x":48,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/test.anim", R"({"white":["white"]})");
  folder.Write("res/textures/floor.tileset",
               R"({"name":"floor","mapping":[{"id":46,"texture":"green"},{"id":35,"texture":"grey"}]})");
  folder.Write("data/gameobjects/Level.txt", R"({"name":"Level","id":1,"components":[
    {"type":"transform","data":[]},
    {"type":"tilemap","data":[{"tilemapid":1,"tilewidth":32,"tileheight":32,"tileset":"floor"}]},
    {"type":"renderable","data":[2]},{"type":"script","data":[]}]})");
  folder.Write("data/gameobjects/Lamp.txt", R"({"name":"Lamp","id":2,"components":[
    {"type":"transform","data":[]},{"type":"light","data":[{"intensity":300.0,"shadowcast":1}]}]})");
  folder.Write("data/gameobjects/Mover.txt", R"({"name":"Mover","id":3,"components":[
    {"type":"transform","data":[0.0,0.0,0.0,0.5,0.5]},
    {"type":"collision","data":[{"Collider_Type":"AABB","pos x":-10.0,"pos y":90.0,"width":2.0,"height":2.0}]},
    {"type":"spriteanim","data":[{"textureid":"white","layer":2}]},{"type":"script","data":[]}]})");
  folder.Write("data/scripts/Level.lua", kLevelWithEffects);
  folder.Write("data/scripts/Mover.lua", kMover);
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Lamp","id":2,"params":{}},
    {"name":"Level","id":1,"params":{}},{"name":"Mover","id":3,"params":{}}]})");

  int left = 0, top = 0;
  bool found = false;
  Screenshot shot;
  RunOptions options;
  options.timeoutSeconds = 40.0;
  options.triggers.push_back(FindWindowAndParkPointer("trail on\n", "OrvTrails", 5, 195, left, top, found));
  // Only the shot, once the mover says so and two frames more have shown
  // it: the ribbon changes every frame, so the program is held still while
  // the screen is grabbed, however long that takes.
  options.triggers.push_back(AfterFrames("look\n", 2, "mover at ", [&](pid_t pid) {
    shot = GrabHeld(pid);
    // Where the window is, once it surely stands there.
    found = WindowPosition("OrvTrails", left, top);
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled OrvTrails";
  ASSERT_TRUE(shot.error.empty()) << shot.error;
  const auto at = [&](int x, int y) { return shot.At(left + x, top + y); };

  // Back particles: hidden in the shadow, seen on lit floor, under the wall;
  // front ones over the shadow and over the wall.
  struct Sample {
    const char* what;
    int x, y;
    bool white;
  };
  const Sample samples[] = {{"back in the shadow", 274, 100, false},
                            {"back on the floor", 190, 110, true},
                            {"back under the wall", 224, 130, false},
                            {"front in the shadow", 280, 170, true},
                            {"front over the wall", 224, 115, true}};
  for (const Sample& s : samples) {
    EXPECT_EQ(IsWhite(at(s.x, s.y)), s.white) << s.what << ": " << Text(at(s.x, s.y));
  }
  EXPECT_TRUE(IsBlack(at(280, 100))) << "shadow: " << Text(at(280, 100));
  EXPECT_FALSE(IsBlack(at(224, 140))) << "wall: " << Text(at(224, 140));

  // The trail, white over the green floor: the head is the rightmost white
  // pixel on row 190 (the mover is 8 pixels wide; the shadow starts right
  // of x 248). The ribbon is laid a frame at a time, each piece as old as the
  // time since the mover left its far end: s pixels behind the mover's
  // middle it is at least s / 20 seconds old, and older at most by what one
  // piece spans, less than the sampling interval (0.02 s) and a frame, and
  // by a frame more when the sprite shows where the mover stood a frame
  // before. So its red channel is at most 255 (1 - s / 20) and at least that
  // less 255 times two of the longest frames and the interval; 20 more
  // either way for where the middle is read to a pixel.
  int head = -1;
  for (int x = 248; x > 150 && head < 0; --x) {
    if (IsWhite(at(x, 190))) head = x;
  }
  ASSERT_GT(head, 188) << "the mover is not far enough along";
  // The frames from a second and a bit before the mover said to look.
  std::vector<std::pair<double, double>> frames;
  for (const std::string& line : LinesStartingWith(run.out, "mover at ")) {
    double x = 0, frame = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "mover at %lf, frame %lf", &x, &frame), 2) << line;
    frames.push_back({x, frame});
  }
  const auto looked = std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.first >= 28; });
  ASSERT_NE(looked, frames.end()) << run.out;
  double longest = 0;
  for (const auto& [x, frame] : frames) {
    if (x >= looked->first - 25) longest = std::max(longest, frame);
  }
  const double middle = head - 3.5;
  std::printf("trail head at %d, longest frame %.3f s\n", head, longest);
  for (int s = 6; s <= 26; s += 2) {
    const Rgb seen = at(static_cast<int>(middle - s), 190);
    const double most = 255 * std::max(0.0, 1 - s / 20.0),
                 least = 255 * std::max(0.0, 1 - s / 20.0 - 2 * longest - 0.02);
    std::printf("%d pixels behind: red %d, between %.0f and %.0f\n", s, seen[0], least, most);
    EXPECT_LE(seen[0], most + 20) << s << " pixels behind: " << Text(seen);
    EXPECT_GE(seen[0], least - 20) << s << " pixels behind: " << Text(seen);
    EXPECT_NEAR(seen[0], seen[2], 2) << Text(seen);
    EXPECT_GT(seen[1], 200) << Text(seen);
  }
  // Beside the ribbon (half-width 3), floor.
  EXPECT_LT(at(head - 12, 196)[0], 30) << Text(at(head - 12, 196));
}
