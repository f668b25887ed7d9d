#include "platform/QuitSignals.h"

#include <csignal>

namespace Orv::Platform {

namespace {

volatile std::sig_atomic_t received = 0;
volatile std::sig_atomic_t undelivered = 0;
QuitSignalAction quitAction = nullptr;

void OnQuitSignal(int signalNumber) {
  if (received != 0) {
    // The first request did not get through: the default action ends it.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    return;
  }
  received = 1;
  undelivered = 1;
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

}  // namespace Orv::Platform
