// A small software mixer with the semantics of static hardware sound buffers: each buffer
// plays once from its current position, stops at its end and returns to the start; volume
// and pan are in hundredths of a decibel. Pure computation: the caller locks and drives it.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "sound/wav_reader.h"

class Mixer {
public:
    static constexpr int output_rate = 22050;  // output is 16-bit stereo at this rate

    Mixer();
    ~Mixer();  // defined where Buffer is complete

    // A new stopped buffer at position 0; its id
    int add_buffer(std::shared_ptr<const WavSound> sound);
    void remove_buffer(int id);
    bool is_playing(int id) const;
    void play(int id);                           // starts from the current position (no looping)
    void stop(int id);                           // stops; the position stays
    void rewind(int id);                         // position back to the start
    void set_volume(int id, int hundredths_db);  // 0 = full, -10000 = silent
    void set_pan(int id, int hundredths_db);     // < 0 attenuates the right side, > 0 the left

    // Mixes frames of output into out (2 * frames samples, left then right), advancing every
    // playing buffer; buffers that reach their end stop and rewind.
    void render(std::int16_t* out, int frames);

private:
    struct Buffer;
    Buffer* find(int id) const;                     // the live buffer with this id, or null
    std::vector<std::unique_ptr<Buffer>> buffers_;  // index = id; removed ids stay null
    std::vector<float> accumulator_;
};
