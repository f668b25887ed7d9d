// Opening the window and its context: a display that drops connections is
// tried again, one that answers late is waited for and said so once, SIGTERM
// ends the wait, and every failure says the library's reason and what the
// program asked for.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/ProgramRun.h"

using namespace OrvTest;

namespace {

sockaddr_un DisplaySocket(const std::string& number) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // The abstract name clients try first.
  const std::string name = "/tmp/.X11-unix/X" + number;
  name.copy(address.sun_path + 1, sizeof address.sun_path - 2);
  return address;
}

socklen_t SocketLength(const std::string& number) {
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + std::string("/tmp/.X11-unix/X" + number).size());
}

// A display that closes its first `drops` connections at once, as a server
// does with a connection that arrives while it resets; it passes every later
// one through to a real server, or, without one, takes it and never answers
// (a stuck forwarded display, a hung server). A slow one holds every
// connection unanswered until released, then passes them through (a server
// too busy to answer for a while). With `answers` set, only that many are
// passed through and the later ones never answered.
class FakeDisplay {
 public:
  FakeDisplay(const PrivateDisplay* server, int drops, bool slow = false, int answers = -1)
      : drops_(drops), answers_(answers), slow_(slow), held_(slow) {
    if (server != nullptr) {
      if (server->Name().empty()) throw std::runtime_error("Xvfb did not start");
      server_ = server->Name().substr(1);  // the number after the ':'
    }
    for (int n = 700; n < 800 && listener_ < 0; ++n) {
      const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const sockaddr_un address = DisplaySocket(std::to_string(n));
      if (bind(fd, reinterpret_cast<const sockaddr*>(&address), SocketLength(std::to_string(n))) == 0 &&
          listen(fd, 16) == 0) {
        listener_ = fd;
        name_ = ":" + std::to_string(n);
      } else {
        close(fd);
      }
    }
    if (listener_ < 0) throw std::runtime_error("no free display number for the fake display");
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeDisplay() {
    stop_ = true;
    thread_.join();
    for (const auto& [client, server] : pairs_) {
      close(client);
      close(server);
    }
    for (const int client : silent_) close(client);
    close(listener_);
  }
  const std::string& Name() const { return name_; }
  int Dropped() const { return dropped_; }
  // Connections taken and not answered (yet).
  int Unanswered() const { return unanswered_; }
  void Release() { held_ = false; }

 private:
  void Serve() {
    while (!stop_) {
      if (slow_ && !held_) {
        for (const int client : silent_) PassThrough(client);
        silent_.clear();
      }
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (const auto& [client, server] : pairs_) {
        fds.push_back({client, POLLIN, 0});
        fds.push_back({server, POLLIN, 0});
      }
      if (poll(fds.data(), fds.size(), 50) <= 0) continue;
      if (fds[0].revents & POLLIN) Accept();
      for (std::size_t i = 1; i < fds.size(); ++i) {
        if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        auto& pair = pairs_[(i - 1) / 2];
        const int to = (i % 2 == 1) ? pair.second : pair.first;
        char buffer[65536];
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        bool open = n > 0;
        for (ssize_t sent = 0; open && sent < n;) {
          const ssize_t w = write(to, buffer + sent, static_cast<std::size_t>(n - sent));
          open = w > 0;
          sent += w > 0 ? w : 0;
        }
        if (!open) {
          // Either end gone: the other is closed too; the lists are rebuilt next pass.
          close(pair.first);
          close(pair.second);
          pairs_.erase(pairs_.begin() + static_cast<std::ptrdiff_t>((i - 1) / 2));
          break;
        }
      }
    }
  }
  void Accept() {
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    if (dropped_ < drops_) {
      ++dropped_;
      close(client);
      return;
    }
    if (server_.empty() || held_ || answers_ == 0) {
      silent_.push_back(client);
      ++unanswered_;
      return;
    }
    if (answers_ > 0) --answers_;
    PassThrough(client);
  }
  void PassThrough(int client) {
    const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = DisplaySocket(server_);
    if (connect(server, reinterpret_cast<const sockaddr*>(&address), SocketLength(server_)) != 0) {
      close(server);
      close(client);
      return;
    }
    pairs_.emplace_back(client, server);
  }

  std::string server_;
  int drops_;
  int answers_;
  const bool slow_;
  std::atomic<bool> held_;
  int listener_ = -1;
  std::string name_;
  std::atomic<bool> stop_{false};
  std::atomic<int> dropped_{0};
  std::atomic<int> unanswered_{0};
  std::vector<std::pair<int, int>> pairs_;
  std::vector<int> silent_;
  std::thread thread_;
};

// A game that ends itself on its second frame.
void WriteStoppingGame(const ContentFolder& folder) {
  WriteScriptScene(folder, "WindowStart",
                   {{"Stopper",
                     "local frames = 0\n"
                     "function Update(dt)\n"
                     "  frames = frames + 1\n"
                     "  if frames == 2 then print('second frame') Shutdown() end\n"
                     "end\n"}},
                   {{"Stopper", 1}});
}

// Whether the process ignores the signal now; nullopt once it is gone.
std::optional<bool> Ignores(pid_t pid, int signalNumber) {
  std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigIgn:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return ((mask >> (signalNumber - 1)) & 1u) != 0;
  }
  return std::nullopt;
}

RunOptions OnDisplay(const std::string& display) {
  RunOptions options;
  options.env = {{"DISPLAY", display}, {"WAYLAND_DISPLAY", ""}};
  return options;
}

}  // namespace

