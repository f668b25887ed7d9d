#include "resources/Tilemap.h"

#include <cctype>
#include <filesystem>

#include "core/Report.h"
#include "core/UserFolder.h"
#include "platform/Files.h"

namespace Orv {

namespace {

constexpr const char* kDefaultMap = "data/maps/Map01.txt";
constexpr const char* kProjectMaps = "data/maps/";
constexpr const char* kWrongTiles = "Error loading tile map! Wrong number of tiles!";
// More than any size line needs; a longer line holds no size.
constexpr std::size_t kHeaderLineKept = 32;

// The header's numbers as C's atoi reads them (leading blanks, a sign,
// digits, anything after ignored), held wide so that no text overflows.
// False when the text holds no number at all.
bool ParseHeaderNumber(const std::string& text, long long& value) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || std::isdigit(static_cast<unsigned char>(text[i])) == 0) return false;
  value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
    if (value < Tilemap::kMaxCells) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  return true;
}

// A header line as a console line can show it: bytes outside printable
// ASCII as \xNN, so a byte-order mark or a carriage return is seen.
std::string Shown(const std::string& text) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown.push_back(c);
    } else {
      shown += "\\x";
      shown.push_back(kDigits[byte >> 4]);
      shown.push_back(kDigits[byte & 0xF]);
    }
  }
  return shown;
}

// Why a header line that holds no number holds none, when the reason is one
// an editor leaves behind.
std::string WhyNoNumber(const std::string& text, int line) {
  if (line == 0 && text.rfind("\xEF\xBB\xBF", 0) == 0) {
    return ": the file starts with a UTF-8 byte-order mark, which a map file does not have (save it without one)";
  }
  if (text.find('\r') != std::string::npos) {
    return ": its lines end in a carriage return alone, where a map file's lines end in a line feed (or a carriage "
           "return and a line feed)";
  }
  return {};
}

}  // namespace

Tilemap::Tilemap() : name_("empty") {}

bool Tilemap::IsValidSize(long long width, long long height) {
  return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxCells;
}

bool Tilemap::SetSize(long long width, long long height) {
  if (!IsValidSize(width, height)) return false;
  width_ = static_cast<unsigned>(width);
  height_ = static_cast<unsigned>(height);
  for (std::vector<char>& layer : layers_) layer.assign(static_cast<std::size_t>(width * height), 0);
  return true;
}

signed char Tilemap::GetCell(int layer, unsigned x, unsigned y) const {
  if (!Inside(x, y)) return -1;
  return static_cast<signed char>(layers_[LayerIndex(layer)][static_cast<std::size_t>(y) * width_ + x]);
}

void Tilemap::SetCell(int layer, unsigned x, unsigned y, char value) {
  if (!Inside(x, y)) {
    PrintLine("Tile map coordinates out of range!: " + std::to_string(x) + " , " + std::to_string(y));
    return;
  }
  layers_[LayerIndex(layer)][static_cast<std::size_t>(y) * width_ + x] = value;
}

bool Tilemap::IsCellClear(unsigned x, unsigned y) {
  return Inside(x, y) && layers_[1][static_cast<std::size_t>(y) * width_ + x] == 0;
}

bool Tilemap::OpenMapFile(const std::string& path, bool* missing) {
  // Only a regular file: opening a pipe waits for a writer, and a device
  // such as /dev/zero never ends.
  const std::string problem = Platform::FileProblem(path);
  if (missing != nullptr) *missing = Platform::IsMissing(problem);
  if (!problem.empty()) {
    if (!Platform::IsMissing(problem)) PrintErrorLine("Error! Tile map " + path + " cannot be read: " + problem);
    return false;
  }
  input_.open(path, std::ios::binary);
  if (!input_.is_open()) return false;
  openedPath_ = path;
  return true;
}

void Tilemap::Load(const std::string& fileName) {
  if (input_.is_open()) input_.close();
  input_.clear();
  loading_ = true;
  currentLayer_ = 0;
  currentRow_ = 0;
  boxShown_ = false;
  openedPath_.clear();

  const std::optional<std::string> name = ContainedFileName(fileName);
  if (!name) {
    SetSize(0, 0);
    FinishLoading();
    return;
  }
  name_ = UserFolder() + *name;
  PrintLine("Loading tilemap from filepath: " + name_);
  bool missing = false;
  if (!OpenMapFile(name_, &missing)) {
    const bool inProject = name->find(kProjectMaps) != std::string::npos;
    const std::string projectPath = inProject ? *name : kProjectMaps + *name;
    // No saved copy is the usual case, not a failure.
    PrintLine((missing ? "No saved copy there; loading from " : "Opening save file failed! Loading from ") +
              projectPath);
    if (!OpenMapFile(projectPath)) {
      PrintLine("Opening from project folder failed! Loading default Map01.");
      if (!OpenMapFile(kDefaultMap)) PrintErrorLine(std::string("Error! Default tile map not found: ") + kDefaultMap);
    }
  }
  ReadHeader();
}

