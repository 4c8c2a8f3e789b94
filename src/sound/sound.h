// Sound slots: WAV files loaded into numbered slots 0..127 with up to four buffers each,
// played with pan and volume, queried and stopped. Without an audio device every load gives
// 0 and every play a negative number, and the program runs silently.
#pragma once
#include "core/rt_string.h"

void sound_device_init();  // opens the output device (22 050 Hz, 16-bit stereo)
// 1 loaded, 0 failed; slots >= 128 become 127
double sound_load(const rt_string& file, double slot, double buffers);
// Channel slot * 256 + buffer, or negative
double sound_play(double slot, double pan, double volume);
double sound_is_playing(double channel);  // 1 while that buffer plays
void sound_stop_all();                    // stops and rewinds every buffer
void sound_device_release();              // releases every slot, then the device

// Scripted mode: the mix follows the virtual clock instead of a device; with a path the
// whole mix is written as a 22 050 Hz 16-bit stereo WAV file when the program ends.
// Call before sound_device_init; sound_device_release writes the file and ends the mode.
void sound_use_virtual_clock(const char* audio_path);
