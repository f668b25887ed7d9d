// The rows of docs/content (and of the physics page they lead to) against the
// real program: each scene below gives many objects the data one row
// describes, and each object prints what the row promises it sees. The test
// reads the row's own words too, so a row changed without the program, or the
// program without the row, shows here.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/ProgramRun.h"
#include "support/Screenshot.h"

using namespace OrvTest;

namespace {

// The row of a page's table, in the section whose heading names section (or
// anywhere, for ""), whose first or second cell is key, plain or as a code
// span ("`key`" or "`\"key\"`").
std::string Row(const std::string& page, const std::string& section, const std::string& key) {
  std::ifstream in(std::string(ORV_SOURCE_DIR) + "/docs/" + page);
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0) {
      inSection = section.empty() || line.find("`" + section + "`") != std::string::npos;
      continue;
    }
    if ((!inSection && !section.empty()) || line.rfind('|', 0) != 0) continue;
    std::vector<std::string> cells;
    std::stringstream split(line.substr(1));
    for (std::string cell; std::getline(split, cell, '|');) {
      cell.erase(0, cell.find_first_not_of(' '));
      cell.erase(cell.find_last_not_of(' ') + 1);
      cells.push_back(cell);
    }
    for (std::size_t c = 0; c < cells.size() && c < 2; ++c) {
      if (cells[c] == key || cells[c] == "`" + key + "`" || cells[c] == "`\"" + key + "\"`") return line;
    }
  }
  return "(no row " + key + " under " + section + " in " + page + ")";
}

// A page with every run of blanks made one blank.
std::string Page(const std::string& page) {
  std::string text = ReadFile(std::string(ORV_SOURCE_DIR) + "/" + page);
  std::string joined;
  for (const char c : text) {
    const bool blank = c == ' ' || c == '\n';
    if (!blank || (!joined.empty() && joined.back() != ' ')) joined += blank ? ' ' : c;
  }
  return joined;
}

struct Said {
  std::string row;
  std::string words;
};

void ExpectSaid(const std::vector<Said>& said) {
  for (const Said& s : said) EXPECT_NE(s.row.find(s.words), std::string::npos) << s.words << "\n  in: " << s.row;
}

// A probe's script: it counts the steps' time from its second Update on (the
// world steps before the scripts' Update, a frame of less than 1/60 s as one
// of 1/60 s), runs `every` each Update, and once two seconds of steps have
// passed prints "ROW <name> " and what `report` gives.
std::string Probe(const std::string& name, const std::string& report, const std::string& init = "",
                  const std::string& every = "") {
  return "n, elapsed, done = 0, 0, false\n"
         "function Init() " +
         init +
         " end\n"
         "function Update(dt)\n"
         "  n = n + 1\n"
         "  if n > 1 then elapsed = elapsed + math.max(dt, 1 / 60) end\n"
         "  if n == 1 and GetPos then start = GetPos() end\n" +
         every +
         "\n"
         "  if elapsed >= 2 and not done then\n"
         "    done = true\n"
         "    print('ROW " +
         name + " ' .. (" + report +
         "))\n"
         "  end\n"
         "end\n";
}

// Adds gravity of 320 px/s² to its own velocity, the page's way.
const char* const kGravity = "local v = GetVelocity() SetVelocity(v.x / 60, (v.y + 320 * math.max(dt, 1 / 60)) / 60)";
const char* const kMoved = "string.format('%.3f %.3f', GetPos().x - start.x, GetPos().y - start.y)";
const char* const kVelocity = "string.format('%.4f %.4f', GetVelocity().x, GetVelocity().y)";

struct Type {
  std::string name;
  std::string components;  // the inside of the "components" array
  std::string script;      // empty: no script
};

void WriteTypes(const ContentFolder& folder, const std::vector<Type>& types) {
  for (const Type& type : types) {
    std::string components = type.components;
    if (!type.script.empty()) {
      components += std::string(components.empty() ? "" : ",") + R"({"type":"script","data":[]})";
      folder.Write("data/scripts/" + type.name + ".lua", type.script);
    }
    folder.Write("data/gameobjects/" + type.name + ".txt",
                 R"({"name":")" + type.name + R"(","id":1,"components":[)" + components + "]}");
  }
}

std::string Circle(double x, double y, double radius, const std::string& more = "") {
  char text[200];
  std::snprintf(text, sizeof text,
                R"({"type":"collision","data":["Circle",{"pos x":%.2f,"pos y":%.2f,"radius":%.2f%s}]})", x, y, radius,
                more.c_str());
  return text;
}

std::string Box(const std::string& kind, double x, double y, double width, double height,
                const std::string& more = "") {
  char text[240];
  std::snprintf(text, sizeof text,
                R"({"type":"collision","data":["%s",{"pos x":%.2f,"pos y":%.2f,"width":%.2f,"height":%.2f%s}]})",
                kind.c_str(), x, y, width, height, more.c_str());
  return text;
}

std::string Body(const std::string& data) { return R"({"type":"rigidbody","data":[)" + data + "]}"; }

const char* const kTransform = R"({"type":"transform","data":[]})";

// "ROW name values..." lines, by name.
std::map<std::string, std::vector<double>> Rows(const std::string& out) {
  std::map<std::string, std::vector<double>> rows;
  for (const std::string& line : LinesStartingWith(out, "ROW ")) {
    std::istringstream in(line.substr(4));
    std::string name;
    in >> name;
    std::vector<double> values;
    for (std::string word; in >> word;) values.push_back(word == "nil" ? NAN : std::strtod(word.c_str(), nullptr));
    rows[name] = values;
  }
  return rows;
}

// The values of a row, or as many NaNs as asked for when the row is missing.
std::vector<double> Of(const std::map<std::string, std::vector<double>>& rows, const std::string& name,
                       std::size_t count) {
  const auto found = rows.find(name);
  std::vector<double> values = found != rows.end() ? found->second : std::vector<double>{};
  values.resize(std::max(values.size(), count), NAN);
  return values;
}

// The values a level file gives its object of that type: collision 1 and 2,
// then editable 0 to 9; empty when the file has no such object.
std::vector<std::string> Saved(const std::string& file, const std::string& type) {
  const std::size_t at = file.find("\"name\": \"" + type + "\"");
  if (at == std::string::npos) return {};
  const std::string entry = file.substr(at, file.find("\"name\":", at + 1) - at);
  const std::size_t editable = std::min(entry.find("\"editable\""), entry.size());
  std::vector<std::string> values;
  const auto value = [&](std::size_t from, std::size_t to, int index) {
    const std::string key = "{ \"index\" : " + std::to_string(index) + ", \"value\" : ";
    const std::size_t found = entry.find(key, from);
    if (found >= to) return std::string("(none)");
    const std::size_t start = found + key.size();
    return entry.substr(start, entry.find(" }", start) - start);
  };
  for (const int index : {1, 2}) values.push_back(value(0, editable, index));
  for (int index = 0; index < 10; ++index) values.push_back(value(editable, entry.size(), index));
  return values;
}

