#pragma once
// Building the GLSL programs from the files beside the executable, and the
// vertex layout and uniforms every textured program shares.
#include <GL/glew.h>

#include <string>

#include "render/LightMath.h"

namespace Orv {

// Compiles both files and links them. A compiler log of any length counts
// as a failure and is printed and shown (the program is still linked); a
// program that does not link is reported with its log and 0 is returned, so
// nothing tries to draw with it.
GLuint LoadShaderProgram(const char* vertexPath, const char* fragmentPath);

// True when the shader has a log, after printing and showing it.
bool CheckShaderLog(GLuint shader);

// Lays the batch's 40-byte vertex record onto the program's attributes
// "model_pos", "color_input" and "uv_input" (an attribute the program does not
// use is left off), uses the program and sets "projMat" and "textureUnit".
// False when a uniform is missing; each missing one is reported once.
bool BindShaderAttributes(GLuint program, const Matrix4& projection);

}  // namespace Orv
