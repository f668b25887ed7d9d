// The engine folders form layers: a folder may include its own headers and
// those of folders below it, never one above it, and no two folders include
// each other. Read from the sources' own #include lines: "folder/...", and a
// bare "Name.h" of the binding's headers, which are on the include path.
// The sub-folders of one folder include each other in no circle either.
// Only the binding speaks to the Lua core, only platform/ calls the
// system's process and memory-mapping functions, and only the render state
// changes the GL state that queued sprites are drawn with.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Bottom up; folders in one pair of braces are side by side.
const std::vector<std::vector<std::string>> kLayers = {
    {"platform"}, {"core"},   {"orvlua"}, {"script"}, {"resources", "input", "audio"},
    {"world"},    {"render"}, {"editor"}, {"app"},
};

struct Include {
  std::string file;  // relative to the source folder
  int line;
  std::string from;  // folder of the file
  std::string to;    // folder named by the include
  std::string header;
};

std::map<std::string, int> LayerOf() {
  std::map<std::string, int> layer;
  for (std::size_t i = 0; i < kLayers.size(); ++i) {
    for (const std::string& folder : kLayers[i]) layer[folder] = static_cast<int>(i);
  }
  return layer;
}

struct SourceLine {
  std::string file;  // relative to the source folder
  int line;
  std::string folder;
  std::string text;
};

// Every line of every source of the engine folders.
std::vector<SourceLine> EngineLines() {
  const fs::path root = ORV_SOURCE_DIR;
  std::vector<SourceLine> lines;
  for (const auto& [folder, unused] : LayerOf()) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string extension = entry.path().extension().string();
      if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp" && extension != ".c")) continue;
      std::ifstream in(entry.path());
      std::string text;
      for (int line = 1; std::getline(in, text); ++line) {
        lines.push_back({fs::relative(entry.path(), root).string(), line, folder, text});
      }
    }
  }
  return lines;
}

