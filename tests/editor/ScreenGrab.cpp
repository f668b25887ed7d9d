// The render tests' screen grab, built into this program as well: the
// editor's scene is checked by the pixels the real program shows.
#include "render/Screenshot.cpp"
