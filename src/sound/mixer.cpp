// The software mixer: static buffers over shared sample blocks, resampled to the output rate
// with linear interpolation, scaled by volume and pan and summed with clipping. render() runs
// on the audio thread: it must not allocate (beyond growing its accumulator once), lock or
// compute gains; everything it needs is prepared by the calls that change a buffer.
#include "sound/mixer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int silent_db = -10000;  // hundredths of a decibel at and below which nothing sounds
constexpr int fraction_bits = 32;  // positions are source frames in 32.32 fixed point
constexpr std::uint64_t fraction_one = std::uint64_t{1} << fraction_bits;

// Attenuation in hundredths of a decibel as an amplitude factor; 0 at the silent end.
float amplitude(int hundredths_db)
{
    if (hundredths_db <= silent_db) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredths_db / 2000.0));
}

// One sample of a frame as a float on the 16-bit scale: 8-bit samples are unsigned around
// 128, 16-bit ones signed little-endian.
template <int Bits>
float sample_at(const std::uint8_t* p)
{
    if constexpr (Bits == 8) {
        return static_cast<float>((static_cast<int>(p[0]) - 128) * 256);
    } else {
        return static_cast<float>(static_cast<std::int16_t>(p[0] | p[1] << 8));
    }
}

}  // namespace

struct Mixer::Buffer {
    std::shared_ptr<const WavSound> sound;
    std::uint64_t frames = 0;    // whole frames in the block; 0 if it cannot be played
    std::uint64_t step = 0;      // source frames per output frame, fixed point
    std::uint64_t position = 0;  // in source frames, fixed point; always below the end
    bool playing = false;
    int volume = 0;  // hundredths of a decibel, -10000..0
    int pan = 0;     // hundredths of a decibel, -10000..10000
    float gain_left = 1.0f, gain_right = 1.0f;

    void update_gains()
    {
        const float level = amplitude(volume);
        gain_left = level * (pan > 0 ? amplitude(-pan) : 1.0f);
        gain_right = level * (pan < 0 ? amplitude(pan) : 1.0f);
    }
};

namespace {

// Adds up to frames output frames of buffer into acc (left, right interleaved) and advances
// it; returns true when the buffer reached its end.
template <int Bits>
bool mix_into(float* acc, int frames, const WavSound& sound, std::uint64_t block_frames,
              std::uint64_t step, std::uint64_t& position, float gain_left, float gain_right)
{
    const std::uint8_t* data = sound.data.data();
    const std::size_t stride = static_cast<std::size_t>(sound.block_align);
    const std::size_t right_offset = sound.channels >= 2 ? Bits / 8 : 0;  // mono to both sides
    const std::uint64_t end = block_frames << fraction_bits;
    for (int i = 0; i < frames; ++i) {
        if (position >= end) return true;
        const std::uint64_t index = position >> fraction_bits;
        const float t =
            static_cast<float>(position & (fraction_one - 1)) / static_cast<float>(fraction_one);
        const std::uint8_t* a = data + index * stride;
        const std::uint8_t* b = index + 1 < block_frames ? a + stride : a;  // last frame holds
        const float a_left = sample_at<Bits>(a), a_right = sample_at<Bits>(a + right_offset);
        const float left = a_left + (sample_at<Bits>(b) - a_left) * t;
        const float right = a_right + (sample_at<Bits>(b + right_offset) - a_right) * t;
        acc[2 * i] += left * gain_left;
        acc[2 * i + 1] += right * gain_right;
        position += step;
    }
    return position >= end;
}

}  // namespace

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

int Mixer::add_buffer(std::shared_ptr<const WavSound> sound)
{
    auto buffer = std::make_unique<Buffer>();
    // A block the mixer cannot read (no frames, a layout other than 8/16-bit with the first
    // two channels inside each frame, no rate) gets no frames: playing it ends at once.
    if (sound && sound->sample_rate > 0 &&
        (sound->bits_per_sample == 8 || sound->bits_per_sample == 16) && sound->channels > 0 &&
        sound->block_align >= std::min(sound->channels, 2) * sound->bits_per_sample / 8) {
        buffer->frames = sound->data.size() / static_cast<std::size_t>(sound->block_align);
        buffer->step =
            (static_cast<std::uint64_t>(sound->sample_rate) << fraction_bits) / output_rate;
    }
    buffer->sound = std::move(sound);
    buffers_.push_back(std::move(buffer));
    return static_cast<int>(buffers_.size() - 1);
}

void Mixer::remove_buffer(int id)
{
    if (id >= 0 && static_cast<std::size_t>(id) < buffers_.size()) buffers_[id].reset();
}

Mixer::Buffer* Mixer::find(int id) const
{
    if (id < 0 || static_cast<std::size_t>(id) >= buffers_.size()) return nullptr;
    return buffers_[id].get();
}

bool Mixer::is_playing(int id) const
{
    const Buffer* buffer = find(id);
    return buffer && buffer->playing;
}

void Mixer::play(int id)
{
    if (Buffer* buffer = find(id)) buffer->playing = true;
}

void Mixer::stop(int id)
{
    if (Buffer* buffer = find(id)) buffer->playing = false;
}

void Mixer::rewind(int id)
{
    if (Buffer* buffer = find(id)) buffer->position = 0;
}

void Mixer::set_volume(int id, int hundredths_db)
{
    if (Buffer* buffer = find(id)) {
        buffer->volume = std::clamp(hundredths_db, silent_db, 0);
        buffer->update_gains();
    }
}

void Mixer::set_pan(int id, int hundredths_db)
{
    if (Buffer* buffer = find(id)) {
        buffer->pan = std::clamp(hundredths_db, silent_db, -silent_db);
        buffer->update_gains();
    }
}

void Mixer::render(std::int16_t* out, int frames)
{
    if (!out || frames <= 0) return;
    const std::size_t samples = static_cast<std::size_t>(frames) * 2;
    if (accumulator_.size() < samples) accumulator_.resize(samples);
    float* acc = accumulator_.data();
    std::fill(acc, acc + samples, 0.0f);

    for (const std::unique_ptr<Buffer>& slot : buffers_) {
        Buffer* buffer = slot.get();
        if (!buffer || !buffer->playing) continue;
        bool ended = buffer->frames == 0;
        if (!ended) {
            const WavSound& sound = *buffer->sound;
            ended = sound.bits_per_sample == 8
                        ? mix_into<8>(acc, frames, sound, buffer->frames, buffer->step,
                                      buffer->position, buffer->gain_left, buffer->gain_right)
                        : mix_into<16>(acc, frames, sound, buffer->frames, buffer->step,
                                       buffer->position, buffer->gain_left, buffer->gain_right);
        }
        // A static buffer that has played to its end stops and is ready to play again.
        if (ended) {
            buffer->playing = false;
            buffer->position = 0;
        }
    }

    for (std::size_t i = 0; i < samples; ++i) {
        const float v = std::clamp(acc[i], -32768.0f, 32767.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(v));
    }
}
