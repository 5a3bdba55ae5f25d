#include "bench/bare_sdl.h"

#include <SDL.h>

namespace bench {

struct BareSdl::Parts {
    bool videoStarted = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;
};

BareSdl::BareSdl() : parts_(std::make_unique<Parts>()) {}

BareSdl::~BareSdl() {
    if (parts_->texture != nullptr) SDL_DestroyTexture(parts_->texture);
    if (parts_->renderer != nullptr) SDL_DestroyRenderer(parts_->renderer);
    if (parts_->window != nullptr) SDL_DestroyWindow(parts_->window);
    if (parts_->videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool BareSdl::Open(int width, int height, const Pixels& texture) {
    Parts& p = *parts_;
    p.videoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!p.videoStarted) return false;
    p.window = SDL_CreateWindow("bench", 0, 0, width, height, 0);
    if (p.window == nullptr) return false;
    p.renderer = SDL_CreateRenderer(p.window, -1, SDL_RENDERER_SOFTWARE);
    if (p.renderer == nullptr) return false;
    // R, G, B, A bytes in memory.
    p.texture = SDL_CreateTexture(p.renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, texture.width,
                                  texture.height);
    if (p.texture == nullptr) return false;
    SDL_UpdateTexture(p.texture, nullptr, texture.rgba.data(), texture.width * 4);
    SDL_SetTextureBlendMode(p.texture, SDL_BLENDMODE_BLEND);
    p.textureWidth = texture.width;
    p.textureHeight = texture.height;
    return true;
}

void BareSdl::DrawFrame(const std::vector<Quad>& quads) {
    Parts& p = *parts_;
    SDL_SetRenderDrawColor(p.renderer, 0, 0, 0, 255);
    SDL_RenderClear(p.renderer);
    static const int kIndices[6] = {0, 1, 3, 0, 3, 2};
    for (const Quad& q : quads) {
        // Linear filtering where the quad magnifies the texture.
        const bool magnified = q.right - q.left >= static_cast<float>(p.textureWidth) &&
                               q.bottom - q.top >= static_cast<float>(p.textureHeight);
        SDL_SetTextureScaleMode(p.texture, magnified ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
        const SDL_Color colour{255, 255, 255, q.alpha};
        const SDL_Vertex corners[4] = {{{q.left, q.top}, colour, {0, 0}},
                                       {{q.right, q.top}, colour, {1, 0}},
                                       {{q.left, q.bottom}, colour, {0, 1}},
                                       {{q.right, q.bottom}, colour, {1, 1}}};
        SDL_RenderGeometry(p.renderer, p.texture, corners, 4, kIndices, 6);
    }
    SDL_RenderPresent(p.renderer);
}

}  // namespace bench
