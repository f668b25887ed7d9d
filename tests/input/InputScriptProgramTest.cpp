// The keyboard, mouse, gamepad and sound functions as scripts meet them in
// the real program.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

// A content folder with one scripted object of type Probe running script.
void WriteProbe(const ContentFolder& folder, const std::string& script) {
  folder.WriteConfig(ConfigJson(320, 200, "InputProbe", 60, -1));
  folder.Write("data/gameobjects/Probe.txt", R"({"name":"Probe","id":1,"components":[{"type":"transform","data":[]}]})");
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
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const char* line : {"keys\t32\t65\t37\t121\t2\n", "pads\t4096\t32768\t256\tfalse\tfalse\t0\t0\tfalse\n",
                           "keyboard\tfalse\tfalse\tfalse\n", "cursor\ttable\tnumber\tnumber\n",
                           "sound\tfalse\tfunction\n", "false\tdata/scripts/Probe.lua:9: bad argument #1 to 'IsConnected' (bad argument)\n"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\nin:\n" << run.out;
  }
}

TEST(InputScriptProgram, QueuedSoundIsMixedIntoTheOutput) {
  ContentFolder folder;
  folder.Copy(std::string(ORV_SOURCE_DIR) + "/game/res/audio/blip.wav", "res/audio/blip.wav");
  folder.Write("res/audio/loadaudio.ini",
               R"({"sounds":[{"id":"blip","filename":"blip.wav","soundtype":"sfxgame"}]})");
  WriteProbe(folder, "function Init() QueueSound('blip') print('queued') end\n");
  RunOptions options;
  const std::string output = folder.Path() + "/mixed.raw";
  options.env = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", output}};
  options.triggers.push_back(TerminateWhen("queued", 1.0));
  const RunResult run = RunOrv(folder, options);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::ifstream in(output, std::ios::binary);
  const std::string samples((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(samples.empty()) << "the disk driver wrote nothing";
  std::size_t loud = 0;
  for (char byte : samples) loud += byte != 0 ? 1 : 0;
  EXPECT_GT(loud, samples.size() / 100) << "the queued sound never reached the mix";
}
