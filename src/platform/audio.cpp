// The audio output device on SDL2: one default device, 16-bit stereo at the caller's rate,
// pulling samples from the caller's fill function on SDL's audio thread. SDL holds the
// device lock while the callback runs, so audio_lock keeps the callback out.
#include "platform/audio.h"

#include <SDL2/SDL.h>

namespace platform {

namespace {

constexpr Uint16 buffer_frames = 512;  // about 23 ms at 22 050 Hz
constexpr int channels = 2;

struct Output {
    SDL_AudioDeviceID device = 0;
    void (*fill)(std::int16_t* out, int frames, void* user) = nullptr;
    void* user = nullptr;
};

Output output;

void callback(void* userdata, Uint8* stream, int bytes)
{
    const Output* o = static_cast<const Output*>(userdata);
    const int frames = bytes / static_cast<int>(channels * sizeof(std::int16_t));
    SDL_memset(stream, 0, static_cast<std::size_t>(bytes));
    o->fill(reinterpret_cast<std::int16_t*>(stream), frames, o->user);
}

SDL_AudioDeviceID open_device(int rate, int allowed_changes, SDL_AudioSpec& have)
{
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = channels;
    want.samples = buffer_frames;
    want.callback = callback;
    want.userdata = &output;
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, allowed_changes);
}

}  // namespace

bool audio_open(int rate, void (*fill)(std::int16_t* out, int frames, void* user), void* user)
{
    if (output.device != 0 || fill == nullptr) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    output.fill = fill;
    output.user = user;

    // Take the hardware's own format when it is ours; otherwise let SDL convert ours to it.
    SDL_AudioSpec have;
    SDL_AudioDeviceID device =
        open_device(rate,
                    SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE |
                        SDL_AUDIO_ALLOW_CHANNELS_CHANGE,
                    have);
    if (device != 0 &&
        (have.freq != rate || have.format != AUDIO_S16SYS || have.channels != channels)) {
        SDL_CloseAudioDevice(device);
        device = open_device(rate, 0, have);
    }
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output = Output{};
        return false;
    }
    output.device = device;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void audio_close()
{
    if (output.device == 0) return;
    SDL_CloseAudioDevice(output.device);  // waits for a running callback to finish
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    output = Output{};
}

void audio_lock()
{
    if (output.device != 0) SDL_LockAudioDevice(output.device);
}

void audio_unlock()
{
    if (output.device != 0) SDL_UnlockAudioDevice(output.device);
}

}  // namespace platform
