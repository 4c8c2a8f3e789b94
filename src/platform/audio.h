// The audio output device. The device pulls samples from a callback on its own thread;
// the callback and the code that changes what it plays must hold the audio lock.
#pragma once
#include <cstdint>

namespace platform {

// Opens the default output device as 16-bit stereo at the given rate (SDL converts to what
// the hardware wants) and starts pulling from fill. False when no device can be opened.
bool audio_open(int rate, void (*fill)(std::int16_t* out, int frames, void* user), void* user);
void audio_close();
void audio_lock();
void audio_unlock();

}  // namespace platform
