#include "core/Report.h"

#include <cstdio>

#include "core/DebugLevel.h"
#include "platform/MessageBox.h"

namespace Orv {

void PrintLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Print(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PrintErrorLine(std::string_view text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void ShowMessage(const std::string& text) { Platform::ShowMessageBox(text); }

void PrintLineAndShowMessage(const std::string& text) {
  PrintLine(text);
  ShowMessage(text);
}

bool IsVerbose() { return DebugLevel() > 1; }

}  // namespace Orv
