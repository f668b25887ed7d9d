#include "editor/LevelObjectFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "editor/EditComponent.h"

namespace Orv {

namespace {

// Nine significant digits give every float back exactly. A whole number
// still reads as a real: the collider takes its position from reals only,
// and a whole width must not be halved by integer division.
std::string Real(double value) {
  if (!std::isfinite(value)) return "0.0";
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9).ptr;
  std::string written(text, end);
  if (written.find_first_of(".e") == std::string::npos) written += ".0";
  return written;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          quoted += escaped;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

void Line(std::string& text, int blanks, std::string_view line) {
  text.append(static_cast<std::size_t>(blanks), ' ');
  text += line;
  text += '\n';
}

std::string Entry(int index, const std::string& value, bool last = false) {
  return "{ \"index\" : " + std::to_string(index) + ", \"value\" : " + value + (last ? " }" : " },");
}

void WriteRecord(std::string& text, const EditorObjectRecord& record) {
  const std::string id = std::to_string(record.savedId);
  Line(text, 4, "{");
  Line(text, 6, "\"name\": " + Quoted(record.name) + ",");
  Line(text, 6, "\"id\": " + id + ",");
  Line(text, 6, "\"params\": {");
  Line(text, 23, "\"collision\" :");
  Line(text, 41, "[");
  Line(text, 43, Entry(1, Real(record.x)));
  Line(text, 43, Entry(2, Real(record.y), true));
  Line(text, 41, "],");
  Line(text, 23, "\"editable\"  :");
  Line(text, 39, "[");
  Line(text, 41, Entry(1, Real(record.y)));
  Line(text, 41, Entry(0, Real(record.x)));
  Line(text, 41, Entry(2, id));
  Line(text, 41, Entry(3, Quoted(record.name)));
  Line(text, 41, Entry(4, "1"));
  Line(text, 41, Entry(5, Quoted(record.shape)));
  // The component halves what it reads: the whole width goes in.
  Line(text, 41, Entry(6, Real(2.0 * record.halfWidth)));
  Line(text, 41, Entry(7, Real(2.0 * record.halfHeight)));
  Line(text, 41, Entry(8, Real(record.radius)));
  Line(text, 41, Entry(9, Real(record.rotation), true));
  Line(text, 39, "]");
  Line(text, 16, "}");
  text.append(4, ' ');
  text += "}";
}

std::int32_t Truncate(json_int_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

void AddValue(OverrideLists& overrides, const char* component, std::uint32_t index, json_t* value) {
  if (json_is_integer(value)) {
    overrides.AddIndexedOverride(component, index, Truncate(json_integer_value(value)));
  } else if (json_is_real(value)) {
    overrides.AddIndexedOverride(component, index, json_real_value(value));
  } else if (json_is_string(value)) {
    overrides.AddIndexedOverride(component, index, std::string(json_string_value(value)));
  }
}

void AddNamedValues(OverrideLists& overrides, const char* component, json_t* values) {
  const char* key;
  json_t* value;
  json_object_foreach(values, key, value) {
    if (json_is_integer(value)) {
      overrides.AddNamedOverride(component, key, Truncate(json_integer_value(value)));
    } else if (json_is_real(value)) {
      overrides.AddNamedOverride(component, key, json_real_value(value));
    } else if (json_is_string(value)) {
      overrides.AddNamedOverride(component, key, std::string(json_string_value(value)));
    }
  }
}

// A member of "params": an array of {"index": i, "value": v} (by position)
// and {"value": {key: v, ...}} (by name); anything else adds nothing.
void AddParams(OverrideLists& overrides, const char* component, json_t* param) {
  if (!json_is_array(param)) return;
  std::size_t i;
  json_t* element;
  json_array_foreach(param, i, element) {
    if (!json_is_object(element)) continue;
    json_t* index = json_object_get(element, "index");
    json_t* value = json_object_get(element, "value");
    if (index == nullptr) {
      if (json_is_object(value)) AddNamedValues(overrides, component, value);
    } else if (json_is_integer(index)) {
      AddValue(overrides, component, static_cast<std::uint32_t>(json_integer_value(index)), value);
    }
  }
}

// An entry whose editable has no type name or id of its own takes the entry's:
// without a type name its object would be left out of the next save, and
// without an id saved as 0.
void GiveTypeAndId(LevelObjectEntry& entry) {
  const IndexedOverride* name = entry.overrides.LastIndexed("editable", EditComponent::Name);
  const IndexedOverride* id = entry.overrides.LastIndexed("editable", EditComponent::SavedId);
  // Only these reach the component; other values there are ignored by it.
  const bool named = name != nullptr && name->value.type == DataString && !name->value.stringValue.empty();
  const bool numbered = id != nullptr && id->value.type == DataInt;
  if (!named) entry.overrides.AddIndexedOverride("editable", EditComponent::Name, entry.name);
  if (!numbered) {
    entry.overrides.AddIndexedOverride("editable", EditComponent::SavedId, static_cast<std::int32_t>(entry.id));
  }
}

}  // namespace

std::string LevelObjectText(const std::map<std::uint32_t, EditorObjectRecord>& records) {
  std::string text;
  Line(text, 0, "{");
  Line(text, 2, "\"spawn\" : ");
  Line(text, 2, "[");
  bool first = true;
  for (const auto& [key, record] : records) {
    if (record.name.empty()) continue;
    // The separator goes before a record, so the last one written has none.
    if (!first) text += ",\n\n";
    first = false;
    WriteRecord(text, record);
  }
  if (!first) text += '\n';
  Line(text, 2, "]");
  Line(text, 0, "}");
  return text;
}

LevelObjectList ReadLevelObjectList(json_t* root) {
  LevelObjectList list;
  json_t* spawn = json_object_get(root, "spawn");
  if (spawn == nullptr) {
    list.status = LevelObjectList::SpawnMissing;
    return list;
  }
  if (!json_is_array(spawn)) {
    list.status = LevelObjectList::SpawnNotArray;
    return list;
  }
  std::size_t i;
  json_t* element;
  json_array_foreach(spawn, i, element) {
    if (!json_is_object(element)) continue;
    LevelObjectEntry& entry = list.entries.emplace_back();
    entry.position = i + 1;
    json_t* name = json_object_get(element, "name");
    json_t* id = json_object_get(element, "id");
    json_t* params = json_object_get(element, "params");
    if (!json_is_string(name) || !json_is_integer(id) || !json_is_object(params)) continue;
    entry.valid = true;
    entry.name = json_string_value(name);
    entry.id = static_cast<std::uint32_t>(json_integer_value(id));
    const char* component;
    json_t* param;
    json_object_foreach(params, component, param) AddParams(entry.overrides, component, param);
    GiveTypeAndId(entry);
  }
  return list;
}

}  // namespace Orv
