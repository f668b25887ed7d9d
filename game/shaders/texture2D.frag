#version 330
// The plain scene: each texel times the quad's tint. The result is a whole
// composed picture, so it is written opaque.
in vec4 tint;
in vec2 uv;

uniform sampler2D textureUnit;

out vec4 fragColour;

void main() {
  vec4 texel = texture(textureUnit, uv) * tint;
  fragColour = vec4(texel.rgb, 1.0);
}
