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

}  // namespace

GLuint LoadShaderProgram(const char* vertexPath, const char* fragmentPath) {
  const std::optional<std::string> vertexSource = ReadShaderFile(vertexPath);
  const std::optional<std::string> fragmentSource = ReadShaderFile(fragmentPath);
  // A readable file is still compiled, so that its own faults are told too.
  const GLuint fragment = fragmentSource ? CompileShader(GL_FRAGMENT_SHADER, *fragmentSource) : 0;
  const GLuint vertex = vertexSource ? CompileShader(GL_VERTEX_SHADER, *vertexSource) : 0;
  if ((vertex != 0 && CheckShaderLog(vertex)) || (fragment != 0 && CheckShaderLog(fragment))) {
    if (DebugLevel() > 0) {
      PrintLine("error compiling shader");
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
  }
  return program;
}

bool BindShaderAttributes(GLuint program, const Matrix4& projection) {
  EnableAttribute(program, "model_pos", 4, 0);
  EnableAttribute(program, "color_input", 4, 16);
  EnableAttribute(program, "uv_input", 2, 32);
  UseProgram(program);
  const std::string cause = " of program " + std::to_string(program);
  const GLint projMat = glGetUniformLocation(program, "projMat");
  if (projMat < 0) {
    ShowMessageOnce("projMat" + cause, "uniform 'projMat' not found!");
    return false;
  }
  glUniformMatrix4fv(projMat, 1, GL_FALSE, projection.data());
  const GLint textureUnit = glGetUniformLocation(program, "textureUnit");
  if (textureUnit < 0) {
    ShowMessageOnce("textureUnit" + cause, "uniform 'textureUnit' not found!");
    return false;
  }
  glUniform1i(textureUnit, 0);
  return true;
}

}  // namespace Orv