RunResult RunScene(const ContentFolder& folder, const std::string& title, const std::vector<std::string>& spawn) {
  folder.WriteConfig(ConfigJson(320, 240, title, 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  folder.Write("data/gameobjects/Director.txt",
               R"({"name":"Director","id":1,"components":[{"type":"script","data":[]}]})");
  folder.Write("data/scripts/Director.lua",
               "n, elapsed = 0, 0\n"
               "function Update(dt)\n"
               "  n = n + 1\n"
               "  if n > 1 then elapsed = elapsed + math.max(dt, 1 / 60) end\n"
               "  if elapsed >= 2.2 then Shutdown() end\n"
               "end\n");
  std::vector<std::string> entries = spawn;
  entries.push_back(R"({"name":"Director","id":1,"params":{}})");
  WriteSpawnList(folder, entries);
  return RunOrv(folder);
}

std::string Spawn(const std::string& type, int id, const std::string& params = "{}") {
  return R"({"name":")" + type + R"(","id":)" + std::to_string(id) + R"(,"params":)" + params + "}";
}

// Bodies without a tile map: what each rigidbody value and collision value
// does, what a body keeps without them, and how bodies and walls meet.
TEST(ContentReferenceProgram, TheBodyAndColliderRowsSayWhatTheProgramDoes) {
  ExpectSaid({
      {Row("content/components.md", "rigidbody", "vel x"), "pixels per second"},
      {Row("content/components.md", "rigidbody", "vel y"), "velocity y, in pixels per second"},
      {Row("content/components.md", "rigidbody", "accel y"), "acceleration y"},
      {Row("content/components.md", "rigidbody", "force y"), "the same, y"},
      {Row("content/components.md", "rigidbody", "impulse y"), "the same, y"},
      {Row("content/components.md", "rigidbody", "friction"),
       "the share of the velocity (and of the turning) lost "
       "every 1/60 s, in the air too, kept within 0 to 1"},
      {Row("content/components.md", "rigidbody", "direction"),
       "On an `OBB` collider the box turns the heading, not the reverse: each step sets the heading to the box's "
       "angle (`orientation`)"},
      {Row("content/components.md", "rigidbody", "direction"), "on other colliders it is kept"},
      {Row("content/components.md", "rigidbody", "rotationSpeed"), "held within ±60"},
      {Row("content/components.md", "rigidbody", "mass"), "holds bodies of positive mass as a wall does"},
      {Row("content/components.md", "rigidbody", "movementTrue"), "its velocity is cleared each step"},
      {Row("content/components.md", "rigidbody", "rotationTrue"), "the body does not turn"},
      {Row("content/components.md", "rigidbody", "impulse x"), "velocity x := impulse / mass; nothing without a mass"},
      {Row("content/components.md", "rigidbody", "accel x"),
       "so it needs a mass; each of those steps adds acceleration × "
       "step / 60 to the velocity, and it then fades"},
      {Row("content/components.md", "rigidbody", "force x"), "each adds force / mass × step / 60 to the velocity"},
      {Row("content/components.md", "collision", "pos x"), "| 0.0 |"},
      {Row("content/components.md", "collision", "id"),
       "the collision id, which other objects can refuse with `id_to_avoid`"},
      {Row("content/components.md", "collision", "width"), "a box's whole width"},
      {Row("content/components.md", "collision", "radius"), "a circle's radius"},
      {Row("content/components.md", "transform", "posY"), "world y, in pixels"},
      {Row("content/components.md", "rigidbody", "objReflect"),
       "`\"true\"`: in a contact with a body that does not reflect, the velocities are mirrored; two reflecting "
       "bodies pass through each other"},
      {Row("content/components.md", "collision", "z_collision"), "only colliders of exactly equal z collide"},
      {Row("content/components.md", "collision", "id_to_avoid"), "a collision id this object never collides with"},
      {Row("content/components.md", "collision", "avoidTrigger"),
       "contacts are still reported, but neither object "
       "is pushed away"},
      {Row("content/components.md", "collision", "Collider_Type"),
       "`\"Empty\"` (a circle that meets solid tiles but "
       "no other object)"},
      {Row("content/components.md", "collision", "Collider_Type"), "any other text makes none"},
      {Row("content/components.md", "collision", "height"), "a negative size (-4) is ignored"},
      {Row("content/components.md", "collision", "orientation"), "the collider's angle, in degrees"},
      {Row("content/components.md", "transform", "posX"), "world x, in pixels"},
      {Row("content/components.md", "script", "any name"), "becomes a global of that name in the script"},
      {Page("docs/content/components.md"),
       "Only reals act: `\"data\": [100, 200]` (integers) leaves the object at "
       "(0, 0)."},
      {Page("docs/content/components.md"), "its bounce factor, which only `SetBouncy` sets, is 0"},
      {Page("docs/content/files.md"), "then its values by name, in the byte order of the names"},
      {Page("docs/physics.md"), "**No gravity.**"},
      {Page("docs/physics.md"), "a moving platform does not carry the box standing on it"},
      {Page("docs/physics.md"), "a box slides down any slope"},
      {Page("docs/physics.md"),
       "with the default 0, two equal bodies meeting head on go on together at the average "
       "of their velocities"},
      {Page("docs/physics.md"), "**A static collider never bounces a body**"},
      {Page("docs/physics.md"),
       "the held body bounces off it by the smaller of the two bounce factors (with the "
       "default 0, not at all)"},
      {Page("docs/physics.md"), "| two bodies of mass 0 | they pass through each other; the contact is recorded |"},
      {Page("docs/physics.md"), "`SetAngularVel(2)` turns 60° a second, not 120°"},
  });

  ContentFolder folder;
  const std::string still =
      Probe("still",
            "string.format('%.3f %.3f %g %g %g %.4f %.4f %g', GetPos().x, GetPos().y, GetVelocity().x, "
            "GetVelocity().y, GetBouncy().bouncy, GetDirection().x, GetDirection().y, GetAngularVel().AngularVel)");
  const std::string velocityOnly = Probe("-", kVelocity);
  const auto withName = [](const std::string& name, const std::string& script) {
    std::string text = script;
    text.replace(text.find("ROW - "), 6, "ROW " + name + " ");
    return text;
  };
  const std::string direction =
      "string.format('%.4f %.4f %g', GetDirection().x, GetDirection().y, "
      "GetAngularVel().AngularVel)";
  const std::string impulseInit = "SetImpulse(1, 0) print('ROW ' .. kind .. string.format(' %.4f', GetVelocity().x))";
  // From the second Update: the first also holds the records of the frame
  // the object was made in.
  const std::string counted = "if n > 1 then seen = math.max(seen or 0, GetCollisionCount()) end";
  const std::string contact = "string.format('%d %.3f %.3f', seen or 0, GetPos().x, GetPos().y)";
  const std::string bounds =
      "string.format('%.3f %.3f', GetBoundingRec().Right - GetBoundingRec().Left, "
      "GetBoundingRec().Bottom - GetBoundingRec().Top)";
  const std::vector<Type> types = {
      // Defaults: at (0, 0), at rest with no gravity, no bounce, heading 0.
      {"Still", std::string(kTransform) + R"(,{"type":"collision","data":["Circle",{"radius":8.0}]},)" + Body(""),
       still},
      {"Mover", Circle(0, 300, 8) + "," + Body(R"({"vel x":60.0})"),
       Probe("mover", "string.format('%.3f %.3f ', GetPos().x - start.x, 60 * elapsed) .. " + std::string(kVelocity))},
      {"Halved", Circle(0, 600, 8) + "," + Body(R"({"vel x":60.0,"friction":0.5})"),
       Probe("halved", "string.format('%.4f', first)", "", "if n == 1 then first = GetVelocity().x end")},
      {"Stopped", Circle(0, 900, 8) + "," + Body(R"({"vel x":60.0,"friction":2.0})"),
       withName("stopped", velocityOnly)},
      {"Unslowed", Circle(0, 1200, 8) + "," + Body(R"({"vel x":60.0,"friction":-1.0})"),
       withName("unslowed", velocityOnly)},
      {"Frozen", Circle(0, 1500, 8) + "," + Body(R"({"vel x":60.0,"movementTrue":"false"})"),
       Probe("frozen", std::string(kVelocity) + " .. ' ' .. " + kMoved)},
      // The box turns the heading; a circle keeps it.
      {"BoxHeading",
       Box("OBB", 500, 0, 40, 10, R"(,"orientation":30.0)") + "," +
           Body(R"({"direction":90.0,"rotationTrue":"false"})"),
       Probe("boxheading", direction)},
      {"CircleHeading", Circle(500, 300, 8) + "," + Body(R"({"direction":90.0})"), Probe("circleheading", direction)},
      {"Spinner", Circle(500, 600, 8) + "," + Body(R"({"rotationSpeed":120.0})"), Probe("spinner", direction)},
      {"Unturned", Circle(500, 900, 8) + "," + Body(R"({"rotationSpeed":30.0,"rotationTrue":"false"})"),
       Probe("unturned", direction)},
      // Impulses by index after the mass, by name before it (byte order),
      // and a mass written as an integer.
      {"Impulses",
       Circle(1000, 1500, 8) + "," +
           Body(R"(0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,2.0,0.0,"true","true","false",0.0,0.0,60.0)"),
       "function Init() print('ROW byindex ' .. string.format('%.4f', GetVelocity().x)) end\n"},
      {"ImpulseByName", Circle(1000, 1800, 8) + "," + Body(R"({"impulse x":60.0,"mass":2.0})"),
       "function Init() print('ROW byname ' .. string.format('%.4f', GetVelocity().x)) end\n"},
      {"Heavy", Circle(1000, 2100, 8) + "," + Body(R"({"mass":2.0})"),
       "kind = 'heavy'\nfunction Init() " + impulseInit + " end\n"},
      {"Weightless", Circle(1000, 2400, 8) + "," + Body(R"({"mass":2})"),
       "kind = 'weightless'\nfunction Init() " + impulseInit + " end\n"},
      // An acceleration and a force of 3600 on a mass of 1 add 1 px/s in a
      // step of 1/60 s, and then fade; without a mass, nothing.
      {"Accelerated", Circle(1000, 0, 8) + "," + Body(R"({"mass":1.0,"accel x":3600.0})"),
       withName("accelerated", velocityOnly)},
      {"Forced", Circle(1000, 300, 8) + "," + Body(R"({"mass":1.0,"force x":3600.0})"),
       withName("forced", velocityOnly)},
      {"Massless", Circle(1000, 600, 8) + "," + Body(R"({"accel x":3600.0,"force x":3600.0})"),
       withName("massless", velocityOnly)},
      // Two equal bodies head on, without and with bounce factors.
      {"HeadA", Circle(1500, 0, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0})"), withName("heada", velocityOnly)},
      {"HeadB", Circle(1540, 0, 8) + "," + Body(R"({"mass":1.0})"), withName("headb", velocityOnly)},
      {"BounceA", Circle(1500, 300, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0})"),
       Probe("bouncea", kVelocity, "SetBouncy(1)")},
      {"BounceB", Circle(1540, 300, 8) + "," + Body(R"({"mass":1.0})"), Probe("bounceb", kVelocity, "SetBouncy(0.5)")},
      // The y members, as the x ones.
      {"MoverY", Circle(9000, 0, 8) + "," + Body(R"({"vel y":60.0})"), Probe("movery", kMoved)},
      {"ImpulseY",
       Circle(9000, 300, 8) + "," +
           Body(R"(0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,2.0,0.0,"true","true","false",0.0,0.0,0.0,60.0)"),
       "function Init() print('ROW impulsey ' .. string.format('%.4f', GetVelocity().y)) end\n"},
      {"AcceleratedY", Circle(9000, 600, 8) + "," + Body(R"({"mass":1.0,"accel y":3600.0})"),
       withName("accelerated_y", velocityOnly)},
      {"ForcedY", Circle(9000, 900, 8) + "," + Body(R"({"mass":1.0,"force y":3600.0})"),
       withName("forced_y", velocityOnly)},
      // A reflecting body meets a plain one, and another reflecting one.
      {"ReflectA", Circle(1500, 600, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0,"objReflect":"true"})"),
       Probe("reflecta", std::string(kVelocity) + " .. ' ' .. GetPos().x")},
      {"ReflectB", Circle(1540, 600, 8) + "," + Body(R"({"mass":1.0})"), withName("reflectb", velocityOnly)},
      {"PassA", Circle(1500, 900, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0,"objReflect":"true"})"),
       Probe("passa", std::string(kVelocity) + " .. ' ' .. GetPos().x")},
      {"PassB", Circle(1540, 900, 8) + "," + Body(R"({"mass":1.0,"objReflect":"true"})"),
       withName("passb", velocityOnly)},
      // A bouncy ball against a static wall, a bouncy wall of mass 0 and a
      // wall of mass 0 without bounce.
      {"StaticWall", Box("AABB", 2100, 0, 20, 200), ""},
      {"AtStatic", Circle(2000, 0, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0})"),
       Probe("atstatic", std::string(kVelocity) + " .. ' ' .. GetPos().x", "SetBouncy(1)")},
      {"BouncyWall", Box("AABB", 2600, 0, 20, 200) + "," + Body(""), Probe("bouncywall", kMoved, "SetBouncy(1)")},
      {"AtBouncy", Circle(2500, 0, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0})"),
       Probe("atbouncy", kVelocity, "SetBouncy(1)")},
      {"DeadWall", Box("AABB", 3100, 0, 20, 200) + "," + Body(""), ""},
      {"AtDead", Circle(3000, 0, 8) + "," + Body(R"({"mass":1.0,"vel x":120.0})"),
       Probe("atdead", kVelocity, "SetBouncy(1)")},
      // A static wall stops a body of mass 0 too.
      {"KinematicWall", Box("AABB", 8100, 0, 20, 200), ""},
      {"Kinematic", Circle(8000, 0, 8) + "," + Body(R"({"vel x":120.0})"),
       Probe("kinematic", std::string(kVelocity) + " .. ' ' .. GetPos().x")},
      // Two bodies of mass 0 pass through each other, in contact.
      {"GhostA", Circle(3500, 0, 8) + "," + Body(R"({"vel x":120.0})"), Probe("ghosta", contact, "", counted)},
      {"GhostB", Circle(3540, 0, 8) + "," + Body(""), ""},
      // A platform of mass 0 moving under a box that falls on it; a ball on a
      // static slope.
      {"Platform", Box("AABB", 4000, 100, 600, 20) + "," + Body(R"({"vel x":60.0})"), Probe("platform", kMoved)},
      {"Rider", Circle(4000, 82, 8) + "," + Body(R"({"mass":1.0})"), Probe("rider", kMoved, "", kGravity)},
      {"Slope", Box("OBB", 5000, 300, 600, 20, R"(,"orientation":10.0)"), ""},
      {"Slider", Circle(5000, 280, 8) + "," + Body(R"({"mass":1.0})"), Probe("slider", kMoved, "", kGravity)},
      // Colliders laid on a static box: only the plain one meets it.
      {"PlainWall", Box("AABB", 6000, 0, 40, 40), ""},
      {"PlainProbe", Circle(6005, 0, 8) + "," + Body(R"({"mass":1.0})"), Probe("plain", contact, "", counted)},
      {"LayerWall", Box("AABB", 6000, 300, 40, 40, R"(,"z_collision":1.0)"), ""},
      {"LayerProbe", Circle(6005, 300, 8) + "," + Body(R"({"mass":1.0})"), Probe("layer", contact, "", counted)},
      {"AvoidWall", Box("AABB", 6000, 600, 40, 40, R"(,"id_to_avoid":5)"), ""},
      {"AvoidProbe", Circle(6005, 600, 8, R"(,"id":5)") + "," + Body(R"({"mass":1.0})"),
       Probe("avoid", contact, "", counted)},
      {"TriggerWall", Box("AABB", 6000, 900, 40, 40, R"(,"avoidTrigger":"true")"), ""},
      {"TriggerProbe", Circle(6005, 900, 8) + "," + Body(R"({"mass":1.0})"), Probe("trigger", contact, "", counted)},
      {"EmptyWall", Box("AABB", 6000, 1200, 40, 40), ""},
      {"EmptyProbe",
       R"({"type":"collision","data":["Empty",{"pos x":6005.0,"pos y":1200.0,"radius":8.0}]},)" +
           Body(R"({"mass":1.0})"),
       Probe("empty", contact, "", counted)},
      // Sizes and angles, read back as the collider's bounding box.
      {"Sized", Box("AABB", 7000, 0, 40, 10), Probe("sized", bounds)},
      {"Turned", Box("OBB", 7000, 300, 40, 10, R"(,"orientation":90.0)"), Probe("turned", bounds)},
      {"Round", Circle(7000, 600, 12), Probe("round", bounds)},
      {"Negative", R"({"type":"collision","data":["AABB",{"pos x":7000.0,"pos y":900.0,"width":40.0,"height":-4.0}]})",
       Probe("negative", bounds)},
      {"Shapeless", R"({"type":"collision","data":["Blob",{"radius":8.0}]})",
       "function Init() print('ROW shapeless ' .. tostring(GetPos())) end\n"},
      // A transform without a collider, placed by reals and by integers.
      {"Placed", R"({"type":"transform","data":[{"posX":100.0,"posY":50.0}]})",
       "function Init() SubscribeToEventGroup('marks') end\n"},
      {"Unplaced", R"({"type":"transform","data":[100, 200]})", "function Init() SubscribeToEventGroup('marks') end\n"},
      {"Reader", "",
       Probe("marks",
             "(function() local t = {} for _, e in ipairs(GetEventGroupList('marks')) do "
             "t[#t + 1] = string.format('%d %.1f %.1f', e.id, e.worldX, e.worldY) end "
             "table.sort(t) return table.concat(t, ' ') end)()")},
      // Script globals from data, and a spawn list's override by name.
      {"Globals", "", "function Init() print(string.format('ROW globals %g %g %s', speed, ratio, title)) end\n"},
  };
  WriteTypes(folder, types);
  // The script component's data, given in the blueprint.
  folder.Write("data/gameobjects/Globals.txt",
               R"({"name":"Globals","id":1,"components":[{"type":"script","data":[{"speed":3,"ratio":0.5,)"
               R"("title":"boss"}]}]})");
  std::vector<std::string> spawn;
  int id = 10;
  for (const Type& type : types) {
    if (type.name == "Globals") {
      spawn.push_back(Spawn("Globals", id++, R"({"script":{"value":{"speed":5}}})"));
    } else if (type.name == "Placed" || type.name == "Unplaced") {
      spawn.push_back(Spawn(type.name, type.name == "Placed" ? 71 : 72));
    } else {
      spawn.push_back(Spawn(type.name, id++));
    }
  }
  const RunResult run = RunScene(folder, "ContentRows", spawn);
  ASSERT_TRUE(RanCleanly(run));
  const auto rows = Rows(run.out);
  for (const auto& [name, values] : rows) {
    std::printf("%s:", name.c_str());
    for (const double v : values) std::printf(" %g", v);
    std::printf("\n");
  }

  // Defaults: the collider at (0, 0); no gravity, no bounce, heading 0.
  EXPECT_EQ(Of(rows, "still", 8), (std::vector<double>{0, 0, 0, 0, 0, 1, 0, 0})) << run.out;
  // vel x in pixels per second; friction per 1/60 s, kept within 0 to 1;
  // movementTrue "false".
  const auto mover = Of(rows, "mover", 4);
  EXPECT_NEAR(mover[0], mover[1], 0.02 * mover[1] + 0.5);
  EXPECT_EQ(mover[2], 60);
  const double halved = Of(rows, "halved", 1)[0];
  const double halvings = std::log2(60 / halved);
  // A loaded machine's frames need not be whole sixtieths: the halvings
  // count the time passed, not the frames.
  EXPECT_GE(halvings, 0.99) << "friction 0.5 halves the velocity every 1/60 s: " << halved;
  EXPECT_EQ(Of(rows, "stopped", 1)[0], 0);
  EXPECT_EQ(Of(rows, "unslowed", 1)[0], 60);
  EXPECT_EQ(Of(rows, "frozen", 4), (std::vector<double>{0, 0, 0, 0}));
  // The box's angle replaced the heading; a circle kept it; turning held
  // within ±60 a second, or none.
  const auto box = Of(rows, "boxheading", 3);
  EXPECT_NEAR(box[0], std::cos(30 * std::numbers::pi / 180), 1e-3);
  EXPECT_NEAR(box[1], std::sin(30 * std::numbers::pi / 180), 1e-3);
  const auto circle = Of(rows, "circleheading", 3);
  EXPECT_NEAR(circle[0], 0, 1e-3);
  EXPECT_NEAR(circle[1], 1, 1e-3);
  EXPECT_EQ(Of(rows, "spinner", 3)[2], 60);
  EXPECT_EQ(Of(rows, "unturned", 3), (std::vector<double>{1, 0, 0}));
  // Impulses: by index after a mass of 2, by name before it; a mass written
  // as an integer is none.
  EXPECT_EQ(Of(rows, "byindex", 1)[0], 30);
  EXPECT_EQ(Of(rows, "byname", 1)[0], 0);
  EXPECT_EQ(Of(rows, "heavy", 1)[0], 30);
  EXPECT_EQ(Of(rows, "weightless", 1)[0], 0);
  // 1 px/s from the first step of at least 1/60 s, at most 3600 (0.1² +
  // 0.1³ + ...) from frames of at most 0.1 s: no lasting acceleration.
  for (const char* pushed : {"accelerated", "forced"}) {
    const double v = Of(rows, pushed, 1)[0];
    EXPECT_GE(v, 0.99) << pushed;
    EXPECT_LE(v, 40.1) << pushed;
  }
  EXPECT_EQ(Of(rows, "massless", 1)[0], 0);
  const auto moverY = Of(rows, "movery", 2);
  EXPECT_EQ(moverY[0], 0);
  EXPECT_NEAR(moverY[1], Of(rows, "mover", 2)[1], 0.02 * moverY[1] + 0.5);
  EXPECT_EQ(Of(rows, "impulsey", 1)[0], 30);
  for (const char* pushed : {"accelerated_y", "forced_y"}) {
    const auto v = Of(rows, pushed, 2);
    EXPECT_EQ(v[0], 0) << pushed;
    EXPECT_GE(v[1], 0.99) << pushed;
    EXPECT_LE(v[1], 40.1) << pushed;
  }
  // Head on: the default bounce 0 leaves both at the average; bounces 1 and
  // 0.5 part them by the smaller.
  EXPECT_NEAR(Of(rows, "heada", 1)[0], 60, 0.5);
  EXPECT_NEAR(Of(rows, "headb", 1)[0], 60, 0.5);
  EXPECT_NEAR(Of(rows, "bouncea", 1)[0], 30, 0.5);
  EXPECT_NEAR(Of(rows, "bounceb", 1)[0], 90, 0.5);
  // Reflected off the plain body, which is left as it was; through the
  // reflecting one.
  const auto reflect = Of(rows, "reflecta", 3);
  EXPECT_NEAR(reflect[0], -120, 0.5);
  EXPECT_LT(reflect[2], 1500);
  EXPECT_NEAR(Of(rows, "reflectb", 1)[0], 0, 0.5);
  const auto pass = Of(rows, "passa", 3);
  EXPECT_EQ(pass[0], 120);
  EXPECT_GT(pass[2], 1540 + 16);
  EXPECT_EQ(Of(rows, "passb", 1)[0], 0);
  // A static wall never bounces a body; a bouncy wall of mass 0 does, and
  // does not move; one without bounce stops it.
  const auto atStatic = Of(rows, "atstatic", 3);
  EXPECT_EQ(atStatic[0], 0);
  EXPECT_NEAR(atStatic[2], 2100 - 10 - 8, 0.1);
  EXPECT_NEAR(Of(rows, "atbouncy", 1)[0], -120, 0.5);
  EXPECT_EQ(Of(rows, "bouncywall", 2), (std::vector<double>{0, 0}));
  EXPECT_EQ(Of(rows, "atdead", 1)[0], 0);
  const auto kinematic = Of(rows, "kinematic", 3);
  EXPECT_EQ(kinematic[0], 0);
  EXPECT_NEAR(kinematic[2], 8100 - 10 - 8, 0.1);
  // Two bodies of mass 0: in contact, and through.
  const auto ghost = Of(rows, "ghosta", 3);
  EXPECT_GE(ghost[0], 1) << "the contact was recorded";
  EXPECT_GT(ghost[1], 3540 + 16) << "it passed the other";
  // The platform went on; the box on it stayed where it fell.
  EXPECT_GT(Of(rows, "platform", 2)[0], 100);
  const auto rider = Of(rows, "rider", 2);
  EXPECT_NEAR(rider[0], 0, 0.5) << "a moving platform does not carry the box";
  EXPECT_NEAR(rider[1], 0, 1.0) << "the box stays on the platform";
  // Down the slope of 10 degrees, on it: its centre 8 px from the face
  // (either sense of the angle).
  const auto slider = Of(rows, "slider", 2);
  EXPECT_GT(std::fabs(slider[0]), 30) << "a box slides down any slope";
  double fromFace = 1e9;
  for (const double sense : {1.0, -1.0}) {
    const double angle = sense * 10 * std::numbers::pi / 180;
    const double x = slider[0], y = 280 + slider[1] - 300;
    fromFace = std::min(fromFace, std::fabs(-std::sin(angle) * x + std::cos(angle) * y + 10) - 8);
  }
  EXPECT_NEAR(fromFace, 0, 1.0) << "on the slope";
  // Only the plain pair meets and is pushed apart; the trigger is met and
  // not pushed; the layers, the avoided id and the empty collider meet nothing.
  const auto plain = Of(rows, "plain", 3);
  EXPECT_GE(plain[0], 1);
  EXPECT_NEAR(plain[1], 6000 + 20 + 8, 0.1) << "pushed out of the box by its nearest face";
  EXPECT_EQ(plain[2], 0);
  EXPECT_EQ(Of(rows, "trigger", 3), (std::vector<double>{1, 6005, 900}));
  EXPECT_EQ(Of(rows, "layer", 3), (std::vector<double>{0, 6005, 300}));
  EXPECT_EQ(Of(rows, "avoid", 3), (std::vector<double>{0, 6005, 600}));
  EXPECT_EQ(Of(rows, "empty", 3), (std::vector<double>{0, 6005, 1200}));
  // Sizes and angles.
  EXPECT_EQ(Of(rows, "sized", 2), (std::vector<double>{40, 10}));
  const auto turned = Of(rows, "turned", 2);
  EXPECT_NEAR(turned[0], 10, 0.01);
  EXPECT_NEAR(turned[1], 40, 0.01);
  EXPECT_EQ(Of(rows, "round", 2), (std::vector<double>{24, 24}));
  EXPECT_EQ(Of(rows, "negative", 2), (std::vector<double>{40, 0}));
  EXPECT_NE(run.err.find("a negative size (-4) is ignored; the box keeps the size it had"), std::string::npos)
      << run.err;
  EXPECT_EQ(LinesStartingWith(run.out, "ROW shapeless"), std::vector<std::string>{"ROW shapeless nil"});
  // The transform placed by reals, not by integers.
  EXPECT_EQ(Of(rows, "marks", 6), (std::vector<double>{71, 100, 50, 72, 0, 0}));
  // Data by name became globals; the spawn list's override reached them.
  EXPECT_EQ(LinesStartingWith(run.out, "ROW globals"), std::vector<std::string>{"ROW globals 5 0.5 boss"});
}

