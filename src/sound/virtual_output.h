// The scripted mode's sound output: there is no device; the mixer is advanced to the virtual
// clock before every sound operation, and the mix may be kept and written as a WAV file when
// the program ends. The caller holds the audio lock around every call that mixes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sound/mixer.h"

struct VirtualOutput {
    bool selected = false;  // the scripted mode stands in for the device
    bool record = false;    // the mix is kept for the file at path
    std::string path;
    std::int64_t frames_rendered = 0;  // output frames mixed so far (22 050 a second)
    std::vector<std::int16_t> mix;     // left, right, left, right ...
};

// Mixes the frames from the last rendered one up to now_ms. While playing() is false the
// mixer's state stands still and the frames are silence, passed over in one step however many
// they are. A kept mix stops growing at 1 GiB. A termination signal (see platform/system.h)
// stops the mixing part-way.
void virtual_output_follow(VirtualOutput& v, Mixer& mixer, double now_ms, bool (*playing)());
// The mix as a PCM WAV file: 22 050 Hz, 16-bit, stereo, a plain 16-byte format chunk. A file
// that cannot be written is reported on standard error.
void write_mix(const std::string& path, const std::vector<std::int16_t>& mix);
