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
#include "sound/virtual_output.h"
#include "sound/wav_reader.h"

namespace {

constexpr int slot_count = 256;  // slots held; operations reach 0..127 only
constexpr int last_addressed_slot = 127;
constexpr int max_buffers = 4;
constexpr int channels_per_slot = 256;  // a channel number is slot * 256 + buffer
constexpr double refused = -1;          // the result of a play that played nothing

struct SoundSlot {
    int buffer_count = 0;  // 0 (empty) or 1..4
    int next_buffer = 0;   // the buffer the last play used
    std::string file_name;
    bool device = false;                     // loaded while a device existed
    std::array<int, max_buffers> buffers{};  // mixer buffer ids
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

// Mixes the output up to the current virtual time (scripted mode only).
void follow_virtual_clock()
{
    SoundState& s = state();
    if (!s.virtual_output.selected || !s.device) return;
    AudioLock lock;  // no device thread mixes in this mode; held as around every mixer call
    virtual_output_follow(s.virtual_output, s.mixer, platform::clock_virtual_ms(),
                          any_buffer_playing);
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