// A map of free cells shown in cells of 32 px: bodies stop at its edge, one
// bouncing off tiles comes back whole whatever its bounce factor, one that
// avoids tiles leaves, and a collider far outside stands in solid cells.
TEST(ContentReferenceProgram, TheTileRowsSayWhatTheProgramDoes) {
  ExpectSaid({
      {Row("content/components.md", "rigidbody", "resolveTileMap"),
       "its velocity is mirrored whole, whatever its bounce factor); otherwise it stops against it (its velocity into "
       "the tile is dropped)"},
      {Row("content/components.md", "collision", "avoidTileTrigger"),
       "solid tiles are still reported to `OnTileCollide`, but the object is not pushed out of them"},
      {Row("content/components.md", "tilemap", "tilewidth"), "a cell's width in world pixels"},
      {Page("docs/content/components.md"),
       "The cells outside the map count as solid: colliders stop at its edge, and "
       "one far from it stands in solid cells that are not drawn"},
      {Page("docs/physics.md"),
       "A ball never leaves a small map: it stops at the map's edge, half a cell beyond the "
       "outer cells' centres"},
      {Page("docs/physics.md"), "every collider (a static one too) is stopped by the solid cells"},
  });
  ContentFolder folder;
  const std::string heard = "heard = (heard or 0) + 1";
  const std::string told = "function OnTileCollide(cell) " + heard + " end\n";
  const std::string report = std::string(kVelocity) + " .. string.format(' %.3f %d', GetPos().x, heard or 0)";
  const std::vector<Type> types = {
      {"Map", R"({"type":"tilemap","data":[{"tilemapid":1,"tilewidth":32,"tileheight":32}]})",
       "function Init() CreateNewTileMap(1, 10, 8) end\n"},
      {"Stopper", Circle(100, 100, 8) + "," + Body(R"({"mass":1.0,"vel x":-120.0})"),
       Probe("stopper", report, "SetBouncy(1)") + told},
      {"Bouncer", Circle(100, 150, 8) + "," + Body(R"({"mass":1.0,"vel x":-120.0,"resolveTileMap":"true"})"),
       Probe("bouncer", report) + told},
      {"Ghost", Circle(100, 200, 8, R"(,"avoidTileTrigger":"true")") + "," + Body(R"({"mass":1.0,"vel x":-120.0})"),
       Probe("ghost", report) + told},
      {"Outside", Circle(2000, 2000, 8),
       Probe("outside",
             "string.format('%d %.3f', heard or 0, math.abs(GetPos().x - 2000) + math.abs(GetPos().y - "
             "2000))") +
           told},
  };
  WriteTypes(folder, types);
  std::vector<std::string> spawn;
  int id = 10;
  for (const Type& type : types) spawn.push_back(Spawn(type.name, id++));
  const RunResult run = RunScene(folder, "TileRows", spawn);
  ASSERT_TRUE(RanCleanly(run));
  const auto rows = Rows(run.out);
  for (const auto& [name, values] : rows) {
    std::printf("%s:", name.c_str());
    for (const double v : values) std::printf(" %g", v);
    std::printf("\n");
  }
  // Stopped at the map's left edge (x -16), its bounce factor 1 playing no
  // part, and told of the cells outside.
  const auto stopper = Of(rows, "stopper", 4);
  EXPECT_EQ(stopper[0], 0);
  EXPECT_NEAR(stopper[2], -16 + 8, 0.1);
  EXPECT_GE(stopper[3], 1);
  // Mirrored whole off the edge, at bounce factor 0.
  const auto bouncer = Of(rows, "bouncer", 4);
  EXPECT_NEAR(bouncer[0], 120, 0.01);
  EXPECT_GE(bouncer[3], 1);
  // Told, not stopped: out of the map.
  const auto ghost = Of(rows, "ghost", 4);
  EXPECT_EQ(ghost[0], -120);
  EXPECT_LT(ghost[2], -16 - 8);
  EXPECT_GE(ghost[3], 1);
  // Far from the map: in solid cells every frame.
  const auto outside = Of(rows, "outside", 2);
  EXPECT_GE(outside[0], 15);
  EXPECT_GT(outside[1], 1) << "pushed by the cells, static as it is";
}

