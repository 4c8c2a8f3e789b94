// The scripted mode's sound output: the mix follows the virtual clock in chunks, silence is
// not mixed at all, and the kept mix is written out as a WAV file at the end of the run.
#include "sound/virtual_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "platform/fs.h"
#include "platform/system.h"

namespace {

constexpr int render_chunk_frames = 4096;  // the mix is made in pieces of this size
// The recorded mix stops growing here (1 GiB, about 3 h 23 min): a WAV file cannot hold
// 4 GiB of samples, and a run that long is a mistake rather than a recording.
constexpr std::int64_t max_recorded_frames = std::int64_t{1} << 28;

void put_le16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xff));
}

void put_le32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    put_le16(out, value & 0xffff);
    put_le16(out, value >> 16);
}

void put_id(std::vector<std::uint8_t>& out, const char* id)
{
    out.insert(out.end(), id, id + 4);
}

}  // namespace

void virtual_output_follow(VirtualOutput& v, Mixer& mixer, double now_ms, bool (*playing)())
{
    const auto target = static_cast<std::int64_t>(std::floor(now_ms * Mixer::output_rate / 1000.0));
    std::array<std::int16_t, 2 * render_chunk_frames> chunk{};
    while (v.frames_rendered < target) {
        const std::int64_t room =
            v.record ? max_recorded_frames - static_cast<std::int64_t>(v.mix.size() / 2) : 0;
        if (!playing()) {
            // Nothing plays, so nothing changes until the next sound operation: the rest is
            // silence, skipped in one step however far the clock jumped (a script's "clock"
            // line may move it on by millennia).
            const std::int64_t kept = std::clamp<std::int64_t>(room, 0, target - v.frames_rendered);
            v.mix.resize(v.mix.size() + 2 * static_cast<std::size_t>(kept), 0);
            v.frames_rendered = target;
            return;
        }
        // A sound plays for as long as its buffer lasts, which is bounded; a termination signal
        // still ends the program without waiting for the rest of it to be mixed.
        if (platform::termination_requested()) return;
        const int frames = static_cast<int>(
            std::min<std::int64_t>(render_chunk_frames, target - v.frames_rendered));
        mixer.render(chunk.data(), frames);
        const auto kept = static_cast<std::size_t>(std::clamp<std::int64_t>(room, 0, frames));
        v.mix.insert(v.mix.end(), chunk.begin(), chunk.begin() + 2 * kept);
        v.frames_rendered += frames;
    }
}

void write_mix(const std::string& path, const std::vector<std::int16_t>& mix)
{
    constexpr int channels = 2;
    constexpr int bytes_per_sample = 2;
    const auto data_size = static_cast<std::uint32_t>(mix.size() * bytes_per_sample);
    std::vector<std::uint8_t> file;
    file.reserve(44 + data_size);
    put_id(file, "RIFF");
    put_le32(file, 36 + data_size);
    put_id(file, "WAVE");
    put_id(file, "fmt ");
    put_le32(file, 16);
    put_le16(file, 1);  // PCM
    put_le16(file, channels);
    put_le32(file, Mixer::output_rate);
    put_le32(file, Mixer::output_rate * channels * bytes_per_sample);
    put_le16(file, channels * bytes_per_sample);
    put_le16(file, 8 * bytes_per_sample);
    put_id(file, "data");
    put_le32(file, data_size);
    for (std::int16_t sample : mix) put_le16(file, static_cast<std::uint16_t>(sample));
    std::string failure;
    if (!platform::replace_file_contents(path, file.data(), file.size(), &failure)) {
        std::fprintf(stderr, "audio %s: the file cannot be written: %s\n", path.c_str(),
                     failure.c_str());
    }
}