// Every #include of an engine folder naming an engine folder's header: by
// its folder, or by the bare name of a binding header not beside the file.
std::vector<Include> EngineIncludes() {
  const fs::path root = ORV_SOURCE_DIR;
  const std::map<std::string, int> layer = LayerOf();
  const std::regex include(R"(^\s*#\s*include\s*"(([a-z]+)/[^"]+)\")");
  const std::regex bare(R"(^\s*#\s*include\s*"([A-Za-z0-9_]+\.h)\")");
  std::vector<Include> found;
  std::smatch match;
  for (const SourceLine& each : EngineLines()) {
    if (std::regex_search(each.text, match, include) && layer.count(match[2]) != 0) {
      found.push_back({each.file, each.line, each.folder, match[2], match[1]});
    } else if (std::regex_search(each.text, match, bare) &&
               !fs::exists((root / each.file).parent_path() / match[1].str()) &&
               fs::exists(root / "orvlua/include" / match[1].str())) {
      found.push_back({each.file, each.line, each.folder, "orvlua", "orvlua/include/" + match[1].str()});
    }
  }
  return found;
}

// The code of a line, without a line comment and string literals.
std::string CodeOf(const std::string& text) {
  static const std::regex strings(R"("([^"\\]|\\.)*")");
  std::string code = std::regex_replace(text, strings, "\"\"");
  if (const auto comment = code.find("//"); comment != std::string::npos) code.erase(comment);
  const auto first = code.find_first_not_of(" \t");
  if (first != std::string::npos && code[first] == '*') return "";  // inside a block comment
  return code;
}

// Lines outside folder (inside it, when inside) that match pattern.
std::string OutsideOf(const std::string& folder, const std::regex& pattern, bool inside = false) {
  std::string found;
  for (const SourceLine& each : EngineLines()) {
    if ((each.folder == folder) == inside && std::regex_search(CodeOf(each.text), pattern)) {
      found += each.file + ":" + std::to_string(each.line) + ": " + each.text + "\n";
    }
  }
  return found;
}

// The GL state a queued sprite is drawn with, or that orders it among the
// other draws: colour, capabilities, matrices, viewport, blending, the alpha
// and stencil tests, colour writes, clears, program, bound texture, winding,
// target. What a sprite reads its vertices from (buffers, vertex arrays,
// client arrays) and the parameters of a texture being made are not: queued
// sprites draw from client memory with none of them bound, and bind their own
// texture.
const std::regex kStateCall(
    R"(\bgl(Color[34][a-z]*|Enable|Disable|MatrixMode|LoadIdentity|LoadMatrix[fd]|MultMatrix[fd]|PushMatrix|)"
    R"(PopMatrix|PushAttrib|PopAttrib|Translate[fd]|Rotate[fd]|Scale[fd]|Ortho|Frustum|Viewport|Scissor|)"
    R"(BlendFunc(Separate)?|BlendEquation(Separate)?|BlendColor|AlphaFunc|StencilFunc(Separate)?|StencilOp(Separate)?|)"
    R"(StencilMask(Separate)?|ColorMask|DepthMask|DepthFunc|ClearColor|ClearStencil|ClearDepth|Clear|UseProgram|)"
    R"(BindTexture|ActiveTexture|FrontFace|CullFace|PolygonMode|LineWidth|PointSize|ShadeModel|TexEnv[fi]v?|LogicOp|)"
    R"(BindFramebuffer|DrawBuffers?)\s*\()");

// Each names the file, the call and why it may change the state itself.
struct StateException {
  std::string file;
  std::string call;
  std::string why;
};
const std::vector<StateException> kStateExceptions = {
    {"render/FrameBuffer.cpp", "glBindFramebuffer",
     "a frame buffer binds its own target, and draws the queued sprites before it leaves one"},
    {"render/FrameBuffer.cpp", "glDrawBuffers", "a frame buffer names the colour buffer of its own target"},
    {"resources/SpriteSheet.cpp", "glBindTexture", "a texture is bound while it is made and filled"},
    {"resources/Font.cpp", "glBindTexture", "the font's texture is bound while it is made"},
};

const std::string kRenderState = "render/RenderState";

// Every state call of the engine's sources as "file:line: call".
std::vector<std::pair<std::string, std::string>> StateCalls() {
  std::vector<std::pair<std::string, std::string>> calls;
  for (const SourceLine& each : EngineLines()) {
    const std::string code = CodeOf(each.text);
    for (auto match = std::sregex_iterator(code.begin(), code.end(), kStateCall); match != std::sregex_iterator();
         ++match) {
      calls.emplace_back(each.file + ":" + std::to_string(each.line), "gl" + (*match)[1].str());
    }
  }
  return calls;
}

bool StateExcepted(const std::string& where, const std::string& call) {
  const std::string file = where.substr(0, where.find(':'));
  return std::any_of(kStateExceptions.begin(), kStateExceptions.end(),
                     [&](const StateException& each) { return each.file == file && each.call == call; });
}

TEST(LayerOrder, OnlyTheRenderStateChangesTheDrawingState) {
  std::string raw;
  int inRenderState = 0;
  for (const auto& [where, call] : StateCalls()) {
    if (where.rfind(kRenderState + ".", 0) == 0) {
      ++inRenderState;
    } else if (!StateExcepted(where, call)) {
      raw += where + ": " + call + "\n";
    }
  }
  EXPECT_GT(inRenderState, 20) << "the render state's own calls were not found";
  EXPECT_EQ(raw, "") << "GL state changes outside render/RenderState: a sprite queued before them would be drawn "
                        "with the new state (route them through render/RenderState.h)";
}

TEST(LayerOrder, EveryStateExceptionIsStillUsed) {
  const auto calls = StateCalls();
  for (const StateException& exception : kStateExceptions) {
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(),
                            [&](const auto& each) {
                              return each.first.rfind(exception.file + ":", 0) == 0 && each.second == exception.call;
                            }))
        << exception.file << " no longer calls " << exception.call << ": drop the exception";
  }
}

// Resources make their textures and fill their buffers; what they hold is
// drawn by the render side, through the render state.
TEST(LayerOrder, ResourcesDrawNothing) {
  const std::regex draw(
      R"(\bgl(Begin|Draw[A-Za-z]*|EnableClientState|DisableClientState|[A-Za-z]*Pointer|PushClientAttrib|)"
      R"(ClientActiveTexture)\s*\()");
  EXPECT_EQ(OutsideOf("resources", draw, true), "") << "resources/ draws: draw through render/RenderState.h";
}

TEST(LayerOrder, NoFolderIncludesOneAboveIt) {
  const std::map<std::string, int> layer = LayerOf();
  const std::vector<Include> includes = EngineIncludes();
  ASSERT_GT(includes.size(), 100u) << "the sources were not found under " << ORV_SOURCE_DIR;
  std::string upward;
  for (const Include& each : includes) {
    if (layer.at(each.to) <= layer.at(each.from)) continue;
    upward += each.file + ":" + std::to_string(each.line) + " includes " + each.header + "\n";
  }
  EXPECT_EQ(upward, "") << "a folder reaches up the layers (bottom up: platform; core; orvlua; script; resources, "
                           "input, audio; world; render; editor; app)";
}

// Each place that, followed through what it reaches to the end, reaches
// itself again: one line each.
std::string Circles(const std::map<std::string, std::set<std::string>>& reaches) {
  std::string cycles;
  for (const auto& [start, direct] : reaches) {
    std::set<std::string> seen;
    std::vector<std::string> open(direct.begin(), direct.end());
    while (!open.empty()) {
      const std::string place = open.back();
      open.pop_back();
      if (!seen.insert(place).second) continue;
      if (auto next = reaches.find(place); next != reaches.end())
        open.insert(open.end(), next->second.begin(), next->second.end());
    }
    if (seen.count(start) != 0) cycles += start + " reaches itself\n";
  }
  return cycles;
}

TEST(LayerOrder, NoTwoFoldersIncludeEachOther) {
  std::map<std::string, std::set<std::string>> reaches;
  for (const Include& each : EngineIncludes()) {
    if (each.from != each.to) reaches[each.from].insert(each.to);
  }
  EXPECT_EQ(Circles(reaches), "");
}

// The part of its folder that a file belongs to: the sub-folder it lies in
// ("orvlua/memory"), or the folder itself for a file at its top. A binding
// header in orvlua/include/ belongs with the source of the same name.
std::string PartOf(const std::string& file) {
  const fs::path root = ORV_SOURCE_DIR;
  const fs::path path(file);
  auto step = path.begin();
  const std::string folder = (step++)->string();
  const std::string sub = (step++)->string();
  if (step == path.end()) return folder;
  if (sub == "include") {
    const std::string source = path.stem().string() + ".cpp";
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      if (entry.path().filename() == source) return PartOf(fs::relative(entry.path(), root).string());
    }
  }
  return folder + "/" + sub;
}

// Parts of one folder that include each other, file by file: "orvlua/binding"
// -> "orvlua/memory". A header beside the file or a bare binding header is
// found as the compiler finds it.
std::map<std::string, std::set<std::string>> PartsReached() {
  const fs::path root = ORV_SOURCE_DIR;
  const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::map<std::string, std::string> partOf;
  const auto part = [&](const std::string& file) -> const std::string& {
    auto known = partOf.find(file);
    if (known == partOf.end()) known = partOf.emplace(file, PartOf(file)).first;
    return known->second;
  };
  std::map<std::string, std::set<std::string>> reaches;
  std::smatch match;
  for (const SourceLine& each : EngineLines()) {
    if (!std::regex_search(each.text, match, include)) continue;
    const fs::path beside = fs::path(each.file).parent_path() / match[1].str();
    std::string header;
    if (fs::exists(root / beside)) {
      header = beside.lexically_normal().string();
    } else if (fs::exists(root / match[1].str())) {
      header = match[1].str();
    } else if (fs::exists(root / "orvlua/include" / match[1].str())) {
      header = "orvlua/include/" + match[1].str();
    }
    if (header.rfind(each.folder + "/", 0) != 0) continue;  // another folder's, or a library's
    if (part(each.file) != part(header)) reaches[part(each.file)].insert(part(header));
  }
  return reaches;
}

TEST(LayerOrder, NoTwoPartsOfAFolderIncludeEachOther) {
  const std::map<std::string, std::set<std::string>> reaches = PartsReached();
  ASSERT_TRUE(reaches.count("orvlua/binding") != 0) << "the binding's sub-folders were not found";
  EXPECT_EQ(Circles(reaches), "") << "the sub-folders of a folder include each other in a circle";
}

// A bare binding header counts as orvlua/; a header of the file's own
// folder with the same name does not.
TEST(LayerOrder, BareBindingHeadersCountAsTheBinding) {
  bool sawBare = false;
  for (const Include& each : EngineIncludes()) {
    if (each.header.rfind("orvlua/include/", 0) != 0) continue;
    sawBare = true;
    EXPECT_EQ(each.to, "orvlua") << each.file;
  }
  EXPECT_TRUE(sawBare) << "the binding's own headers are included by bare name";
}

TEST(LayerOrder, OnlyTheBindingSpeaksToTheLuaCore) {
  const std::regex core(
      R"(#\s*include\s*[<"](lua\.hpp|lua\.h|lauxlib\.h|lualib\.h|luaconf\.h|)"
      R"(l(object|state|table|func|gc|string|do|opcodes|limits|mem|tm|zio|api|debug|vm|code|parser|lex|undump)\.h)[>"]|\blua(L)?_[a-z]+\s*\()");
  EXPECT_EQ(OutsideOf("orvlua", core), "") << "only orvlua/ includes the Lua core's headers or calls it";
}