// Sprites with lighting on, as a game starts, and then off: what each layer,
// the occluding flag, loop and currentframe, a light and the renderable's
// draw level do, read back in pixels and in what Render() prints.
TEST(ContentReferenceProgram, TheSpriteLightAndOccludingRowsSayWhatTheProgramDraws) {
  ExpectSaid({
      {Row("content/components.md", "collision", "occluding"),
       "A layer-1 sprite on it, while lighting is on (and `EnableSurfaceLighting`, on from the start), is drawn lit: "
       "in "
       "its own colour times 0.8 × the light of the lights whose reach covers its centre, black where none does"},
      {Row("content/components.md", "collision", "occluding"), "its script's `Render()` is not called"},
      {Row("content/components.md", "collision", "occluding"),
       "With lighting off (`SetEnableLighting(false)`) it is drawn as any layer-1 sprite"},
      {Page("docs/content/defaults.md"), "switch lighting off from any script: `SetEnableLighting(false)`"},
      {Page("docs/content/defaults.md"),
       "Layer-1 sprites are lit only when their collider is `occluding` (and `EnableSurfaceLighting` is on, as it is "
       "from the start, and the lighting is not switched off)"},
      {Row("content/components.md", "spriteanim", "layer"),
       "0 the base pass (under the shadows, dimmed by the "
       "lighting"},
      {Row("content/components.md", "spriteanim", "layer"),
       "2 and above (or below 0) the high pass, over the level, "
       "at full brightness"},
      {Row("content/components.md", "spriteanim", "loop"), "**0 shows the first frame still**"},
      {Row("content/components.md", "spriteanim", "currentframe"),
       "the frame shown first, kept within the frames played as they stand when it is set: by name it comes before "
       "`frames`, which then does not move it"},
      {Row("content/files.md", "config/config.ini", "title"), "the window's title"},
      {Row("content/files.md", "res/textures/*.pack", "x"), "the frame's left edge in the image, in pixels"},
      {Row("content/files.md", "res/textures/*.pack", "sizeY"), "the frame's height in pixels"},
      {Page("docs/content/files.md"),
       "the member's name is the animation's name, its value the array of the frame ids it shows, in order"},
      {Row("content/components.md", "spriteanim", "textureid"),
       "An unknown name is reported once, naming the blueprint"},
      {Page("docs/content/files.md"),
       "A `spriteanim` naming an animation that no `res/anims/*.anim` has is reported once, naming the file."},
      {Row("content/components.md", "spriteanim", "frames"), "how many frames play, from the first"},
      {Row("content/components.md", "spriteanim", "layerorder"),
       "the order within the pass: lower values are drawn first, under higher ones"},
      {Row("content/components.md", "transform", "scaleX"),
       "horizontal scale of the sprite and the stencil shape; 1 draws the frame at its pixel size"},
      {Row("content/components.md", "transform", "scaleY"), "vertical scale"},
      {Row("content/components.md", "light", "intensity"), "the light's reach, in pixels"},
      {Row("content/components.md", "light", "intensity"), "an integer is ignored"},
      {Page("docs/content/components.md"),
       "Index 0 comes before 1 and 6, which count the frames of the animation it "
       "names."},
      {Row("content/components.md", "renderable", "drawlevel (any name)"),
       "**0 (or below): no pass takes the object and `Render()` is never called**"},
      {Page("docs/content/defaults.md"), "show at 30 % of their colour, plus what the lights near them add"},
  });
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 240, "ContentSprites", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  // A white frame and a red one, side by side.
  std::string image = "P6\n32 16\n255\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) image += x < 16 ? std::string("\xff\xff\xff") : std::string("\xff\x00\x00", 3);
  }
  folder.Write("res/textures/two.ppm", image);
  folder.Write("res/textures/two.pack", R"({"file":"two.ppm","frames":[{"id":"w","x":0,"y":0,"sizeX":16,"sizeY":16},)"
                                        R"({"id":"r","x":16,"y":0,"sizeX":16,"sizeY":16}]})");
  folder.Write("res/anims/two.anim", R"({"white":["w"],"red":["r"],"whitered":["w","r"]})");
  // World (0, 0) is the window's middle; sprites drawn twice their size.
  const auto sprite = [](double x, double y, const std::string& data, const std::string& more = "", double scaleX = 2.0,
                         double scaleY = 2.0) {
    char transform[160];
    std::snprintf(transform, sizeof transform, R"({"type":"transform","data":[%.1f,%.1f,0.0,%.1f,%.1f]})", x, y, scaleX,
                  scaleY);
    return std::string(transform) + R"(,{"type":"spriteanim","data":[)" + data + "]}" + more;
  };
  const auto occluding = [](double x, double y) {
    char text[200];
    std::snprintf(text, sizeof text,
                  R"(,{"type":"collision","data":["Circle",{"pos x":%.1f,"pos y":%.1f,"radius":8.0,"occluding":1}]})",
                  x, y);
    return std::string(text);
  };
  const std::string says = "function Render() print('RENDER ' .. kind) end\n";
  const std::vector<Type> types = {
      {"Base", sprite(-120, -80, R"({"textureid":"white","layer":0})"), ""},
      {"Surface", sprite(-60, -80, R"({"textureid":"white","layer":1})"), "kind = 'surface'\n" + says},
      {"Dark", sprite(0, -80, R"({"textureid":"white","layer":1})", occluding(0, -80)), "kind = 'dark'\n" + says},
      {"Lit", sprite(60, 60, R"({"textureid":"white","layer":1})", occluding(60, 60)), ""},
      {"High", sprite(60, -80, R"({"textureid":"white","layer":2})"), ""},
      {"Still", sprite(-120, 40, R"({"textureid":"whitered","layer":2,"loop":0})"), ""},
      {"Second", sprite(-60, 40, R"("whitered",{"layer":2,"loop":0,"currentframe":1})"), ""},
      {"Lamp", R"({"type":"transform","data":[60.0,60.0]},{"type":"light","data":[{"intensity":60.0}]})", ""},
      // A lamp whose reach is written as an integer: it keeps 1 px, short of
      // the occluder 2 px away.
      {"Unlit", sprite(130, 60, R"({"textureid":"white","layer":1})", occluding(130, 60)), ""},
      {"IntegerLamp", R"({"type":"transform","data":[130.0,58.0]},{"type":"light","data":[{"intensity":60}]})", ""},
      // The one made first on top by its layerorder; three times as wide as
      // high; one frame played of two, the second asked for, by index and by
      // name (where currentframe comes first).
      {"OnTop", sprite(120, -80, R"({"textureid":"red","layer":2,"layerorder":1})"), ""},
      {"Under", sprite(120, -80, R"({"textureid":"white","layer":2})"), ""},
      {"Wide", sprite(0, 40, R"({"textureid":"white","layer":2})", "", 3.0, 1.0), ""},
      {"Held", sprite(-120, 100, R"("whitered",1,0.0,0,0,2,1)"), ""},
      // An animation no file has, on two objects of one type.
      {"Unknown", sprite(0, 100, R"({"textureid":"nosuch","layer":2})"), ""},
      {"HeldByName", sprite(-60, 100, R"("whitered",{"layer":2,"frames":1,"currentframe":1})"), ""},
      {"Level0", R"({"type":"renderable","data":[0]})", "kind = 'level0'\n" + says},
      {"Level2", R"({"type":"renderable","data":[2]})", "kind = 'level2'\n" + says},
      // Lighting goes off once the test has looked at the lit frames.
      {"Director", "",
       std::string(kStagesLua) + "n = 0\n"
                                 "function Update(dt)\n"
                                 "  n = n + 1\n"
                                 "  if n == 3 then Enter(1) end\n"
                                 "  if stage == 1 and Released() then SetEnableLighting(false) Enter(2) end\n"
                                 "  print('tick')\n"
                                 "end\n"},
  };
  WriteTypes(folder, types);
  std::vector<std::string> spawn;
  int id = 10;
  for (const Type& type : types) spawn.push_back(Spawn(type.name, id++));
  spawn.push_back(Spawn("Unknown", id++));
  WriteSpawnList(folder, spawn);

  int left = 0, top = 0;
  bool found = false;
  Screenshot shot, unlit;
  RunOptions options;
  options.triggers.push_back(FindWindowAndParkPointer("stage 1\n", "ContentSprites", 300, 230, left, top, found));
  options.triggers.push_back(AfterFrames("", 4, "tick\n", [&](pid_t) {
    shot = GrabScreen();
    folder.Write("next 1", "");
  }));
  options.triggers.push_back(AfterFrames("stage 2\n", 4, "tick\n", [&](pid_t pid) {
    unlit = GrabScreen();
    kill(pid, SIGTERM);
  }));
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  ASSERT_TRUE(found) << "no window titled ContentSprites";
  ASSERT_TRUE(shot.error.empty()) << shot.error;
  ASSERT_TRUE(unlit.error.empty()) << unlit.error;
  const auto at = [&](int x, int y) { return shot.At(left + x, top + y); };
  const std::array<int, 3> base = at(40, 40), surface = at(100, 40), dark = at(160, 40), lit = at(220, 180),
                           high = at(220, 40), still = at(40, 160), second = at(100, 160), unlitLamp = at(290, 180),
                           onTop = at(280, 40), wide = at(180, 160), wideAbove = at(160, 173), held = at(40, 220),
                           heldByName = at(100, 220);
  for (const auto& [name, seen] : {std::pair{"base", base},
                                   {"surface", surface},
                                   {"dark", dark},
                                   {"lit", lit},
                                   {"high", high},
                                   {"still", still},
                                   {"second", second},
                                   {"unlit", unlitLamp},
                                   {"ontop", onTop},
                                   {"wide", wide},
                                   {"wideabove", wideAbove},
                                   {"held", held},
                                   {"heldbyname", heldByName}}) {
    std::printf("%s %s\n", name, Text(seen).c_str());
  }
  constexpr std::array<int, 3> kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0};
  EXPECT_TRUE(Near(base, {77, 77, 77}, 12)) << "layer 0, no light near: 30 % " << Text(base);
  EXPECT_TRUE(Near(surface, kWhite)) << Text(surface);
  EXPECT_TRUE(Near(dark, kBlack)) << "occluding, no light near: black " << Text(dark);
  EXPECT_GT(lit[0], 40) << "occluding, under the lamp: lit " << Text(lit);
  EXPECT_LE(lit[0], 0.8 * 255 + 6) << Text(lit);
  EXPECT_TRUE(Near(high, kWhite)) << Text(high);
  EXPECT_TRUE(Near(still, kWhite)) << "loop 0: the first frame, still " << Text(still);
  EXPECT_TRUE(Near(second, kRed)) << "currentframe 1: the second frame " << Text(second);
  EXPECT_TRUE(Near(unlitLamp, kBlack)) << "an integer reach is ignored " << Text(unlitLamp);
  EXPECT_TRUE(Near(onTop, kRed)) << "layerorder 1 over 0 " << Text(onTop);
  EXPECT_TRUE(Near(wide, kWhite)) << "scaleX 3: 48 px wide " << Text(wide);
  EXPECT_TRUE(Near(wideAbove, kBlack)) << "scaleY 1: 16 px high " << Text(wideAbove);
  EXPECT_TRUE(Near(held, kWhite)) << "frames 1: currentframe kept to the first " << Text(held);
  EXPECT_TRUE(Near(heldByName, kRed)) << "currentframe set before frames " << Text(heldByName);
  // The unknown animation said once for its two objects.
  EXPECT_EQ(
      Count(run.out + run.err,
            R"(data/gameobjects/Unknown.txt: spriteanim names the animation "nosuch", which no res/anims/*.anim)"),
      1u)
      << run.out << run.err;
  // Render() for the plain layer-1 sprite and the overlay, not for the lit
  // one nor for draw level 0.
  const std::size_t unlitAt = std::min(run.out.find("stage 2\n"), run.out.size());
  const std::string litOut = run.out.substr(0, unlitAt);
  EXPECT_NE(litOut.find("RENDER surface"), std::string::npos);
  EXPECT_NE(litOut.find("RENDER level2"), std::string::npos);
  EXPECT_EQ(litOut.find("RENDER dark"), std::string::npos);
  EXPECT_EQ(run.out.find("RENDER level0"), std::string::npos);

  // Lighting off: the occluders drawn as any layer-1 sprite, whole and with
  // their Render(), lamp or no lamp; layer 0 at its own colour.
  const auto off = [&](int x, int y) { return unlit.At(left + x, top + y); };
  for (const auto& [name, x, y] :
       {std::tuple{"base", 40, 40}, {"dark", 160, 40}, {"lit", 220, 180}, {"unlit", 290, 180}}) {
    EXPECT_TRUE(Near(off(x, y), kWhite)) << "lighting off, " << name << " " << Text(off(x, y));
  }
  EXPECT_NE(run.out.find("RENDER dark", unlitAt), std::string::npos) << run.out;
}

