// Sound slots on the platform's audio device: WAV files loaded into numbered slots, each
// with up to four mixer buffers that share one sample block, played round robin with pan and
// volume. The mixer is also read by the device's thread, so every access holds the audio lock.
// In the scripted mode there is no device: the mixer follows the virtual clock instead.
#include "sound/sound.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "core/rt_number.h"
#include "core/trace.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "sound/mixer.h"
#include "sound/wav_reader.h"

namespace {

constexpr int slot_count = 256;  // slots held; operations reach 0..127 only
constexpr int last_addressed_slot = 127;
constexpr int max_buffers = 4;
constexpr int channels_per_slot = 256;  // a channel number is slot * 256 + buffer
constexpr double refused = -1;          // the result of a play that played nothing

constexpr int render_chunk_frames = 4096;  // virtual output is mixed in pieces of this size
// The recorded mix stops growing here (1 GiB, about 3 h 23 min): a WAV file cannot hold
// 4 GiB of samples, and a run that long is a mistake rather than a recording.
constexpr std::int64_t max_recorded_frames = std::int64_t{1} << 28;

struct SoundSlot {
    int buffer_count = 0;  // 0 (empty) or 1..4
    int next_buffer = 0;   // the buffer the last play used
    std::string file_name;
    bool device = false;                     // loaded while a device existed
    std::array<int, max_buffers> buffers{};  // mixer buffer ids
};

// The scripted mode's stand-in for the device: the mixer is advanced to the virtual time
// before every operation, and its output optionally kept for the audio file.
struct VirtualOutput {
    bool selected = false;
    bool record = false;
    std::string path;
    std::int64_t frames_rendered = 0;
    std::vector<std::int16_t> mix;  // left, right, left, right ...
};

struct SoundState {
    bool device = false;  // a real device is open, or the virtual one stands in for it
    Mixer mixer;
    std::array<SoundSlot, slot_count> slots;
    VirtualOutput virtual_output;
};

// Never destroyed: the device's thread may still be mixing while the process exits.
SoundState& state()
{
    static SoundState* s = new SoundState;
    return *s;
}

class AudioLock {
public:
    AudioLock() { platform::audio_lock(); }
    ~AudioLock() { platform::audio_unlock(); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

// Called by the device's thread with the audio lock held.
void fill_from_mixer(std::int16_t* out, int frames, void* /*user*/)
{
    state().mixer.render(out, frames);
}

// Slot numbers are truncated; 128 and above address slot 127. Negative ones are no slot.
bool addressed_slot(double number, int& slot)
{
    const int n = rt_to_int(number);
    if (n < 0) return false;
    slot = std::min(n, last_addressed_slot);
    return true;
}

bool any_buffer_playing()
{
    const SoundState& s = state();
    for (const SoundSlot& slot : s.slots) {
        for (int i = 0; i < slot.buffer_count; ++i) {
            if (s.mixer.is_playing(slot.buffers[i])) return true;
        }
    }
    return false;
}

// Mixes the output frames from the last rendered one up to the current virtual time.
void follow_virtual_clock()
{
    SoundState& s = state();
    VirtualOutput& v = s.virtual_output;
    if (!v.selected || !s.device) return;
    const double now_ms = platform::clock_virtual_ms();
    const auto target = static_cast<std::int64_t>(std::floor(now_ms * Mixer::output_rate / 1000.0));
    if (target <= v.frames_rendered) return;

    std::array<std::int16_t, 2 * render_chunk_frames> chunk{};
    AudioLock lock;
    while (v.frames_rendered < target) {
        const int frames = static_cast<int>(
            std::min<std::int64_t>(render_chunk_frames, target - v.frames_rendered));
        // While nothing plays the mixer's state stands still and its output is silence.
        const bool playing = any_buffer_playing();
        if (playing) s.mixer.render(chunk.data(), frames);
        if (v.record) {
            const std::int64_t room =
                max_recorded_frames - static_cast<std::int64_t>(v.mix.size() / 2);
            const auto kept = static_cast<std::size_t>(std::clamp<std::int64_t>(room, 0, frames));
            if (playing) {
                v.mix.insert(v.mix.end(), chunk.begin(), chunk.begin() + 2 * kept);
            } else {
                v.mix.resize(v.mix.size() + 2 * kept, 0);
            }
        }
        v.frames_rendered += frames;
    }
}

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

// The whole mix as a PCM WAV file: 22 050 Hz, 16-bit, stereo, a plain 16-byte format chunk.
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

// Stops, rewinds and frees the slot's buffers; the slot becomes empty.
void release_slot(SoundSlot& slot)
{
    if (slot.buffer_count > 0) {
        Mixer& mixer = state().mixer;
        AudioLock lock;
        for (int i = 0; i < slot.buffer_count; ++i) {
            mixer.stop(slot.buffers[i]);
            mixer.rewind(slot.buffers[i]);
            mixer.remove_buffer(slot.buffers[i]);
        }
    }
    slot = SoundSlot{};
}

std::string number_text(double value)
{
    char text[rt_number_text_size];
    rt_number_to_text(value, text);
    return text;
}

double play_slot(double slot_number, double pan, double volume)
{
    int index = 0;
    if (!addressed_slot(slot_number, index)) return refused;
    // Pan -1 is full left and 1 full right; volume 1 is 0 dB, 0.5 is -50 dB, 0 is -100 dB.
    // A pan or volume that is no number plays centred or silent.
    const double limited_pan = std::isnan(pan) ? 0 : std::clamp(pan, -1.0, 1.0);
    const double limited_volume = std::isnan(volume) ? 0 : std::clamp(volume * 100, 0.0, 100.0);
    // Rounded, so that a volume such as 0.29 (28.999... x 100) is not a hundredth of a
    // decibel off.
    const int pan_db = static_cast<int>(std::lround(limited_pan * 10000));
    const int volume_db = static_cast<int>(std::lround(limited_volume * 100 - 10000));

    SoundSlot& slot = state().slots[index];
    if (!slot.device || slot.buffer_count == 0) return refused;

    Mixer& mixer = state().mixer;
    AudioLock lock;
    int buffer = slot.next_buffer;
    if (mixer.is_playing(slot.buffers[buffer])) {
        // A sound that is still playing is not restarted: with one buffer nothing plays, with
        // several the next one takes over, cut off and restarted if it plays too.
        if (slot.buffer_count == 1) return refused;
        buffer = (buffer + 1) % slot.buffer_count;
        slot.next_buffer = buffer;
        if (mixer.is_playing(slot.buffers[buffer])) {
            mixer.stop(slot.buffers[buffer]);
            mixer.rewind(slot.buffers[buffer]);
        }
    }
    const int id = slot.buffers[buffer];
    mixer.set_volume(id, volume_db);
    mixer.set_pan(id, pan_db);
    mixer.play(id);
    return index * channels_per_slot + buffer;
}

}  // namespace

void sound_use_virtual_clock(const char* audio_path)
{
    // A device that is already open keeps mixing on its own thread; the mode cannot change
    // under it.
    if (state().device) return;
    VirtualOutput& v = state().virtual_output;
    v = VirtualOutput{};
    v.selected = true;
    v.record = audio_path != nullptr;
    if (audio_path != nullptr) v.path = audio_path;
}

void sound_device_init()
{
    SoundState& s = state();
    if (s.device) return;
    if (s.virtual_output.selected) {
        s.device = true;
        s.virtual_output.frames_rendered = 0;
        s.virtual_output.mix.clear();
        return;
    }
    s.device = platform::audio_open(Mixer::output_rate, fill_from_mixer, nullptr);
}

double sound_load(const rt_string& file, double slot_number, double buffers)
{
    follow_virtual_clock();
    int index = 0;
    if (!addressed_slot(slot_number, index)) return 0;
    SoundState& s = state();
    SoundSlot& slot = s.slots[index];
    release_slot(slot);

    const int count = std::clamp(rt_to_int(buffers), 1, max_buffers);
    if (!s.device) return 0;

    auto sound = std::make_shared<WavSound>();
    if (!wav_read(platform::resolve_name_ignoring_case(file.c_str()), *sound)) return 0;
    const std::shared_ptr<const WavSound> block = std::move(sound);
    {
        AudioLock lock;
        for (int i = 0; i < count; ++i) slot.buffers[i] = s.mixer.add_buffer(block);
    }
    slot.buffer_count = count;
    slot.next_buffer = 0;
    slot.file_name = file.c_str();
    slot.device = true;
    return 1;
}

double sound_play(double slot, double pan, double volume)
{
    follow_virtual_clock();
    const double channel = play_slot(slot, pan, volume);
    if (rt_trace_enabled()) {
        rt_trace("sound_play " + number_text(slot) + " " + number_text(pan) + " " +
                 number_text(volume) + " " + number_text(channel));
    }
    return channel;
}

double sound_is_playing(double channel)
{
    follow_virtual_clock();
    const int number = rt_to_int(channel);
    if (number < 0) return 0;
    const int index = number / channels_per_slot;
    const int buffer = number % channels_per_slot;
    if (index >= slot_count) return 0;
    const SoundSlot& slot = state().slots[index];
    if (buffer >= slot.buffer_count) return 0;
    AudioLock lock;
    return state().mixer.is_playing(slot.buffers[buffer]) ? 1 : 0;
}

void sound_stop_all()
{
    follow_virtual_clock();
    rt_trace("sound_stop_all");
    SoundState& s = state();
    AudioLock lock;
    for (int i = 0; i <= last_addressed_slot; ++i) {
        const SoundSlot& slot = s.slots[i];
        if (!slot.device) continue;
        for (int b = 0; b < slot.buffer_count; ++b) {
            s.mixer.stop(slot.buffers[b]);
            s.mixer.rewind(slot.buffers[b]);
        }
    }
}

void sound_device_release()
{
    follow_virtual_clock();
    SoundState& s = state();
    for (SoundSlot& slot : s.slots) release_slot(slot);
    if (!s.device) {
        s.virtual_output = VirtualOutput{};
        return;
    }
    VirtualOutput& v = s.virtual_output;
    if (v.selected) {
        if (v.record) write_mix(v.path, v.mix);
    } else {
        platform::audio_close();
    }
    v = VirtualOutput{};
    s.device = false;
}
