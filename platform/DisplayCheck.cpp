#include "platform/DisplayCheck.h"

#include <SDL.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace Orv::Platform {

namespace {

// The X library's own connect, loaded as the windowing library loads it: it
// reads DISPLAY and the authority file as the window's connection will.
using OpenDisplay = void* (*)(const char*);
using CloseDisplay = int (*)(void*);

void* heldDisplay = nullptr;
CloseDisplay closeHeld = nullptr;

// A driver named in the environment wins, and only the X11 one connects so.
bool WindowUsesX11() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver == nullptr || *driver == '\0' || strcasecmp(driver, "x11") == 0;
}

std::string DisplayName() {
  const char* name = std::getenv("DISPLAY");
  return name != nullptr ? name : "";
}

void SayOnStandardError(const std::string& line) {
  std::fputs((line + "\n").c_str(), stderr);
  std::fflush(stderr);
}

// The wait is inside the X library on the main thread, which nothing can call
// back: the program ends from here, with what it has printed.
void GiveUp(const std::string& line) {
  std::fflush(stdout);
  SayOnStandardError(line);
  _exit(1);
}

DisplayWatch& ProgramWatch() {
  static DisplayWatch watch(std::chrono::seconds(kDisplayNoticeSeconds), std::chrono::seconds(kDisplayLimitSeconds),
                            {SayOnStandardError, GiveUp, QuitAsked, EndForQuit});
  return watch;
}

}  // namespace

DisplayWatch::DisplayWatch(std::chrono::milliseconds notice, std::chrono::milliseconds limit, Hooks hooks)
    : notice_(notice), limit_(limit), hooks_(std::move(hooks)) {}

DisplayWatch::~DisplayWatch() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DisplayWatch::Begin(const std::string& display) {
  {
    const std::lock_guard lock(mutex_);
    waiting_ = true;
    ++wait_;
    since_ = std::chrono::steady_clock::now();
    display_ = display;
    if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
  }
  changed_.notify_all();
}

void DisplayWatch::End() {
  {
    const std::lock_guard lock(mutex_);
    waiting_ = false;
  }
  changed_.notify_all();
}

void DisplayWatch::Watch() {
  // A quit signal cannot wake a condition variable: while a wait is watched,
  // the flag is looked at this often.
  constexpr auto kQuitLook = std::chrono::milliseconds(50);
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (!waiting_) {
      changed_.wait(lock);
      continue;
    }
    const unsigned long wait = wait_;
    const auto now = std::chrono::steady_clock::now();
    const auto waited = now - since_;
    const bool noticeDue = waited >= notice_;
    if (noticeDue && hooks_.quitAsked()) {
      lock.unlock();
      hooks_.endForQuit();
      lock.lock();
    }
    if (waited >= limit_) {
      const std::string line = "Error! The display \"" + display_ + "\" did not answer within " +
                               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit_).count()) +
                               " seconds";
      lock.unlock();
      hooks_.giveUp(line);
      lock.lock();
      // A stand-in that returned: this wait is given up on.
      changed_.wait(lock, [&] { return stop_ || wait_ != wait; });
      continue;
    }
    if (noticeDue && !noticed_) {
      noticed_ = true;
      const std::string line = "The display \"" + display_ + "\" has not answered yet after " +
                               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(notice_).count()) +
                               " seconds; waiting up to " +
                               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit_).count()) +
                               " seconds for it. Ctrl-C ends the wait.";
      lock.unlock();
      hooks_.say(line);
      lock.lock();
      continue;
    }
    const auto next = noticeDue ? since_ + limit_ : since_ + notice_;
    changed_.wait_until(lock, noticeDue ? std::min(next, now + kQuitLook) : next,
                        [&] { return stop_ || wait_ != wait || !waiting_; });
  }
}

DisplayWait::DisplayWait() { ProgramWatch().Begin(DisplayName()); }

DisplayWait::~DisplayWait() { ProgramWatch().End(); }

ConnectingToDisplay::ConnectingToDisplay() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &brokenPipe_);
}

ConnectingToDisplay::~ConnectingToDisplay() { sigaction(SIGPIPE, &brokenPipe_, nullptr); }

void CheckDisplay() {
  if (DisplayName().empty() || !WindowUsesX11() || heldDisplay != nullptr) return;
  void* library = SDL_LoadObject("libX11.so.6");
  if (library == nullptr) return;
  const auto open = reinterpret_cast<OpenDisplay>(SDL_LoadFunction(library, "XOpenDisplay"));
  const auto close = reinterpret_cast<CloseDisplay>(SDL_LoadFunction(library, "XCloseDisplay"));
  if (open == nullptr || close == nullptr) return;
  const ConnectingToDisplay connecting;
  heldDisplay = open(nullptr);
  closeHeld = close;
}

void EndDisplayCheck() {
  if (heldDisplay == nullptr) return;
  closeHeld(heldDisplay);
  heldDisplay = nullptr;
}

}  // namespace Orv::Platform
