// Writing the rendered picture to an 8-bit BMP file with a given palette
// (trktool and tests look at what the renderer drew this way).
#include "Game/track/render.h"

#include <SDL.h>

bool WriteTerrainPictureBmp(const char* path, const uint8_t palette[256][3])
{
    const TerrainRenderer& r = terrainRenderer;
    if (!r.image || r.width <= 0 || r.height <= 0) return false;
    SDL_Surface* s = SDL_CreateRGBSurfaceFrom(r.image, r.width, r.height, 8, r.pitch, 0, 0, 0, 0);
    if (!s) return false;
    SDL_Color colours[256];
    for (int k = 0; k < 256; ++k) colours[k] = SDL_Color{palette[k][0], palette[k][1], palette[k][2], 0};
    SDL_SetColors(s, colours, 0, 256);
    bool ok = SDL_SaveBMP(s, path) == 0;
    SDL_FreeSurface(s);
    return ok;
}
