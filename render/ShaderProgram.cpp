#include "render/ShaderProgram.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/DebugLevel.h"
#include "core/FileUtils.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "platform/Files.h"
#include "render/RenderState.h"

namespace Orv {

namespace {

GLuint CompileShader(GLenum type, const std::string& source) {
  const GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  return shader;
}

std::string ProgramLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  if (length <= 1) return {};
  std::vector<char> log(static_cast<std::size_t>(length));
  glGetProgramInfoLog(program, length, nullptr, log.data());
  return log.data();
}

void EnableAttribute(GLuint program, const char* name, GLint components, std::size_t offset) {
  const GLint location = glGetAttribLocation(program, name);
  // An attribute the compiler dropped has no location to feed.
  if (location < 0) return;
  glEnableVertexAttribArray(static_cast<GLuint>(location));
  glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE, 40,
                        reinterpret_cast<const void*>(offset));
}

}  // namespace

bool CheckShaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  if (length <= 1) return false;
  PrintLine("errlen: " + std::to_string(length));
  std::vector<char> log(static_cast<std::size_t>(length));
  glGetShaderInfoLog(shader, length, nullptr, log.data());
  PrintLineAndShowMessage(log.data());
  return true;
}

namespace {

const char* const kPassThroughVertex = R"(#version 330
in vec4 model_pos;
in vec4 color_input;
in vec2 uv_input;
uniform mat4 projMat;
out vec4 tint;
out vec2 uv;
void main() {
  tint = color_input;
  uv = uv_input;
  gl_Position = projMat * model_pos;
})";

const char* const kPassThroughFragment = R"(#version 330
in vec4 tint;
in vec2 uv;
uniform sampler2D textureUnit;
out vec4 fragColour;
void main() {
  vec4 texel = texture(textureUnit, uv) * tint;
  fragColour = vec4(texel.rgb, 1.0);
})";

const char* const kLitVertex = R"(#version 330
in vec4 model_pos;
in vec4 color_input;
in vec2 uv_input;
uniform mat4 projMat;
out vec4 tint;
out vec2 uv;
out vec2 pixel;
void main() {
  tint = color_input;
  uv = uv_input;
  pixel = model_pos.xy;
  gl_Position = projMat * model_pos;
})";

// Its ambient is kLitShaderAmbient.
const char* const kLitFragment = R"(#version 330
in vec4 tint;
in vec2 uv;
in vec2 pixel;
uniform sampler2D textureUnit;
layout(std140) uniform LightBlocks {
  vec4 light[100];
  int count;
} lightBlock;
const float ambient = 0.3;
out vec4 fragColour;
void main() {
  float level = ambient;
  int count = min(lightBlock.count, 100);
  for (int i = 0; i < count; ++i) {
    vec4 l = lightBlock.light[i];
    if (l.w > 0.0) level += max(0.0, 1.0 - distance(pixel, l.xy) / l.w);
  }
  vec4 texel = texture(textureUnit, uv) * tint;
  fragColour = vec4(texel.rgb * clamp(level, 0.0, 1.0), 1.0);
})";

// The code alone: comments go, each run of spacing becomes one space, so
// that tokens stay apart and nothing else counts.
std::string CodeOf(const std::string& source) {
  std::string code;
  bool space = false;
  for (std::size_t i = 0; i < source.size(); ++i) {
    if (source.compare(i, 2, "//") == 0) {
      i = source.find('\n', i);
      if (i == std::string::npos) break;
      space = true;
      continue;
    }
    if (source.compare(i, 2, "/*") == 0) {
      i = source.find("*/", i + 2);
      if (i == std::string::npos) break;
      ++i;
      space = true;
      continue;
    }
    const char c = source[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
      space = true;
      continue;
    }
    if (space && !code.empty()) code += ' ';
    space = false;
    code += c;
  }
  return code;
}

}  // namespace

KnownShader RecogniseShader(const std::string& vertexSource, const std::string& fragmentSource) {
  const std::string vertex = CodeOf(vertexSource);
  const std::string fragment = CodeOf(fragmentSource);
  if (vertex == CodeOf(kPassThroughVertex) && fragment == CodeOf(kPassThroughFragment)) return KnownShader::PassThrough;
  if (vertex == CodeOf(kLitVertex) && fragment == CodeOf(kLitFragment)) return KnownShader::Lit;
  return KnownShader::None;
}

