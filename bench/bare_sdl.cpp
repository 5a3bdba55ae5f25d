#include "bench/bare_sdl.h"

#include <SDL.h>

#include <vector>

namespace bench {

struct BareSdl::Parts {
    bool videoStarted = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::vector<SDL_Texture*> textures;
    int textureWidth = 0;
    int textureHeight = 0;
};

BareSdl::BareSdl() : parts_(std::make_unique<Parts>()) {}

BareSdl::~BareSdl() {
    for (SDL_Texture* texture : parts_->textures) SDL_DestroyTexture(texture);
    if (parts_->renderer != nullptr) SDL_DestroyRenderer(parts_->renderer);
    if (parts_->window != nullptr) SDL_DestroyWindow(parts_->window);
    if (parts_->videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool BareSdl::Open(int width, int height, const Pixels& pixels, int textures) {
    Parts& p = *parts_;
    p.videoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!p.videoStarted) return false;
    // Hidden: the player's screen window keeps the focus.
    p.window = SDL_CreateWindow("bench", 0, 0, width, height, SDL_WINDOW_HIDDEN);
    if (p.window == nullptr) return false;
    p.renderer = SDL_CreateRenderer(p.window, -1, SDL_RENDERER_SOFTWARE);
    if (p.renderer == nullptr) return false;
    for (int i = 0; i < textures; ++i) {
        // R, G, B, A bytes in memory.
        SDL_Texture* texture = SDL_CreateTexture(p.renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                                 pixels.width, pixels.height);
        if (texture == nullptr) return false;
        p.textures.push_back(texture);
        SDL_UpdateTexture(texture, nullptr, pixels.rgba.data(), pixels.width * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    }
    p.textureWidth = pixels.width;
    p.textureHeight = pixels.height;
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
        SDL_Texture* texture = p.textures.at(static_cast<std::size_t>(q.texture));
        SDL_SetTextureScaleMode(texture, magnified ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
        const SDL_Color colour{255, 255, 255, q.alpha};
        const SDL_Vertex corners[4] = {{{q.left, q.top}, colour, {0, 0}},
                                       {{q.right, q.top}, colour, {1, 0}},
                                       {{q.left, q.bottom}, colour, {0, 1}},
                                       {{q.right, q.bottom}, colour, {1, 1}}};
        SDL_RenderGeometry(p.renderer, texture, corners, 4, kIndices, 6);
    }
    SDL_RenderPresent(p.renderer);
}

}  // namespace bench
