#version 330
// As texture2D.vert, and hands the fragment its position in logical pixels,
// the space the lights are given in.
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
}
