#version 330
// Flat-coloured shapes, placed like texture2D.vert.
in vec4 model_pos;
in vec4 color_input;

uniform mat4 projMat;

out vec4 tint;

void main() {
  tint = color_input;
  gl_Position = projMat * model_pos;
}
