#include "core/ReportOnce.h"

#include <cstdint>
#include <map>
#include <set>
#include <unordered_set>

#include "core/Report.h"

namespace Orv {

namespace {

// More kinds than the engine's code has: a kind made of a name by mistake
// shares the last budget instead of growing the table.
constexpr std::size_t kMaxKinds = 256;

struct KindRecord {
  std::unordered_set<std::string> names;
  bool spent = false;
};

// FNV-1a over the whole name, so two long names that share their first
// kQuotedBytes bytes are still two causes.
std::uint64_t Hash(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Where a name is cut: at most kQuotedBytes, never inside a UTF-8 character.
std::size_t CutAt(std::string_view name) {
  if (name.size() <= kQuotedBytes) return name.size();
  std::size_t cut = kQuotedBytes;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace

bool FirstReport(const std::string& cause) {
  static std::set<std::string> reported;
  return reported.insert(cause).second;
}

bool FirstReportOfName(std::string_view kind, std::string_view name) {
  // Looked up by the view: a check that runs every frame makes no string here.
  static std::map<std::string, KindRecord, std::less<>> kinds;
  auto found = kinds.find(kind);
  if (found == kinds.end()) {
    if (kinds.size() >= kMaxKinds) kind = "other names";
    found = kinds.try_emplace(std::string(kind)).first;
  }
  KindRecord& record = found->second;
  std::string key(name.substr(0, CutAt(name)));
  const std::uint64_t hash = Hash(name);
  key.append(reinterpret_cast<const char*>(&hash), sizeof hash);
  if (record.names.count(key) != 0) return false;
  if (record.names.size() >= kNamesPerKind) {
    if (!record.spent) {
      record.spent = true;
      PrintErrorLine("Error! " + std::string(kind) + ": reported for " + std::to_string(kNamesPerKind) +
                     " different names; no more are reported");
    }
    return false;
  }
  record.names.insert(std::move(key));
  return true;
}

std::string QuotedName(std::string_view name) {
  const std::size_t cut = CutAt(name);
  if (cut == name.size()) return std::string(name);
  return std::string(name.substr(0, cut)) + "... (" + std::to_string(name.size()) + " bytes)";
}

void ShowMessageOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) ShowMessage(text);
}

void PrintLineOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) PrintLine(text);
}

void PrintErrorLineOnce(const std::string& cause, const std::string& text) {
  if (FirstReport(cause)) PrintErrorLine(text);
}

void PrintLineOnce(std::string_view kind, std::string_view name, const std::string& text) {
  if (FirstReportOfName(kind, name)) PrintLine(text);
}

void PrintErrorLineOnce(std::string_view kind, std::string_view name, const std::string& text) {
  if (FirstReportOfName(kind, name)) PrintErrorLine(text);
}

void ReportNotFiniteIgnored(std::string_view function, std::string_view object) {
  // One budget per function: a script churning objects through one of them
  // leaves every other function its line.
  if (FirstReportOfName(std::string(function) + " refusing a value that is not finite", object)) {
    PrintErrorLine(NotFiniteIgnoredLine(std::string(function) + (object.empty() ? "" : " of " + std::string(object))));
  }
}

std::string NotFiniteIgnoredLine(const std::string& where) {
  return "Error! " + where + ": a value that is not a finite number is ignored";
}

}  // namespace Orv
