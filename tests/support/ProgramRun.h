#pragma once
// Runs the real program in a content folder of the test's own, the way a user
// would: its own config/, data/, res/ and shaders/, under an X server of the
// run's own (unless the options name a DISPLAY).
#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/Screenshot.h"

namespace OrvTest {

// A whole file as it is on disk (empty when there is none), and one written
// whole, with its folders; for files outside a content folder, such as the
// per-user folder's saves.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

// A temporary folder, removed when the test ends.
class ContentFolder {
 public:
  ContentFolder();
  ~ContentFolder();
  ContentFolder(const ContentFolder&) = delete;
  ContentFolder& operator=(const ContentFolder&) = delete;

  // Writes text to a file below the folder, creating its folders.
  void Write(const std::string& relativePath, const std::string& text) const;
  void WriteConfig(const std::string& json) const { Write("config/config.ini", json); }
  // Copies a file (for example from the source tree's game/) below the folder.
  void Copy(const std::string& sourcePath, const std::string& relativePath) const;
  // Copies every file below sourceFolder to the same place below the folder.
  void CopyTree(const std::string& sourceFolder) const;
  std::string Read(const std::string& relativePath) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// An X server of the run's own, stopped with its owner. A window that loses
// the focus pauses the engine, and on a display shared with other programs
// under test windows take the focus from one another. Started as test.sh
// starts its own (scripts/start-xvfb.sh): a slow start is waited for, a
// server that died is started again, and a failed start's words go to
// standard error.
class PrivateDisplay {
 public:
  PrivateDisplay();
  ~PrivateDisplay();
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;

  // ":" and the display number; empty when the server did not start.
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// Something to do while the program runs: once stdout holds the text (or at
// once when it is empty), then frames more lines holding frameText (a line the
// scene prints every frame), and the delay has passed, the action gets the pid.
// A trigger marked afterPrevious waits for the one before it: its text is
// looked for from the start of that one's action, its frames are counted from
// after the action returned. A busy machine can take any time between two
// frames, so a screenshot waits for frames drawn rather than for seconds.
struct Trigger {
  std::string whenStdoutHas;
  double afterSeconds = 0.0;
  std::function<void(pid_t)> action;
  int frames = 0;
  std::string frameText = {};
  bool afterPrevious = false;
  // whenStdoutHas is looked for in standard error instead.
  bool onStderr = false;
  // Also waits, after the text and frames, until a window of exactly this
  // title is on the run's display; the wait says so when it is long.
  std::string whenWindowShows = {};
};

// Waits, in a trigger's action, until done() holds: true then. What it waits
// on (the program, its window, a process of its own) may take any time on a
// busy machine, so there is no limit of its own: after 10 s it says once on
// standard error what it is waiting for, and it gives up (false) only when
// the program under test has exited (unless whileProgramRuns is false, for a
// wait on what outlives the program) or the run's own time limit has passed.
// Outside a run it waits up to a run's default limit. done() is asked every
// 50 ms.
bool WaitUntil(const std::string& what, const std::function<bool()>& done, bool whileProgramRuns = true);

// The screen grabbed with the program held still (SIGSTOP) meanwhile: the
// grab shows one moment however long it takes, and the program's next step
// after it is no longer than its longest step.
Screenshot GrabHeld(pid_t pid);

// SIGTERM once a window of that title is on the run's display and the delay
// has passed, for a program that prints nothing to wait for: before its window
// the program may not yet have the handler that reads the signal as a quit.
Trigger TerminateOnceWindowShows(const std::string& title, double afterSeconds = 0.0);

// Acts once text has been printed and then `frames` frames have passed, each
// marked by a line holding frameText; by default it follows the trigger
// before it.
Trigger AfterFrames(const std::string& text, int frames, const std::string& frameText,
                    std::function<void(pid_t)> action, bool afterPrevious = true);

// Once text has been printed, finds the window of that title (found says
// whether it showed, left and top where) and moves the pointer to (parkX,
// parkY) in it: the game draws its cursor at the pointer, which the samples
// must miss.
Trigger FindWindowAndParkPointer(const std::string& text, const std::string& title, int parkX, int parkY, int& left,
                                 int& top, bool& found);

struct RunOptions {
  // Generous: a sanitized build on a busy machine starts and runs many times
  // slower than alone.
  double timeoutSeconds = 90.0;
  std::vector<Trigger> triggers;
  // Extra or replaced environment variables; an empty value unsets one.
  std::vector<std::pair<std::string, std::string>> env;
};

struct RunResult {
  int exitCode = -1;  // -1 when the program died of a signal
  int signal = 0;
  bool timedOut = false;
  std::string out;
  std::string err;
};

RunResult RunOrv(const ContentFolder& folder, const RunOptions& options = {});
// The same for another program built for the tests.
RunResult RunProgram(const std::string& executable, const ContentFolder& folder, const RunOptions& options = {});

// The check every program run gets: it ended by itself (no time-out, no
// signal) with the expected exit code and without a sanitizer report. On
// failure the message shows what the program printed.
::testing::AssertionResult RanCleanly(const RunResult& run, int exitCode = 0);

// The action most tests need: SIGTERM, which the program reads as a quit.
Trigger TerminateWhen(const std::string& stdoutText, double afterSeconds = 0.0);

// Runs a shell command (xdotool, for instance) and returns its standard output;
// during a run it reaches the run's display.
std::string Shell(const std::string& command);

// A content folder's config with the common keys.
std::string ConfigJson(int width, int height, const std::string& title, int fps, int debug);

// (type name, script text) and (type name, id) pairs.
using ScriptedTypes = std::vector<std::pair<std::string, std::string>>;
using SpawnList = std::vector<std::pair<std::string, int>>;

// A scene of scripted object types: a 320x200 window at debug level 1, an empty
// sound list, one blueprint per type with the given components array and its
// script, and the spawn list in order.
void WriteScriptScene(const ContentFolder& folder, const std::string& title, const ScriptedTypes& types,
                      const SpawnList& spawn, const std::string& components = "[]");

// A spawn list entry of that type and id that places its object's collision
// at (x, y), written to the hundredth; and a spawn list of entries in order.
std::string SpawnAt(const std::string& type, int id, double x, double y);
void WriteSpawnList(const ContentFolder& folder, const std::vector<std::string>& entries);

// Lua for a scene that moves in stages the test releases: Enter(n) prints
// "stage n" at once (the test times its screenshots by it), and Released() is
// true once the test has written the file "next <stage>" into the folder.
extern const char* const kStagesLua;

// A file of tests/resources/data/, to copy into a content folder.
std::string DataPath(const std::string& name);

// How often part occurs in text.
std::size_t Count(const std::string& text, const std::string& part);
// The lines of text that start with prefix, in order.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix);

}  // namespace OrvTest