namespace {

// The file's text, or nothing after a box that says the file cannot be read
// and why: a driver is not to blame for a file that is not there.
std::optional<std::string> ReadShaderFile(const char* path) {
  std::string problem = Platform::FileProblem(path);
  std::string source;
  if (problem.empty()) {
    source = LoadFileToString(path);
    if (source.find_first_not_of(" \t\r\n") == std::string::npos) problem = "it is empty";
  }
  if (problem.empty()) return source;
  const std::string loading = std::string("Error loading file: ") + path;
  const std::string why = std::string("Error! Shader file ") + path + " cannot be read: " + problem;
  PrintLine(loading);
  PrintLine(why);
  ShowMessage(loading + "\n" + why);
  return std::nullopt;
}

// Where a source that is no text (a binary file under a shader's name) first
// shows it, as words for a line; empty for text. Such a file is the
// cause of its compile log, not the graphics card.
std::string NotTextNote(const char* path, const std::string& source) {
  for (std::size_t i = 0; i < source.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(source[i]);
    const bool space = c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    if ((c < 0x20 && !space) || c == 0x7F) {
      return std::string(path) + " is not text (byte " + std::to_string(i) + " is " + std::to_string(c) +
             "): the driver's log above says what it could not compile";
    }
  }
  return {};
}

}  // namespace

GLuint LoadShaderProgram(const char* vertexPath, const char* fragmentPath, KnownShader* known) {
  const std::optional<std::string> vertexSource = ReadShaderFile(vertexPath);
  const std::optional<std::string> fragmentSource = ReadShaderFile(fragmentPath);
  if (known != nullptr) {
    *known = vertexSource && fragmentSource ? RecogniseShader(*vertexSource, *fragmentSource) : KnownShader::None;
  }
  // A readable file is still compiled, so that its own faults are told too.
  const GLuint fragment = fragmentSource ? CompileShader(GL_FRAGMENT_SHADER, *fragmentSource) : 0;
  const GLuint vertex = vertexSource ? CompileShader(GL_VERTEX_SHADER, *vertexSource) : 0;
  // The fragment shader's log is looked at only when the vertex shader has none.
  const bool vertexFailed = vertex != 0 && CheckShaderLog(vertex);
  const bool fragmentFailed = !vertexFailed && fragment != 0 && CheckShaderLog(fragment);
  if (vertexFailed || fragmentFailed) {
    const std::string notText =
        vertexFailed ? NotTextNote(vertexPath, *vertexSource) : NotTextNote(fragmentPath, *fragmentSource);
    if (DebugLevel() > 0) PrintLine("error compiling shader");
    if (!notText.empty()) {
      ShowMessage("Error compiling shader! " + notText);
    } else if (DebugLevel() > 0) {
      ShowMessage("Error compiling shader!");
    } else {
      ShowMessage(
          "Error! Your graphics card cannot support OpenGL 3.3 minimum in order to play this game, please update "
          "your drivers or a new graphics hardware to play this game properly");
    }
  }
  if (vertex == 0 || fragment == 0) {
    if (fragment != 0) glDeleteShader(fragment);
    if (vertex != 0) glDeleteShader(vertex);
    if (known != nullptr) *known = KnownShader::None;
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glDeleteShader(fragment);
  glDeleteShader(vertex);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    PrintLineAndShowMessage(std::string("Error! Shader program ") + vertexPath + " + " + fragmentPath +
                            " cannot be linked: " + ProgramLog(program));
    glDeleteProgram(program);
    program = 0;
    if (known != nullptr) *known = KnownShader::None;
  }
  return program;
}

bool BindShaderAttributes(GLuint program, const Matrix4& projection) {
  EnableAttribute(program, "model_pos", 4, 0);
  EnableAttribute(program, "color_input", 4, 16);
  EnableAttribute(program, "uv_input", 2, 32);
  UseProgram(program);
  // Runs at every batch's Begin: the report's words are made only on a fault.
  const auto cause = [program] { return " of program " + std::to_string(program); };
  const GLint projMat = glGetUniformLocation(program, "projMat");
  if (projMat < 0) {
    ShowMessageOnce("projMat" + cause(), "uniform 'projMat' not found!");
    return false;
  }
  glUniformMatrix4fv(projMat, 1, GL_FALSE, projection.data());
  const GLint textureUnit = glGetUniformLocation(program, "textureUnit");
  if (textureUnit < 0) {
    ShowMessageOnce("textureUnit" + cause(), "uniform 'textureUnit' not found!");
    return false;
  }
  glUniform1i(textureUnit, 0);
  return true;
}

}  // namespace Orv