TEST(LayerOrder, OnlyThePlatformStartsProcessesOrMapsMemory) {
  const std::regex system(
      R"((^|[^A-Za-z0-9_.>]|::)(popen|pclose|fork|vfork|exec[lv]p?e?|posix_spawnp?|waitpid|std::system|mmap|munmap|mprotect|)"
      R"(madvise|mremap|shm_open)\s*\(|#\s*include\s*<(sys/mman|sys/wait|spawn)\.h>)");
  EXPECT_EQ(OutsideOf("platform", system), "") << "only platform/ calls the system's process and memory functions";
}

// A file of the world simulation past this many lines has usually taken in a
// second idea: the collision engine's phases, its tiles and its script
// functions each have files of their own.
constexpr int kMaxWorldFileLines = 300;

TEST(LayerOrder, NoWorldSourceIsLong) {
  std::map<std::string, int> lengths;
  for (const SourceLine& each : EngineLines()) {
    if (each.folder == "world") lengths[each.file] = std::max(lengths[each.file], each.line);
  }
  ASSERT_GT(lengths.count("world/CollisionEngine.cpp"), 0u) << "the world's sources were not found";
  std::string longer;
  for (const auto& [file, lines] : lengths) {
    if (lines > kMaxWorldFileLines) longer += file + ": " + std::to_string(lines) + " lines\n";
  }
  EXPECT_EQ(longer, "") << "a source file in world/ is over " << kMaxWorldFileLines << " lines: split it by idea";
}

}  // namespace
