// Opening the window and its context: a display that drops connections is
// tried again, one that never answers is given up in one line, SIGTERM ends
// the connect, and every failure says the library's reason and what the
// program asked for.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
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
// (a stuck forwarded display, a hung server).
class FakeDisplay {
 public:
  FakeDisplay(const PrivateDisplay* server, int drops) : drops_(drops) {
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
  // Connections taken and never answered.
  int Unanswered() const { return unanswered_; }

 private:
  void Serve() {
    while (!stop_) {
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
    if (server_.empty()) {
      silent_.push_back(client);
      ++unanswered_;
      return;
    }
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

// Waits, as long as a start on a busy machine may take, for the display to
// hold a connection unanswered.
bool WaitForUnanswered(const FakeDisplay& display, int count) {
  for (int i = 0; i < 6000 && display.Unanswered() < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return display.Unanswered() >= count;
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

// The start asks the display with a time limit before the window's connect,
// which waits for ever; nothing else is tried, and nothing waits for a box.
TEST(WindowStartProgram, ADisplayThatNeverAnswersIsNamedInOneLineAndTheProgramEnds) {
  FakeDisplay display(nullptr, 0);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunOptions options = OnDisplay(display.Name());
  options.env.emplace_back("ORV_HEADLESS", "");
  std::optional<bool> pipeIgnored;
  options.triggers.push_back({"", 0.0, [&](pid_t pid) {
                                if (WaitForUnanswered(display, 1)) pipeIgnored = Ignores(pid, SIGPIPE);
                              }});
  const RunResult run = RunOrv(folder, options);
  EXPECT_TRUE(RanCleanly(run, 1));
  EXPECT_EQ(run.err, "Error! The display \"" + display.Name() + "\" did not answer within 5 seconds\n");
  EXPECT_EQ(display.Unanswered(), 1);
  // Read unless the check had already given up.
  if (pipeIgnored) {
    EXPECT_TRUE(*pipeIgnored) << "a connection dropped now would end the program by SIGPIPE";
  }
}

// Past the check, the window's own connect can still meet a display that stops
// answering: SIGTERM ends the program there too, and a connection dropped
// there is a failed write.
TEST(WindowStartProgram, SigtermEndsTheProgramInsideTheWindowsConnect) {
  // The check's connection closed at once, an answer; the window's never answered.
  FakeDisplay display(nullptr, 1);
  ContentFolder folder;
  WriteStoppingGame(folder);
  RunOptions options = OnDisplay(display.Name());
  std::optional<bool> pipeIgnored;
  options.triggers.push_back({"", 0.0, [&](pid_t pid) {
                                if (!WaitForUnanswered(display, 1)) return;
                                pipeIgnored = Ignores(pid, SIGPIPE);
                                kill(pid, SIGTERM);
                              }});
  const RunResult run = RunOrv(folder, options);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.signal, SIGTERM) << run.out << run.err;
  EXPECT_EQ(display.Dropped(), 1);
  EXPECT_EQ(display.Unanswered(), 1);
  ASSERT_TRUE(pipeIgnored.has_value()) << "the window never connected";
  EXPECT_TRUE(*pipeIgnored) << "a connection dropped now would end the program by SIGPIPE";
}
