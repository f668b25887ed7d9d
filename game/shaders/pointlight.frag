#version 330
// The lit scene: texel x clamp(ambient + the sum of each light's falloff).
// A light falls off linearly, 1 - d / r, to nothing at its radius. With no
// light in the block the scene shows at the ambient level alone, so nothing
// jumps when the first light comes onto the screen.
in vec4 tint;
in vec2 uv;
in vec2 pixel;

uniform sampler2D textureUnit;

// Each light: x, y in logical pixels, 1.0, radius. The array's length is the
// most lights the engine sends (it reads it from here); the whole block must
// stay within the engine's 1632-byte buffer.
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
}
