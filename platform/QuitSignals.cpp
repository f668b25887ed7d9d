#include "platform/QuitSignals.h"

#include <signal.h>

#include <csignal>

namespace Orv::Platform {

namespace {

// The number of the first quit signal, 0 before one.
volatile std::sig_atomic_t received = 0;
volatile std::sig_atomic_t undelivered = 0;
volatile std::sig_atomic_t endAtOnce = 0;
volatile std::sig_atomic_t groupToKill = 0;
QuitSignalAction quitAction = nullptr;

void EndTheDefaultWay(int signalNumber) {
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

void OnQuitSignal(int signalNumber) {
  if (received != 0 || endAtOnce != 0) {
    // The first request did not get through, or none can: the default action ends it.
    EndTheDefaultWay(signalNumber);
    return;
  }
  received = signalNumber;
  undelivered = 1;
  if (groupToKill > 0) kill(-static_cast<pid_t>(groupToKill), SIGKILL);
  if (quitAction != nullptr) quitAction();
}

}  // namespace

void InstallQuitSignals(QuitSignalAction action) {
  quitAction = action;
  struct sigaction handler {};
  handler.sa_handler = &OnQuitSignal;
  sigemptyset(&handler.sa_mask);
  handler.sa_flags = SA_RESTART;
  sigaction(SIGINT, &handler, nullptr);
  sigaction(SIGTERM, &handler, nullptr);
}

bool TakeQuitSignal() {
  if (undelivered == 0) return false;
  undelivered = 0;
  return true;
}

bool QuitAsked() { return received != 0; }

void EndForQuit() {
  if (received != 0) EndTheDefaultWay(received);
}

// Set before the check, as the handler sets `received` before it looks: a
// signal in between is seen by one of the two.
QuitEndsAtOnce::QuitEndsAtOnce() {
  endAtOnce = 1;
  if (received != 0) EndTheDefaultWay(received);
}

QuitEndsAtOnce::~QuitEndsAtOnce() { endAtOnce = 0; }

void KillOnQuit(pid_t group) {
  groupToKill = group;
  if (group > 0 && received != 0) kill(-group, SIGKILL);
}

}  // namespace Orv::Platform
