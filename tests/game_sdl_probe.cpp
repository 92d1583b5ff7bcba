// Compiled as game code is, against the layer's libraries, by the test
// game_code_cannot_see_sdl: the compiler must not find SDL's headers.
#include <SDL.h>
