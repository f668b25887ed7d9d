// The keyboard, mouse, gamepad and sound functions as scripts meet them in
// the real program.
#include <gtest/gtest.h>

#include <signal.h>

#include <utility>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// A content folder with one scripted object of type Probe running script.
void WriteProbe(const ContentFolder& folder, const std::string& script) {
  folder.WriteConfig(ConfigJson(320, 200, "InputProbe", 60, -1));
  folder.Write("data/gameobjects/Probe.txt",
               R"({"name":"Probe","id":1,"components":[{"type":"transform","data":[]}]})");
  folder.Write("data/scripts/Probe.lua", script);
  folder.Write("data/summoner.ini", R"({"spawn":[{"name":"Probe","id":1,"params":{}}]})");
}

}  // namespace

TEST(InputScriptProgram, ConstantsAndPadFunctionsReachTheScript) {
  ContentFolder folder;
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  WriteProbe(folder,
             "function Init()\n"
             "  print('keys', KB_SPACE, KB_A, KB_LEFT, KB_F10, MOUSE_RIGHT)\n"
             "  print('pads', GAMEPAD_A, GAMEPAD_Y, GAMEPAD_LEFT_SHOULDER, IsConnected(0), IsConnected(9),\n"
             "        NumOfConnected(), GetLThumbX(0), IsButtonHeld(0, GAMEPAD_A))\n"
             "  print('keyboard', IsKeyPressed(KB_A), IsKeyReleased(KB_SPACE), IsMouseReleased(-1))\n"
             "  local cursor = GetWindowCursor()\n"
             "  print('cursor', type(cursor), type(cursor.x), type(cursor.y))\n"
             "  print('sound', GetMuteAll(), type(QueueSound))\n"
             "  print(pcall(function() return IsConnected('0') end))\n"
             "end\n");
  RunOptions options;
  options.triggers.push_back(TerminateWhen("(bad argument)\n", 0.1));
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  for (const char* line :
       {"keys\t32\t65\t37\t121\t2\n", "pads\t4096\t32768\t256\tfalse\tfalse\t0\t0\tfalse\n",
        "keyboard\tfalse\tfalse\tfalse\n", "cursor\ttable\tnumber\tnumber\n", "sound\tfalse\tfunction\n",
        "false\tdata/scripts/Probe.lua:9: bad argument #1 to 'IsConnected' (bad argument)\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\nin:\n" << run.out;
  }
}

TEST(InputScriptProgram, QueuedSoundIsMixedIntoTheOutput) {
  ContentFolder folder;
  folder.Copy(std::string(ORV_SOURCE_DIR) + "/game/res/audio/blip.wav", "res/audio/blip.wav");
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[{"id":"blip","filename":"blip.wav","soundtype":"sfxgame"}]})");
  // The sound plays from the next update on; the run ends once frames have
  // gone by, however slowly the machine starts.
  WriteProbe(folder,
             "n = 0\n"
             "function Init() QueueSound('blip') print('queued') end\n"
             "function Update(dt) n = n + 1 if n == 20 then print('played on') end end\n");
  RunOptions options;
  const std::string output = folder.Path() + "/mixed.raw";
  options.env = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", output}};
  // The silence before the first update lasts as long as the start does, so
  // the sound is counted in bytes, not as a share of the file; the run ends
  // once a fifth of the 0.12 s blip (about 21 kB at 44.1 kHz stereo) is
  // written, however slowly the mixer gets there.
  const std::size_t enough = 4000;
  const auto loudBytes = [&output] {
    const std::string samples = ReadFile(output);
    std::size_t loud = 0;
    for (char byte : samples) loud += byte != 0 ? 1 : 0;
    return std::pair{samples.size(), loud};
  };
  options.triggers.push_back({"played on", 0.0, [&](pid_t pid) {
                                WaitUntil("the queued sound in the mixed output",
                                          [&] { return loudBytes().second >= enough; });
                                kill(pid, SIGTERM);
                              }});
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  const auto [size, loud] = loudBytes();
  ASSERT_GT(size, 0u) << "the disk driver wrote nothing";
  EXPECT_GE(loud, enough) << "the queued sound never reached the mix";
}

TEST(InputScriptProgram, ScriptsSeeKeysAndTheCursorFromTheWindow) {
  ContentFolder folder;
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  WriteProbe(folder,
             "frames, holding, lastX, lastY = 0, false, -1, -1\n"
             "function Update(dt)\n"
             "  frames = frames + 1\n"
             "  if frames == 10 then print('ready') end\n"
             "  if IsKeyReleased(KB_SPACE) then print('space released') end\n"
             "  if IsKeyPressed(KB_A) ~= holding then holding = not holding print('a', holding) end\n"
             "  local cursor = GetWindowCursor()\n"
             "  if cursor.x ~= lastX or cursor.y ~= lastY then lastX, lastY = cursor.x, cursor.y end\n"
             "  if frames > 10 and lastX == 161 and lastY == 101 then print('cursor', lastX, lastY) Shutdown() end\n"
             "end\n");
  std::string window;
  const auto xdo = [&](const std::string& args) { Shell("xdotool " + args + " >/dev/null 2>&1"); };
  RunOptions options;
  options.triggers.push_back({"ready\n", 0.0, [&](pid_t) {
                                window = Shell("xdotool search --name '^InputProbe$' | head -n1");
                                window.erase(window.find_last_not_of("\n") + 1);
                                xdo("key --window " + window + " space");
                              }});
  options.triggers.push_back({"space released\n", 0.3, [&](pid_t) { xdo("keydown --window " + window + " a"); }});
  options.triggers.push_back({"a\ttrue\n", 0.3, [&](pid_t) { xdo("keyup --window " + window + " a"); }});
  // Logical 320x200 over a client area of the same size: pixel 161 reads 161.
  options.triggers.push_back({"a\tfalse\n", 0.1, [&](pid_t) { xdo("mousemove --window " + window + " 161 101"); }});
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run));
  std::size_t released = 0;
  for (std::size_t at = run.out.find("space released\n"); at != std::string::npos;
       at = run.out.find("space released\n", at + 1)) {
    ++released;
  }
  EXPECT_EQ(released, 1u) << "a release is seen in exactly one Update\n" << run.out;
  const std::size_t down = run.out.find("a\ttrue\n");
  EXPECT_NE(down, std::string::npos);
  EXPECT_NE(run.out.find("a\tfalse\n", down), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("cursor\t161\t101\n"), std::string::npos) << run.out;
}
