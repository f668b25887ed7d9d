#pragma once
// A tile map: three layers of one-byte cells of one size, and its text file.
// Layer 0 holds the tile values tile sets draw, layer 1 is the collision
// layer (0 free, anything else solid), layer 2 a per-cell attribute.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "resources/LinePlot.h"

namespace Orv {

class Tilemap : public Line::LinePlot {
 public:
  // Sizes a file or a script may ask for; anything larger is refused.
  static constexpr long long kMaxSide = 65535;
  static constexpr long long kMaxCells = 1LL << 24;
  static constexpr int kLayerCount = 3;

  Tilemap();

  // False, changing nothing, when the size is negative or too large.
  static bool IsValidSize(long long width, long long height);
  // A new size with every cell 0; false and unchanged when not valid.
  bool SetSize(long long width, long long height);

  // Layer 0 and 1 select themselves, any other value layer 2. -1 outside.
  signed char GetCell(int layer, unsigned x, unsigned y) const;
  // Outside the map nothing is written and a line says so.
  void SetCell(int layer, unsigned x, unsigned y, char value);
  // Inside the map and free in the collision layer.
  bool IsCellClear(unsigned x, unsigned y) override;

  // Opens the map file, from the per-user folder, else the project's
  // data/maps/, else the default map, and reads its header; LoadRow then
  // reads the cells one row at a time.
  void Load(const std::string& fileName);
  // True once loading is over (or was never started), false while rows remain.
  bool LoadRow();
  // Writes the map into the per-user folder. The old file is replaced only
  // once the new one is complete, so a failed save keeps it.
  bool Save(const std::string& fileName);

  unsigned GetWidth() const { return width_; }
  unsigned GetHeight() const { return height_; }
  const std::string& GetName() const { return name_; }
  bool IsLoading() const { return loading_; }
  // Row-major cells of a layer (y * width + x), for readers that walk many.
  const char* LayerData(int layer) const { return layers_[LayerIndex(layer)].data(); }

  // The attribute the editing functions last stamped into layer 2.
  char GetLayer2Value() const { return layer2Value_; }
  void SetLayer2Value(char value) { layer2Value_ = value; }

 private:
  enum class LineEnd { Found, Other, EndOfFile };

  static int LayerIndex(int layer) { return layer == 0 || layer == 1 ? layer : 2; }
  bool Inside(unsigned x, unsigned y) const { return x < width_ && y < height_; }
  // A file that is there but cannot be read is said at once; missing, when
  // given, tells whether nothing was there at all.
  bool OpenMapFile(const std::string& fileName, bool* missing = nullptr);
  void ReadHeader();
  void SkipHeaderLineEnds();
  LineEnd ReadLineEnd();
  void ReportBadRow(const std::string& what, bool wrongCount = true);
  void FinishLoading();

  std::vector<char> layers_[kLayerCount];
  unsigned width_ = 0;
  unsigned height_ = 0;
  std::ifstream input_;
  std::string name_;
  bool loading_ = true;
  int currentLayer_ = 0;
  unsigned currentRow_ = 0;
  char layer2Value_ = 0;
  // The file actually read, for the error lines; one box per load.
  std::string openedPath_;
  bool boxShown_ = false;
};

}  // namespace Orv
