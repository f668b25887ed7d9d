#version 330
// The last pass onto the window. It passes the picture through unchanged for
// now; a glow would be added here. Written opaque.
in vec4 tint;
in vec2 uv;

uniform sampler2D textureUnit;

out vec4 fragColour;

void main() {
  vec4 texel = texture(textureUnit, uv) * tint;
  fragColour = vec4(texel.rgb, 1.0);
}
