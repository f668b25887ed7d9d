#version 330
// A glyph atlas holds coverage in its alpha: the text takes the tint's colour
// and the glyph's coverage times the tint's alpha.
in vec4 tint;
in vec2 uv;

uniform sampler2D textureUnit;

out vec4 fragColour;

void main() {
  fragColour = vec4(tint.rgb, tint.a * texture(textureUnit, uv).a);
}
