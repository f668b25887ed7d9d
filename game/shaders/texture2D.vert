#version 330
// Textured, tinted quads whose vertices the batch has already placed in
// logical pixels (x right, y down); projMat takes them to clip space.
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
}