TEST(WindowStartProgram, ConnectionsDroppedTwiceAreTriedAgainAndTheGameRuns) {
  PrivateDisplay server;
  FakeDisplay display(&server, 2);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunResult run = RunOrv(folder, OnDisplay(display.Name()));
  EXPECT_TRUE(RanCleanly(run, 0));
  EXPECT_EQ(display.Dropped(), 2);
  EXPECT_NE(run.out.find("second frame\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find("Error Unable to initialize Application Context"), std::string::npos) << run.err;
  // No other video driver was tried meanwhile.
  EXPECT_EQ(run.err.find("XDG_RUNTIME_DIR"), std::string::npos) << run.err;
}

TEST(WindowStartProgram, ADisplayThatDropsEveryConnectionIsTriedThreeTimesAndTheReasonIsShown) {
  PrivateDisplay server;
  FakeDisplay display(&server, 1000);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunResult run = RunOrv(folder, OnDisplay(display.Name()));
  EXPECT_TRUE(RanCleanly(run, 1));
  // The check's connection, then three tries.
  EXPECT_EQ(display.Dropped(), 4);
  // The library's words, then what was asked for.
  EXPECT_NE(run.err.find("Fail to register WNDCLASSEX: x11 not available (asked 3 times for the x11 video driver on "
                         "display \"" +
                         display.Name() + "\")\nError Unable to initialize Application Context\n"),
            std::string::npos)
      << run.err;
}

TEST(WindowStartProgram, AContextTheDriverRefusesSaysTheLibrarysReasonAndTheVersionAskedFor) {
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunOptions options;
  // The driver then offers no context above 3.0.
  options.env = {{"MESA_GL_VERSION_OVERRIDE", "3.0"}};
  RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run, 1));
  const auto lines = LinesStartingWith(run.err, "Failed to create and activate render context: ");
  ASSERT_EQ(lines.size(), 1u) << run.err;
  // The library's own words, then the request.
  EXPECT_NE(lines[0].find(": Could not create GL context: "), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("(asked for OpenGL 3.3 compatibility profile, double-buffered RGBA 8/8/8/8, depth 24, "
                          "stencil 8, from the x11 video driver)"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(run.err.find("Error Unable to initialize Application Context\n"), std::string::npos) << run.err;
}

// What the program says once a wait on the display has gone on for a while.
std::string NoticeOf(const FakeDisplay& display) {
  return "The display \"" + display.Name() +
         "\" has not answered yet after 10 seconds; waiting up to 120 seconds for it. Ctrl-C ends the wait.\n";
}

// Acts once the program has said it is still waiting.
Trigger OnNotice(const FakeDisplay& display, std::function<void(pid_t)> action) {
  Trigger trigger{NoticeOf(display), 0.0, std::move(action)};
  trigger.onStderr = true;
  return trigger;
}

// A display that takes the connection and does not answer is waited for: the
// program says so once, naming Ctrl-C, and a quit signal then ends the wait at
// once. Nothing else is tried, and nothing waits for a box. (Past two minutes
// it would give up with one line; the watch's own test holds that.)
TEST(WindowStartProgram, ADisplayThatDoesNotAnswerIsWaitedForSaidOnceAndSigtermEndsTheWait) {
  FakeDisplay display(nullptr, 0);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunOptions options = OnDisplay(display.Name());
  options.env.emplace_back("ORV_HEADLESS", "");
  std::optional<bool> pipeIgnored;
  options.triggers.push_back(OnNotice(display, [&](pid_t pid) {
    pipeIgnored = Ignores(pid, SIGPIPE);
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.signal, SIGTERM) << run.out << run.err;
  EXPECT_EQ(run.err, NoticeOf(display));
  EXPECT_EQ(display.Unanswered(), 1);
  ASSERT_TRUE(pipeIgnored.has_value());
  EXPECT_TRUE(*pipeIgnored) << "a connection dropped now would end the program by SIGPIPE";
}

// A display too busy to answer for a while is not a dead one: once it answers
// the game starts as on any other, the notice its only trace.
TEST(WindowStartProgram, ADisplayThatAnswersLateIsWaitedForAndTheGameRuns) {
  PrivateDisplay server;
  FakeDisplay display(&server, 0, true);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunOptions options = OnDisplay(display.Name());
  options.triggers.push_back(OnNotice(display, [&](pid_t) { display.Release(); }));
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run, 0));
  EXPECT_NE(run.out.find("second frame\n"), std::string::npos) << run.out;
  // Said first, once; the rest is what this bare game always says.
  EXPECT_EQ(run.err.rfind(NoticeOf(display), 0), 0u) << run.err;
  EXPECT_EQ(Count(run.err, "The display"), 1u) << run.err;
}

// Past the check, the window's own connect can still meet a display that stops
// answering: it is under the same watch, SIGTERM ends the program there too,
// and a connection dropped there is a failed write.
TEST(WindowStartProgram, TheWindowsOwnConnectIsWatchedAndSigtermEndsIt) {
  // The check's connection answered by a real server; the window's never.
  PrivateDisplay server;
  FakeDisplay display(&server, 0, false, 1);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunOptions options = OnDisplay(display.Name());
  std::optional<bool> pipeIgnored;
  options.triggers.push_back(OnNotice(display, [&](pid_t pid) {
    pipeIgnored = Ignores(pid, SIGPIPE);
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.signal, SIGTERM) << run.out << run.err;
  EXPECT_EQ(Count(run.err, NoticeOf(display)), 1u) << run.err;
  EXPECT_EQ(display.Unanswered(), 1);
  ASSERT_TRUE(pipeIgnored.has_value()) << "the window never connected";
  EXPECT_TRUE(*pipeIgnored) << "a connection dropped now would end the program by SIGPIPE";
}
