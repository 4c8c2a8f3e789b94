// Loading a 640 x 480 picture into a sprite, from a 24-bit BMP and from an RGB PNG, against
// what a program would otherwise use in the same run: SDL_LoadBMP and libpng's simplified
// read API, each followed by the upload of one texture. Every run ends with glFinish, so the
// upload is done when the clock stops. Target: sprite_load at most 1.5 times the comparison.
// The reader and texture-building parts of sprite_load are measured on their own as well.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "graphics/image.h"
#include "graphics/sprites.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

constexpr int width = 640, height = 480;

TempDir& scratch()
{
    static TempDir dir;
    return dir;
}

// A picture with smooth gradients, a grid of hard edges and patches of the pink key colour:
// neither trivially compressible nor noise.
std::vector<std::uint8_t> picture_rgb()
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            const bool key = (x / 40 + y / 40) % 7 == 0;
            const bool line = x % 32 == 0 || y % 32 == 0;
            p[0] = key ? 255 : static_cast<std::uint8_t>(line ? 250 : x * 255 / width);
            p[1] = key ? 0 : static_cast<std::uint8_t>(line ? 250 : y * 255 / height);
            p[2] = key ? 128 : static_cast<std::uint8_t>((x ^ y) & 0xff);
        }
    }
    return rgb;
}

void put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}
void put16(std::string& out, std::uint16_t v)
{
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}

const std::string& bmp_file()
{
    static const std::string path = [] {
        const std::vector<std::uint8_t> rgb = picture_rgb();
        const std::uint32_t row = width * 3;  // 1920: already a multiple of 4
        std::string out = "BM";
        put32(out, 54 + row * height);
        put32(out, 0);
        put32(out, 54);
        put32(out, 40);
        put32(out, width);
        put32(out, height);
        put16(out, 1);
        put16(out, 24);
        for (int i = 0; i < 6; ++i) put32(out, 0);
        for (int y = height - 1; y >= 0; --y) {  // bottom row first
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
                out += static_cast<char>(p[2]);
                out += static_cast<char>(p[1]);
                out += static_cast<char>(p[0]);
            }
        }
        const std::string file = scratch().file("picture.bmp");
        testing_support::write_file(file, out);
        return file;
    }();
    return path;
}

const std::string& png_file()
{
    static const std::string path = [] {
        const std::vector<std::uint8_t> rgb = picture_rgb();
        const std::string file = scratch().file("picture.png");
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = width;
        image.height = height;
        image.format = PNG_FORMAT_RGB;
        png_image_write_to_file(&image, file.c_str(), 0, rgb.data(), 0, nullptr);
        return file;
    }();
    return path;
}

GLuint fresh_texture()
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

void BM_SpriteLoad(benchmark::State& state)
{
    const std::string& path = state.range(0) == 0 ? bmp_file() : png_file();
    const rt_string name = path.c_str();
    for (auto _ : state) {
        sprite_load(name, 1);
        glFinish();
    }
    double w = 0, h = 0;
    sprite_get_size(1, w, h);
    if (w != width || h != height) state.SkipWithError("the picture did not load");
    sprite_free(1);
}
BENCHMARK(BM_SpriteLoad)->ArgName("png")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// SDL's loader. upload:1 adds the surface as it comes (BGR bytes) as a 640 x 480 texture;
// upload:2 makes the pink colour key transparent first, the usual SDL way (the key set on the
// surface, the surface converted to RGBA bytes) and uploads those.
void BM_SdlLoadBmp(benchmark::State& state)
{
    const auto upload = state.range(0);
    const std::string& path = bmp_file();
    for (auto _ : state) {
        SDL_Surface* surface = SDL_LoadBMP(path.c_str());
        if (surface == nullptr) {
            state.SkipWithError("SDL_LoadBMP failed");
            break;
        }
        if (upload == 0) {
            SDL_FreeSurface(surface);
            continue;
        }
        SDL_Surface* rgba = nullptr;
        GLuint texture = fresh_texture();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (upload == 1) {
            glPixelStorei(GL_UNPACK_ROW_LENGTH, surface->pitch / 3);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, surface->w, surface->h, 0, GL_BGR,
                         GL_UNSIGNED_BYTE, surface->pixels);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        } else {
            SDL_SetColorKey(surface, SDL_TRUE, SDL_MapRGB(surface->format, 255, 0, 128));
            rgba = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ABGR8888, 0);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rgba->w, rgba->h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         rgba->pixels);
        }
        glFinish();
        glDeleteTextures(1, &texture);
        SDL_FreeSurface(rgba);
        SDL_FreeSurface(surface);
    }
}
BENCHMARK(BM_SdlLoadBmp)->ArgName("upload")->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond);

