#include "support/ProgramRun.h"

#include "support/Screenshot.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace OrvTest {

namespace fs = std::filesystem;

ContentFolder::ContentFolder() {
  char pattern[] = "/tmp/orv-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
  // The program builds its shader programs from shaders/ at start, as the game's
  // own folder has them; a test replaces a file to try a broken one.
  fs::copy(fs::path(ORV_SOURCE_DIR) / "game" / "shaders", fs::path(path_) / "shaders");
}

ContentFolder::~ContentFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

void ContentFolder::Write(const std::string& relativePath, const std::string& text) const {
  const fs::path target = fs::path(path_) / relativePath;
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary);
  out << text;
}

void ContentFolder::Copy(const std::string& sourcePath, const std::string& relativePath) const {
  const fs::path target = fs::path(path_) / relativePath;
  fs::create_directories(target.parent_path());
  fs::copy_file(sourcePath, target, fs::copy_options::overwrite_existing);
}

void ContentFolder::CopyTree(const std::string& sourceFolder) const {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sourceFolder)) {
    if (entry.is_regular_file()) Copy(entry.path().string(), fs::relative(entry.path(), sourceFolder).string());
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string ContentFolder::Read(const std::string& relativePath) const {
  return ReadFile(fs::path(path_) / relativePath);
}

PrivateDisplay::PrivateDisplay() {
  // The script's server outlives the script: as the nearest reaper above it,
  // this process can wait for it to end.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  // Up to what the test's own time limit leaves for the test; what the
  // script says of a slow or failed start goes to the test's standard error.
  FILE* started = popen((std::string(ORV_SOURCE_DIR) + "/scripts/start-xvfb.sh 80").c_str(), "r");
  if (started == nullptr) return;
  long number = -1, pid = -1;
  if (std::fscanf(started, "%ld %ld", &number, &pid) != 2) number = pid = -1;
  pclose(started);
  if (number < 0 || pid <= 0) return;
  pid_ = static_cast<pid_t>(pid);
  name_ = ":" + std::to_string(number);
}

PrivateDisplay::~PrivateDisplay() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

namespace {

using Clock = std::chrono::steady_clock;

// The run under way, for the waits of its triggers' actions.
struct RunUnderWay {
  pid_t pid = -1;
  Clock::time_point ends;
  double limitSeconds = 0.0;
};
std::optional<RunUnderWay> runUnderWay;

// Exited, or reaped already; left for the run to reap.
bool Exited(pid_t pid) {
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return true;
  return info.si_pid == pid;
}

// Says once, when a wait has gone on long, what it waits for.
class LongWait {
 public:
  explicit LongWait(std::string what) : what_(std::move(what)), start_(Clock::now()) {}
  void SayWhenLong() {
    constexpr double kLong = 10.0;
    if (said_ || std::chrono::duration<double>(Clock::now() - start_).count() < kLong) return;
    said_ = true;
    std::string ends = "when the program ends";
    if (runUnderWay) ends += " or the run's " + std::to_string(std::lround(runUnderWay->limitSeconds)) + " s are up";
    std::fprintf(stderr, "Still waiting for %s after %.0f s; the wait ends %s.\n", what_.c_str(), kLong, ends.c_str());
  }

 private:
  std::string what_;
  Clock::time_point start_;
  bool said_ = false;
};

// Mapped, so that it can take the focus and shows on a grab.
bool WindowShows(const std::string& title) {
  return !Shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").empty();
}

// Points this process (and so Shell's xdotool) at a display for one run.
class DisplayScope {
 public:
  explicit DisplayScope(const std::string& display) {
    if (const char* old = std::getenv("DISPLAY")) previous_ = old;
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  }
  ~DisplayScope() {
    if (previous_) {
      setenv("DISPLAY", previous_->c_str(), 1);
    } else {
      unsetenv("DISPLAY");
    }
  }

 private:
  std::optional<std::string> previous_;
};

}  // namespace

::testing::AssertionResult RanCleanly(const RunResult& run, int exitCode) {
  std::string fault;
  if (run.timedOut) {
    fault = "timed out";
  } else if (run.signal != 0) {
    fault = "died of signal " + std::to_string(run.signal);
  } else if (run.exitCode != exitCode) {
    fault = "exit code " + std::to_string(run.exitCode) + ", expected " + std::to_string(exitCode);
  }
  // An address or leak report ends with exit code 1 too, which some runs expect.
  for (const char* report :
       {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "ERROR: UndefinedBehaviorSanitizer", ": runtime error: "}) {
    if (fault.empty() && run.err.find(report) != std::string::npos)
      fault = std::string("stderr has \"") + report + "\"";
  }
  if (fault.empty()) return ::testing::AssertionSuccess();
  // Long outputs keep their ends, where the cause is.
  const auto tail = [](const std::string& text) {
    return text.size() <= 6000 ? text : "..." + text.substr(text.size() - 6000);
  };
  return ::testing::AssertionFailure() << "the program " << fault << "\n--- stdout:\n"
                                       << tail(run.out) << "\n--- stderr:\n"
                                       << tail(run.err);
}

Trigger TerminateWhen(const std::string& stdoutText, double afterSeconds) {
  return {stdoutText, afterSeconds, [](pid_t pid) { kill(pid, SIGTERM); }};
}

Trigger TerminateOnceWindowShows(const std::string& title, double afterSeconds) {
  Trigger trigger = TerminateWhen("", afterSeconds);
  trigger.whenWindowShows = title;
  return trigger;
}

bool WaitUntil(const std::string& what, const std::function<bool()>& done, bool whileProgramRuns) {
  // Outside a run, as long as a run's default limit.
  const Clock::time_point ends = runUnderWay
                                     ? runUnderWay->ends
                                     : Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(RunOptions{}.timeoutSeconds));
  LongWait wait(what);
  while (!done()) {
    if ((whileProgramRuns && runUnderWay && Exited(runUnderWay->pid)) || Clock::now() >= ends) return done();
    wait.SayWhenLong();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

Screenshot GrabHeld(pid_t pid) {
  kill(pid, SIGSTOP);
  Screenshot shot = GrabScreen();
  kill(pid, SIGCONT);
  return shot;
}

Trigger AfterFrames(const std::string& text, int frames, const std::string& frameText,
                    std::function<void(pid_t)> action, bool afterPrevious) {
  return {text, 0.0, std::move(action), frames, frameText, afterPrevious};
}

Trigger FindWindowAndParkPointer(const std::string& text, const std::string& title, int parkX, int parkY, int& left,
                                 int& top, bool& found) {
  return {text, 0.0, [=, &left, &top, &found](pid_t) {
            found = WindowPosition(title, left, top);
            Shell("xdotool mousemove --sync " + std::to_string(left + parkX) + " " + std::to_string(top + parkY));
          }};
}

RunResult RunOrv(const ContentFolder& folder, const RunOptions& options) {
  return RunProgram(ORV_EXE_PATH, folder, options);
}

RunResult RunProgram(const std::string& executable, const ContentFolder& folder, const RunOptions& options) {
  bool displayGiven = false;
  for (const auto& entry : options.env) displayGiven = displayGiven || entry.first == "DISPLAY";
  std::optional<PrivateDisplay> display;
  if (!displayGiven) display.emplace();
  if (display && display->Name().empty()) {
    throw std::runtime_error("no X server of the run's own (what its start said is above)");
  }
  DisplayScope scope(display ? display->Name() : std::string());
  int outPipe[2];
  int errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t test = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // A group of its own, whose parent outside it is this process: a group
    // that loses its last such parent while a member is stopped (held for a
    // grab) is sent SIGHUP, and this process's group may lose the shell that
    // started the run at any time. It ends with this process, however that
    // one ends, instead of running on unseen.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != test) _exit(125);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    close(outPipe[0]);
    close(errPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (chdir(folder.Path().c_str()) != 0) _exit(126);
    // As a shell starts it: a test sees which signals the program itself ignores.
    signal(SIGPIPE, SIG_DFL);
    setenv("ORV_HEADLESS", "1", 1);
    // Mesa's shader cache writes from a thread of its own that the leak check
    // at exit trips over now and then; compiling afresh also shows every
    // compiler log in every run.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    // Keeps the libraries it loads mapped until its leak check (see
    // KeepLibrariesLoaded.c).
    setenv("LD_PRELOAD", ORV_TEST_PRELOAD, 1);
    for (const auto& [name, value] : options.env) {
      if (value.empty()) {
        unsetenv(name.c_str());
      } else {
        setenv(name.c_str(), value.c_str(), 1);
      }
    }
    execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Here too, so that the group exists before the first signal to it.
  setpgid(pid, pid);
  close(outPipe[1]);
  close(errPipe[1]);

  RunResult result;
  const auto start = Clock::now();
  const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
  runUnderWay = RunUnderWay{
      pid, start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.timeoutSeconds)),
      options.timeoutSeconds};
  const std::size_t count = options.triggers.size();
  std::vector<bool> fired(count, false);
  std::vector<double> matchedAt(count, -1.0);
  // Where each trigger looks for its text and for frame lines, and how many
  // of those it has seen.
  std::vector<std::size_t> readFrom(count, 0);
  std::vector<std::size_t> framesFrom(count, 0);
  std::vector<int> framesSeen(count, 0);
  std::vector<bool> textSeen(count, false);
  std::vector<bool> windowSeen(count, false);
  std::vector<double> windowLookedAt(count, -1.0);
  std::vector<std::optional<LongWait>> windowWaits(count);
  bool outOpen = true, errOpen = true, killed = false;
  char buffer[4096];
  const auto readAvailable = [&](int timeoutMs) {
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0) return false;
    for (int i = 0; i < 2; ++i) {
      bool& open = i == 0 ? outOpen : errOpen;
      if (!open || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        open = false;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      }
    }
    return true;
  };
  while (outOpen || errOpen) {
    readAvailable(20);
    const double now = elapsed();
    for (std::size_t t = 0; t < count; ++t) {
      const Trigger& trigger = options.triggers[t];
      if (fired[t] || (trigger.afterPrevious && t > 0 && !fired[t - 1])) continue;
      if (!textSeen[t]) {
        if (trigger.onStderr) {
          if (result.err.find(trigger.whenStdoutHas) == std::string::npos) continue;
          textSeen[t] = true;
          readFrom[t] = std::max(framesFrom[t], readFrom[t]);
        } else {
          const std::size_t at = result.out.find(trigger.whenStdoutHas, readFrom[t]);
          if (at == std::string::npos) continue;
          textSeen[t] = true;
          readFrom[t] = std::max(framesFrom[t], at + trigger.whenStdoutHas.size());
        }
      }
      while (framesSeen[t] < trigger.frames) {
        const std::size_t at = result.out.find(trigger.frameText, readFrom[t]);
        if (at == std::string::npos) break;
        ++framesSeen[t];
        readFrom[t] = at + trigger.frameText.size();
      }
      if (framesSeen[t] < trigger.frames) continue;
      if (!trigger.whenWindowShows.empty() && !windowSeen[t]) {
        if (!windowWaits[t]) windowWaits[t].emplace("a window titled \"" + trigger.whenWindowShows + "\"");
        // Each look runs xdotool: a few a second.
        if (now - windowLookedAt[t] < 0.2) continue;
        windowLookedAt[t] = now;
        windowSeen[t] = WindowShows(trigger.whenWindowShows);
        if (!windowSeen[t]) {
          windowWaits[t]->SayWhenLong();
          continue;
        }
      }
      if (matchedAt[t] < 0) matchedAt[t] = now;
      if (now - matchedAt[t] >= trigger.afterSeconds) {
        fired[t] = true;
        const std::size_t before = result.out.size();
        trigger.action(pid);
        // The next trigger's text may answer the action, but of what is
        // already waiting in the pipe some was printed while the action ran:
        // its frames count from what comes after.
        for (int reads = 0; reads < 1024 && (outOpen || errOpen) && readAvailable(0); ++reads) {
        }
        if (t + 1 < count && options.triggers[t + 1].afterPrevious) {
          readFrom[t + 1] = before;
          framesFrom[t + 1] = result.out.size();
        }
      }
    }
    if (!killed && now > options.timeoutSeconds) {
      result.timedOut = true;
      killed = true;
      kill(pid, SIGKILL);
    }
  }
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  runUnderWay.reset();
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  pclose(pipe);
  return output;
}