void Tilemap::ReadHeader() {
  SetSize(0, 0);
  if (!input_.is_open()) {
    FinishLoading();
    return;
  }
  long long size[2] = {0, 0};
  const char* what[2] = {"width", "height"};
  for (int line = 0; line < 2; ++line) {
    std::string text;
    bool tooLong = false;
    for (int c = input_.get(); c != std::char_traits<char>::eof() && c != '\n'; c = input_.get()) {
      // A size line is short; past that this is no map, however much follows.
      if (text.size() == kHeaderLineKept) {
        tooLong = true;
        break;
      }
      text.push_back(static_cast<char>(c));
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    // A carriage return inside the line: the file's lines end in one alone,
    // and this "line" runs on into the rows.
    if (tooLong || text.find('\r') != std::string::npos || !ParseHeaderNumber(text, size[line])) {
      PrintErrorLine("Error! Tile map " + openedPath_ + ": line " + std::to_string(line + 1) + " holds no " +
                     what[line] + ": \"" + Shown(text) + "\"" + WhyNoNumber(text, line));
      FinishLoading();
      return;
    }
  }
  if (!SetSize(size[0], size[1])) {
    PrintErrorLine("Error! Tile map " + openedPath_ + ": size " + std::to_string(size[0]) + " x " +
                   std::to_string(size[1]) + " refused (each side 0 to " + std::to_string(kMaxSide) +
                   ", at most " + std::to_string(kMaxCells) + " cells)");
    FinishLoading();
    return;
  }
  // A map without cells has no rows to wait for.
  if (width_ == 0 || height_ == 0) {
    FinishLoading();
    return;
  }
  SkipHeaderLineEnds();
}

void Tilemap::SkipHeaderLineEnds() {
  // Any number of empty lines may follow the header, but a first cell
  // holding byte 10 or 13 looks like one. When the rest of the file is
  // exactly one line end and the body this size needs, only that line end
  // is skipped, so such a cell survives.
  const std::streampos start = input_.tellg();
  input_.seekg(0, std::ios::end);
  const long long rest = static_cast<long long>(input_.tellg() - start);
  input_.seekg(start);

  char first[2] = {0, 0};
  input_.read(first, 2);
  input_.clear();
  input_.seekg(start);
  const int lineEnd = first[0] == '\n' ? 1 : (first[0] == '\r' && first[1] == '\n' ? 2 : 0);
  if (lineEnd > 0) {
    const long long rows = 3LL * height_;
    const long long body = rest - lineEnd;
    // LF or CR LF ends, with or without the last row's line end.
    const long long withLf = rows * (width_ + 1LL) + 2;
    const long long withCrLf = rows * (width_ + 2LL) + 4;
    if (body == withLf || body == withLf - 1 || body == withCrLf || body == withCrLf - 2) {
      input_.seekg(lineEnd, std::ios::cur);
      return;
    }
  }
  for (;;) {
    const int c = input_.peek();
    if (c == '\n') {
      input_.get();
    } else if (c == '\r') {
      input_.get();
      if (input_.peek() != '\n') {
        input_.unget();
        return;
      }
      input_.get();
    } else {
      input_.clear();
      return;
    }
  }
}

Tilemap::LineEnd Tilemap::ReadLineEnd() {
  const int c = input_.get();
  if (c == std::char_traits<char>::eof()) return LineEnd::EndOfFile;
  if (c == '\n') return LineEnd::Found;
  if (c == '\r' && input_.peek() == '\n') {
    input_.get();
    return LineEnd::Found;
  }
  // Not a line end: the byte stays read, as the rows after it are read on.
  return LineEnd::Other;
}

void Tilemap::ReportBadRow(const std::string& what, bool wrongCount) {
  PrintErrorLine("Error! Tile map " + openedPath_ + ": " + what);
  // A file that only ends early has the line alone: the box's "wrong number"
  // is a row's, and the line already says where the file ends.
  if (wrongCount && !boxShown_) {
    ShowMessage(kWrongTiles);
    boxShown_ = true;
  }
}

void Tilemap::FinishLoading() {
  if (input_.is_open()) input_.close();
  loading_ = false;
}

bool Tilemap::LoadRow() {
  if (!loading_ || !input_.is_open()) return true;
  const std::string where = "layer " + std::to_string(currentLayer_) + ", row " + std::to_string(currentRow_);
  char* row = layers_[currentLayer_].data() + static_cast<std::size_t>(currentRow_) * width_;
  input_.read(row, width_);
  if (static_cast<unsigned long long>(input_.gcount()) < width_) {
    ReportBadRow("the file ends inside " + where, false);
    FinishLoading();
    return true;
  }
  const bool lastRow = currentLayer_ == kLayerCount - 1 && currentRow_ + 1 == height_;
  if (!lastRow) {
    const LineEnd end = ReadLineEnd();
    if (end == LineEnd::EndOfFile) {
      ReportBadRow("the file ends after " + where, false);
      FinishLoading();
      return true;
    }
    if (end == LineEnd::Other) ReportBadRow(where + " does not end after " + std::to_string(width_) + " tiles");
  }
  if (++currentRow_ < height_) return false;
  currentRow_ = 0;
  if (++currentLayer_ >= kLayerCount) {
    FinishLoading();
    return true;
  }
  // The empty line between two layers.
  const LineEnd separator = ReadLineEnd();
  if (separator == LineEnd::EndOfFile) {
    ReportBadRow("the file ends before layer " + std::to_string(currentLayer_), false);
    FinishLoading();
    return true;
  }
  if (separator == LineEnd::Other) {
    ReportBadRow("no empty line before layer " + std::to_string(currentLayer_));
  }
  return false;
}

bool Tilemap::Save(const std::string& fileName) {
  std::string text = std::to_string(width_) + "\n" + std::to_string(height_) + "\n\n";
  text.reserve(text.size() + kLayerCount * (static_cast<std::size_t>(width_) + 1) * height_ + kLayerCount);
  for (int layer = 0; layer < kLayerCount; ++layer) {
    for (unsigned y = 0; y < height_; ++y) {
      text.append(layers_[layer].data() + static_cast<std::size_t>(y) * width_, width_);
      text.push_back('\n');
    }
    if (layer + 1 < kLayerCount) text.push_back('\n');
  }
  return SaveToUserFolder(fileName, text, "the tile map");
}

}  // namespace Orv