// The content files' rows: a blueprint's sub_id, the spawn list's entries
// and overrides, a level file's own overrides and the editable values it
// gives, and removal by type in the frame of a creation.
TEST(ContentReferenceProgram, TheFileRowsSayWhatTheProgramReads) {
  ExpectSaid({
      {Row("content/files.md", "data/gameobjects/*.txt", "sub_id"), "| -1 |"},
      {Row("content/files.md", "data/gameobjects/*.txt", "name"), "`CreateGameObject`"},
      {Row("content/files.md", "data/summoner.ini", "params"), "`{}` is needed even for no overrides"},
      {Row("content/files.md", "data/summoner.ini", "id"), "the object's id (what `GetID` answers"},
      {Page("docs/content/files.md"),
       "An override is written into the blueprint itself: objects of that type made "
       "later, by the list or by scripts, start from the overridden values too."},
      {Page("docs/content/files.md"),
       "Unlike the spawn list's, these overrides are the object's own: the blueprint "
       "is left as it was."},
      {Page("docs/content/files.md"), "reads the file from the user's folder, else from `data/<fileName>`"},
      {Row("content/components.md", "editable", "4"), "1: a level file made the object; it is then put at (x, y)"},
      {Row("content/components.md", "editable", "5"),
       "one without a sprite and without a shape here is picked by its collider's shape and size"},
      {Row("content/components.md", "editable", "4"),
       "Objects made otherwise are level objects only when added with "
       "`AddObject`"},
      {Row("content/files.md", "SaveObjects", "name"),
       "the entry is skipped with an error line naming the file and the entry"},
      {Row("content/files.md", "SaveObjects", "params"), "skipped, as above"},
      {Row("content/files.md", "SaveObjects", "index"), "without it, the form by name"},
      {Row("content/files.md", "SaveObjects", "1, 2"), "the object's world x and y (reals)"},
      {Row("content/files.md", "SaveObjects", "0, 1"), "the same x and y"},
      {Row("content/files.md", "SaveObjects", "2, 3"), "the object's id and its type name"},
      {Row("content/files.md", "SaveObjects", "4"), "1: made from a level file"},
      {Row("content/files.md", "SaveObjects", "5"),
       "(for an object without a sprite and without a shape of its own, its collider's shape, with its size in 6 to "
       "8); `\"\"` for a `\"Line\"` collider without a shape of its own, which no point picks"},
      {Row("content/files.md", "SaveObjects", "2, 3"),
       "a loaded object without an id at 2 or a type name at 3 takes its entry's "
       "`\"id\"` and `\"name\"`, so the next save writes it"},
      {Row("content/components.md", "editable", "3"),
       "an object a level file made without one takes its entry's `\"name\"`, so "
       "the next save writes it"},
      {Row("content/files.md", "SaveObjects", "6, 7, 8"), "the shape's whole width and height, and its radius (reals)"},
      {Row("content/files.md", "SaveObjects", "9"), "its rotation in degrees"},
      {Row("content/components.md", "editable", "9"),
       "the collider and the sprite of an object with a `transform` are turned to it"},
      {Page("docs/content/defaults.md"), "objects made with `CreateGameObject` | world pixels"},
      {Row("scripting/objects.md", "", "RemoveAllGameObjectsOfType(id)"),
       "chosen at the end of the frame's update: objects made earlier in the same frame are removed too. To clear "
       "objects and make new ones in one `Update` (a restart), make the new ones with `CreateDelayedGameObject`"},
  });
  ContentFolder folder;
  folder.WriteConfig(ConfigJson(320, 240, "ContentFiles", 60, 1));
  folder.Write("res/audio/loadaudio.ini", R"({"sounds":[]})");
  const std::string place =
      "function Init() local b = GetBoundingRec() print(string.format('ROW %s%d %.1f %.1f %.1f "
      "%.1f', kind, GetID(), GetPos().x, GetPos().y, b.Right - b.Left, b.Bottom - b.Top)) end\n";
  const std::vector<Type> types = {
      {"Plain", R"({"type":"transform","data":[5.0]})", ""},
      {"Moved", R"({"type":"collision","data":["Circle",{"radius":8.0}]})", "kind = 'moved'\n" + place},
      {"Crate", std::string(kTransform) + "," + Box("OBB", 0, 0, 40, 10) + R"(,{"type":"editable","data":[]})",
       "kind = 'crate'\n" + place},
      // The docs' usual editable objects: no sprite, no shape of their own;
      // the coin's place by name gives way to AddObject's.
      {"Coin",
       std::string(kTransform) +
           R"(,{"type":"collision","data":["Circle",{"pos x":0.0,"pos y":0.0,"radius":10.0}]},)"
           R"({"type":"editable","data":[]})",
       ""},
      {"Rod", R"({"type":"collision","data":["Line"]},{"type":"editable","data":[]})", ""},
      {"Loner", "", "function Init() print('ROW loner 1') end\n"},
      {"Token", "", "function Init() SubscribeToEventGroup('tokens') end\n"},
      {"Director", "",
       "n = 0\n"
       "function Update(dt)\n"
       "  n = n + 1\n"
       "  if n == 2 then\n"
       "    LoadObjects('level.json', true)\n"
       "    CreateGameObject('Moved', 43)\n"
       "    for _, e in pairs(GetArcheTypeInfoIndex('transform', 0)) do\n"
       "      print(string.format('ROW arche%s %d', e.name, e.sub_id))\n"
       "    end\n"
       "  elseif n == 3 then\n"
       "    AddObject(100, 50, 9, 'Coin')\n"
       "    AddObject(-100, 50, 10, 'Rod')\n"
       "  elseif n == 4 then\n"
       "    CreateGameObject('Crate', 8)\n"
       "    SaveObjects('before.json')\n"
       "    RemoveObject(102, 50)\n"
       "    RemoveObject(-100, 50)\n"
       "    SaveObjects('after.json')\n"
       "  elseif n == 5 then\n"
       "    CreateGameObject('Token', 60)\n"
       "    CreateDelayedGameObject('Token', 61)\n"
       "    RemoveAllGameObjectsOfType(60)\n"
       "  elseif n == 7 then\n"
       "    local ids = {}\n"
       "    for _, e in ipairs(GetEventGroupList('tokens')) do ids[#ids + 1] = e.id end\n"
       "    print('ROW tokens ' .. table.concat(ids, ' '))\n"
       "    Shutdown()\n"
       "  end\n"
       "end\n"},
  };
  WriteTypes(folder, types);
  folder.Write("data/gameobjects/Sub.txt",
               R"({"name":"Sub","id":3,"sub_id":4,"components":[{"type":"transform","data":[5.0]}]})");
  WriteSpawnList(folder, {Spawn("Moved", 42, R"({"collision":{"index":1,"value":50.0}})"), R"({"name":"Loner","id":2})",
                          Spawn("Director", 1)});
  folder.Write("data/level.json",
               R"({"spawn":[{"name":"Crate","id":7,"params":{)"
               R"("collision":[{"index":1,"value":160.0},{"index":2,"value":224.0}],)"
               R"("editable":[{"index":0,"value":160.0},{"index":1,"value":224.0},{"index":2,"value":7},)"
               R"({"index":3,"value":"Crate"},{"index":4,"value":1},)"
               R"({"index":9,"value":90.0}]}},)"
               R"({"name":"Crate","id":11,"params":{"collision":[{"index":1,"value":-160.0},)"
               R"({"value":{"width":60.0}}],"editable":[{"index":0,"value":-160.0},{"index":4,"value":1}]}},)"
               R"({"name":"Crate","id":12}]})");
  RunOptions options;
  options.env = {{"HOME", folder.Path() + "/home"}, {"XDG_DOCUMENTS_DIR", folder.Path() + "/documents"}};
  const RunResult run = RunOrv(folder, options);
  ASSERT_TRUE(RanCleanly(run));
  const auto rows = Rows(run.out);
  for (const auto& [name, values] : rows) {
    std::printf("%s:", name.c_str());
    for (const double v : values) std::printf(" %g", v);
    std::printf("\n");
  }
  EXPECT_EQ(Of(rows, "archePlain", 1)[0], -1);
  EXPECT_EQ(Of(rows, "archeSub", 1)[0], 4);
  // The spawn list's id and override by index, kept by the blueprint for
  // the object a script makes later.
  EXPECT_EQ(Of(rows, "moved42", 4), (std::vector<double>{50, 0, 16, 16}));
  EXPECT_EQ(Of(rows, "moved43", 4), (std::vector<double>{50, 0, 16, 16}));
  // No params: not made, and said.
  EXPECT_EQ(rows.count("loner"), 0u);
  EXPECT_NE((run.out + run.err).find(R"(spawn entry 2 (Loner) is not made: "params" is missing)"), std::string::npos)
      << run.out << run.err;
  // The level file's crate at its x and y, turned by 90 degrees; the crate a
  // script makes after it starts from the blueprint.
  const auto loaded = Of(rows, "crate7", 4);
  EXPECT_EQ(loaded[0], 160);
  EXPECT_EQ(loaded[1], 224);
  EXPECT_NEAR(loaded[2], 10, 0.01);
  EXPECT_NEAR(loaded[3], 40, 0.01);
  const auto made = Of(rows, "crate8", 4);
  EXPECT_EQ(made[0], 0);
  EXPECT_EQ(made[1], 0);
  EXPECT_NEAR(made[2], 40, 0.01);
  EXPECT_NEAR(made[3], 10, 0.01);
  // What the editor writes for each level object: the crates the level file
  // made, the one without a type name or id with its entry's, and the coin
  // and the rod added, each with its collider's shape and size; the crate
  // made by a script is not written.
  const std::string user = folder.Path() + "/documents/Kelvane/";
  const std::string before = ReadFile(user + "before.json");
  // The second crate placed by index and widened by name, made without a
  // type name; the third, without params, not made and said.
  EXPECT_EQ(Of(rows, "crate11", 4), (std::vector<double>{-160, 0, 60, 10})) << "the crate without a type name was made";
  EXPECT_EQ(rows.count("crate12"), 0u);
  EXPECT_EQ(Count(run.err, R"(data/level.json: spawn entry 3 needs a string "name", an integer "id" and an object )"
                           R"("params")"),
            1u)
      << run.err;
  EXPECT_EQ(Count(before, R"("name": "Crate")"), 2u) << before;
  const std::size_t unnamed = before.find("\"name\": \"Crate\",\n      \"id\": 11,");
  ASSERT_NE(unnamed, std::string::npos) << before;
  EXPECT_EQ(Saved(before.substr(unnamed), "Crate"),
            (std::vector<std::string>{"-160.0", "0.0", "-160.0", "0.0", "11", R"("Crate")", "1", R"("OBB")", "60.0",
                                      "10.0", "0.0", "0.0"}))
      << before;
  const std::map<std::string, std::vector<std::string>> written = {
      {"Crate",
       {"160.0", "224.0", "160.0", "224.0", "7", R"("Crate")", "1", R"("OBB")", "40.0", "10.0", "0.0", "90.0"}},
      {"Coin", {"100.0", "50.0", "100.0", "50.0", "9", R"("Coin")", "1", R"("Circle")", "0.0", "0.0", "10.0", "0.0"}},
      {"Rod", {"-100.0", "50.0", "-100.0", "50.0", "10", R"("Rod")", "1", R"("")", "0.0", "0.0", "0.0", "0.0"}},
  };
  for (const auto& [name, values] : written) {
    EXPECT_EQ(Saved(before, name), values) << name << " in\n" << before;
  }
  // RemoveObject 2 px from the coin's centre took it out of the next save; no
  // point picks the rod.
  const std::string after = ReadFile(user + "after.json");
  EXPECT_EQ(Saved(after, "Coin"), std::vector<std::string>{}) << after;
  EXPECT_EQ(Saved(after, "Crate"), written.at("Crate")) << after;
  EXPECT_EQ(Saved(after, "Rod"), written.at("Rod")) << after;
  // Removal by type took the token made in the same Update, not the delayed one.
  EXPECT_EQ(LinesStartingWith(run.out, "ROW tokens"), std::vector<std::string>{"ROW tokens 61"});
}

}  // namespace
