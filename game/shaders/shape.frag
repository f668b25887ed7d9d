#version 330
// A shape is its colour.
in vec4 tint;

out vec4 fragColour;

void main() {
  fragColour = tint;
}