const char* const kStagesLua = R"(
local stage = 0
local function Enter(n)
  stage = n
  print("stage " .. n)
  io.stdout:flush()
end
local function Released()
  local file = io.open("next " .. stage)
  if file then file:close() end
  return file ~= nil
end
)";

std::string ConfigJson(int width, int height, const std::string& title, int fps, int debug) {
  std::ostringstream json;
  json << "{\"width\":" << width << ",\"height\":" << height << ",\"title\":\"" << title << "\",\"fps\":" << fps
       << ",\"debug\":" << debug << "}";
  return json.str();
}

void WriteScriptScene(const ContentFolder& folder, const std::string& title, const ScriptedTypes& types,
                      const SpawnList& spawn, const std::string& components) {
  folder.WriteConfig(ConfigJson(320, 200, title, 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  for (const auto& [type, script] : types) {
    folder.Write("data/gameobjects/" + type + ".txt",
                 R"({"name":")" + type + R"(","id":1,"components":)" + components + "}");
    folder.Write("data/scripts/" + type + ".lua", script);
  }
  std::vector<std::string> entries;
  for (const auto& [type, id] : spawn) {
    entries.push_back(R"({"name":")" + type + R"(","id":)" + std::to_string(id) + R"(,"params":{}})");
  }
  WriteSpawnList(folder, entries);
}

std::string SpawnAt(const std::string& type, int id, double x, double y) {
  char position[80];
  std::snprintf(position, sizeof position, R"({"pos x":%.2f,"pos y":%.2f})", x, y);
  return R"({"name":")" + type + R"(","id":)" + std::to_string(id) + R"(,"params":{"collision":{"value":)" + position +
         "}}}";
}

void WriteSpawnList(const ContentFolder& folder, const std::vector<std::string>& entries) {
  std::string list;
  for (const std::string& entry : entries) list += (list.empty() ? "" : ",") + entry;
  folder.Write("data/summoner.ini", R"({"spawn":[)" + list + "]}");
}

std::string DataPath(const std::string& name) { return std::string(ORV_SOURCE_DIR) + "/tests/resources/data/" + name; }

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace OrvTest