// libpng's simplified API straight to RGBA bytes; false when the file could not be read.
bool libpng_simplified_read(const std::string& path, png_image& image,
                            std::vector<std::uint8_t>& rgba)
{
    image = png_image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGBA;
    rgba.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) != 0;
}

// libpng's simplified API, then (upload:1) the upload.
void BM_LibpngSimplified(benchmark::State& state)
{
    const bool upload = state.range(0) == 1;
    const std::string& path = png_file();
    std::vector<std::uint8_t> rgba;
    for (auto _ : state) {
        png_image image;
        if (!libpng_simplified_read(path, image, rgba)) {
            state.SkipWithError("libpng could not read the picture");
            break;
        }
        benchmark::DoNotOptimize(rgba.data());
        if (!upload) continue;
        GLuint texture = fresh_texture();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(image.width),
                     static_cast<GLsizei>(image.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glFinish();
        glDeleteTextures(1, &texture);
    }
}
BENCHMARK(BM_LibpngSimplified)->ArgName("upload")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The parts of sprite_load: each reader alone, and the textures built from a decoded picture.
void BM_ReadOnly(benchmark::State& state)
{
    const bool png = state.range(0) == 1;
    const std::string& path = png ? png_file() : bmp_file();
    for (auto _ : state) {
        Image image;
        const bool ok = png ? png_read(path, colour_key_sprite, image)
                            : bmp_read(path, colour_key_sprite, image);
        if (!ok) state.SkipWithError("the reader failed");
        benchmark::DoNotOptimize(image.rgba.data());
    }
}
BENCHMARK(BM_ReadOnly)->ArgName("png")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TexturesOnly(benchmark::State& state)
{
    Image image;
    bmp_read(bmp_file(), colour_key_sprite, image);
    for (auto _ : state) {
        sprite_load_image(1, image);
        glFinish();
    }
    sprite_free(1);
}
BENCHMARK(BM_TexturesOnly)->Unit(benchmark::kMillisecond);

// The console table, then sprite_load's time over the comparison's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                ms_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        ratio("BMP", "BM_SpriteLoad/png:0", "BM_SdlLoadBmp/upload:1");
        ratio("BMP (keyed)", "BM_SpriteLoad/png:0", "BM_SdlLoadBmp/upload:2");
        ratio("PNG", "BM_SpriteLoad/png:1", "BM_LibpngSimplified/upload:1");
        ratio("BMP reader alone", "BM_ReadOnly/png:0", "BM_SdlLoadBmp/upload:0", "bmp_read");
        ratio("PNG reader alone", "BM_ReadOnly/png:1", "BM_LibpngSimplified/upload:0", "png_read");
    }

private:
    void ratio(const char* what, const std::string& ours, const std::string& theirs,
               const char* our_name = "sprite_load")
    {
        const auto a = ms_.find(ours), b = ms_.find(theirs);
        if (a == ms_.end() || b == ms_.end()) return;
        char line[160];
        std::snprintf(line, sizeof line, "%s: %s %.2f ms, %s %.2f ms: %.2fx (target 1.5x)\n", what,
                      our_name, a->second, theirs.c_str(), b->second, a->second / b->second);
        GetOutputStream() << line;
    }
    std::map<std::string, double> ms_;
};

}  // namespace

int main(int argc, char** argv)
{
    RatioReporter reporter;
    return bench::run_with_display(argc, argv, 60, {}, &reporter);
}
