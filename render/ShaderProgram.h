#pragma once
// Building the GLSL programs from the files beside the executable, and the
// vertex layout and uniforms every textured program shares.
#include <GL/glew.h>

#include <string>

#include "render/LightMath.h"

namespace Orv {

// The engine's own programs, known by their code whatever comments and
// spacing a copy has. A pass drawn with one of them may reach the same pixels
// a cheaper way; a game's own shader is always drawn as written.
enum class KnownShader {
  None,
  // texel x tint, written opaque.
  PassThrough,
  // texel x tint x clamp(ambient + each light's falloff), written opaque.
  Lit,
};
// What the lit program shows where no light reaches.
inline constexpr float kLitShaderAmbient = 0.3f;
KnownShader RecogniseShader(const std::string& vertexSource, const std::string& fragmentSource);

// Compiles both files and links them. A compiler log of any length counts
// as a failure and is printed and shown (the program is still linked); a
// program that does not link is reported with its log and 0 is returned, so
// nothing tries to draw with it.
// The files' code is recognised into known, when given.
GLuint LoadShaderProgram(const char* vertexPath, const char* fragmentPath, KnownShader* known = nullptr);

// True when the shader has a log, after printing and showing it.
bool CheckShaderLog(GLuint shader);

// Lays the batch's 40-byte vertex record onto the program's attributes
// "model_pos", "color_input" and "uv_input" (an attribute the program does not
// use is left off), uses the program and sets "projMat" and "textureUnit".
// False when a uniform is missing; each missing one is reported once.
bool BindShaderAttributes(GLuint program, const Matrix4& projection);

}  // namespace Orv
