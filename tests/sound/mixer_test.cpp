// Tests for the software mixer, rendering into memory: gain and pan, the life of a static
// buffer (plays once, stops at its end and rewinds; stop keeps the place), sample formats and
// channel counts, other sample rates at the right pitch and length, shared blocks and clipping.
#include "sound/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "support/allocation_tracker.h"

using testing_support::allocation_count_during;

namespace {

constexpr double pi = 3.14159265358979323846;

// A sound from interleaved sample values: 16-bit signed, or 8-bit raw unsigned bytes.
std::shared_ptr<const WavSound> make_sound(int channels, int rate, int bits,
                                           const std::vector<int>& samples)
{
    auto sound = std::make_shared<WavSound>();
    sound->channels = channels;
    sound->sample_rate = rate;
    sound->bits_per_sample = bits;
    sound->block_align = channels * bits / 8;
    for (int v : samples) {
        sound->data.push_back(static_cast<std::uint8_t>(v & 0xFF));
        if (bits == 16) sound->data.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
    }
    return sound;
}

std::shared_ptr<const WavSound> mono16(const std::vector<int>& samples, int rate = 22050)
{
    return make_sound(1, rate, 16, samples);
}

std::vector<int> constant(int frames, int value)
{
    return std::vector<int>(static_cast<std::size_t>(frames), value);
}

std::vector<int> ramp(int frames)  // every frame different and none silent
{
    std::vector<int> v;
    for (int i = 0; i < frames; ++i) v.push_back(100 + 7 * i);
    return v;
}

std::vector<int> sine(int frames, int rate, double frequency)
{
    std::vector<int> v;
    for (int i = 0; i < frames; ++i) {
        v.push_back(
            static_cast<int>(std::lround(10000 * std::sin(2 * pi * frequency * i / rate + 0.3))));
    }
    return v;
}

struct Output {
    std::vector<int> left, right;
};

Output render(Mixer& mixer, int frames)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2, 12345);
    mixer.render(out.data(), frames);
    Output o;
    for (int i = 0; i < frames; ++i) {
        o.left.push_back(out[2 * i]);
        o.right.push_back(out[2 * i + 1]);
    }
    return o;
}

int sign_changes(const std::vector<int>& v)
{
    int changes = 0;
    for (std::size_t i = 1; i < v.size(); ++i) changes += (v[i - 1] < 0) != (v[i] < 0);
    return changes;
}

// Output frames a started buffer plays before it stops: it must still play after one frame
// less and have stopped after exactly that many.
void expect_plays_exactly(Mixer& mixer, int id, int frames)
{
    ASSERT_TRUE(mixer.is_playing(id));
    render(mixer, frames - 1);
    EXPECT_TRUE(mixer.is_playing(id)) << "stopped before " << frames << " frames";
    render(mixer, 1);
    EXPECT_FALSE(mixer.is_playing(id)) << "still playing after " << frames << " frames";
}

TEST(Mixer, NothingPlaysUntilStarted)
{
    Mixer mixer;
    const int id = mixer.add_buffer(mono16(constant(100, 5000)));
    EXPECT_FALSE(mixer.is_playing(id));
    const Output o = render(mixer, 50);
    EXPECT_EQ(o.left, constant(50, 0));
    EXPECT_EQ(o.right, constant(50, 0));
}

TEST(Mixer, FullVolumeCentredPlaysTheSamplesAsTheyAre)
{
    Mixer mixer;
    std::vector<int> samples = {0, 1, -1, 32767, -32768, 1234, -4321};
    const int id = mixer.add_buffer(mono16(samples));
    mixer.play(id);
    const Output o = render(mixer, 10);
    samples.insert(samples.end(), {0, 0, 0});  // silence after the end
    EXPECT_EQ(o.left, samples);
    EXPECT_EQ(o.right, samples);
}

TEST(Mixer, VolumeIsAttenuationInHundredthsOfADecibel)
{
    struct Case {
        int volume;
        double factor;
    };
    for (const Case c :
         {Case{0, 1.0}, Case{-600, 0.501187}, Case{-2000, 0.1}, Case{-5000, 0.0031623},
          Case{-10000, 0.0}, Case{-20000, 0.0}, Case{500, 1.0}}) {
        Mixer mixer;
        const int id = mixer.add_buffer(mono16(constant(10, 20000)));
        mixer.set_volume(id, c.volume);
        mixer.play(id);
        const Output o = render(mixer, 1);
        EXPECT_NEAR(o.left[0], 20000 * c.factor, 1.0) << "volume " << c.volume;
        EXPECT_NEAR(o.right[0], 20000 * c.factor, 1.0) << "volume " << c.volume;
    }
}

TEST(Mixer, PanAttenuatesTheOppositeSide)
{
    struct Case {
        int pan;
        double left, right;
    };
    for (const Case c :
         {Case{0, 1, 1}, Case{10000, 0, 1}, Case{-10000, 1, 0}, Case{600, 0.501187, 1},
          Case{-600, 1, 0.501187}, Case{30000, 0, 1}, Case{-30000, 1, 0}}) {
        Mixer mixer;
        const int id = mixer.add_buffer(mono16(constant(10, 20000)));
        mixer.set_pan(id, c.pan);
        mixer.set_volume(id, -600);  // pan and volume multiply
        mixer.play(id);
        const Output o = render(mixer, 1);
        EXPECT_NEAR(o.left[0], 20000 * 0.501187 * c.left, 1.0) << "pan " << c.pan;
        EXPECT_NEAR(o.right[0], 20000 * 0.501187 * c.right, 1.0) << "pan " << c.pan;
    }
}

TEST(Mixer, ABufferStopsAtItsEndAndRewinds)
{
    Mixer mixer;
    const std::vector<int> samples = ramp(1000);
    const int id = mixer.add_buffer(mono16(samples));
    mixer.play(id);
    expect_plays_exactly(mixer, id, 1000);

    // The end is found within a render call that goes past it; the rest is silent.
    mixer.play(id);
    Output o = render(mixer, 1500);
    EXPECT_FALSE(mixer.is_playing(id));
    EXPECT_EQ(std::vector<int>(o.left.begin(), o.left.begin() + 1000), samples);
    EXPECT_EQ(std::vector<int>(o.left.begin() + 1000, o.left.end()), constant(500, 0));

    // Stopped and back at the start: the next play begins with the first sample again.
    EXPECT_EQ(render(mixer, 10).left, constant(10, 0));
    mixer.play(id);
    o = render(mixer, 3);
    EXPECT_EQ(o.left, std::vector<int>(samples.begin(), samples.begin() + 3));
}

TEST(Mixer, StopKeepsThePlaceAndRewindReturnsToTheStart)
{
    Mixer mixer;
    const std::vector<int> samples = ramp(300);
    const int id = mixer.add_buffer(mono16(samples));
    mixer.play(id);
    render(mixer, 100);
    mixer.stop(id);
    EXPECT_FALSE(mixer.is_playing(id));
    EXPECT_EQ(render(mixer, 50).left, constant(50, 0));

    mixer.play(id);  // resumes where it stopped
    EXPECT_EQ(render(mixer, 2).left, (std::vector<int>{samples[100], samples[101]}));
    mixer.play(id);  // playing again changes nothing
    EXPECT_EQ(render(mixer, 1).left[0], samples[102]);

    mixer.rewind(id);  // while playing: goes on from the start
    EXPECT_TRUE(mixer.is_playing(id));
    EXPECT_EQ(render(mixer, 1).left[0], samples[0]);

    mixer.stop(id);
    mixer.rewind(id);
    EXPECT_FALSE(mixer.is_playing(id));
    mixer.play(id);
    expect_plays_exactly(mixer, id, 300);
}

TEST(Mixer, EightBitSamplesAreUnsignedAroundTheMiddle)
{
    Mixer mixer;
    const int id = mixer.add_buffer(make_sound(1, 22050, 8, {128, 255, 0, 129, 127}));
    mixer.play(id);
    const Output o = render(mixer, 5);
    const std::vector<int> expected = {0, 127 * 256, -32768, 256, -256};
    EXPECT_EQ(o.left, expected);
    EXPECT_EQ(o.right, expected);
}

TEST(Mixer, StereoKeepsItsSidesAndMoreChannelsPlayTheFirstTwo)
{
    {
        Mixer mixer;  // 16-bit stereo
        const int id = mixer.add_buffer(make_sound(2, 22050, 16, {1000, -2000, 3000, -4000}));
        mixer.play(id);
        const Output o = render(mixer, 2);
        EXPECT_EQ(o.left, (std::vector<int>{1000, 3000}));
        EXPECT_EQ(o.right, (std::vector<int>{-2000, -4000}));
    }
    {
        Mixer mixer;  // 8-bit stereo
        const int id = mixer.add_buffer(make_sound(2, 22050, 8, {129, 127, 130, 126}));
        mixer.play(id);
        const Output o = render(mixer, 2);
        EXPECT_EQ(o.left, (std::vector<int>{256, 512}));
        EXPECT_EQ(o.right, (std::vector<int>{-256, -512}));
    }
    {
        Mixer mixer;  // 6 channels: the last four never sound
        const int id = mixer.add_buffer(make_sound(
            6, 22050, 16, {100, 200, 9999, 9999, 9999, 9999, 300, 400, 9999, 9999, 9999, 9999}));
        mixer.play(id);
        const Output o = render(mixer, 3);
        EXPECT_EQ(o.left, (std::vector<int>{100, 300, 0}));
        EXPECT_EQ(o.right, (std::vector<int>{200, 400, 0}));
        EXPECT_FALSE(mixer.is_playing(id));
    }
    {
        Mixer mixer;  // stereo pan still works per side
        const int id = mixer.add_buffer(make_sound(2, 22050, 16, {1000, 2000}));
        mixer.set_pan(id, 10000);
        mixer.play(id);
        const Output o = render(mixer, 1);
        EXPECT_EQ(o.left[0], 0);
        EXPECT_EQ(o.right[0], 2000);
    }
}

TEST(Mixer, OtherRatesPlayAtTheirOwnPitchAndLength)
{
    // One second of a 441 Hz tone at each rate: one second of output, 882 zero crossings.
    for (int rate : {11025, 22050, 44100, 48000, 8000}) {
        Mixer mixer;
        const int id = mixer.add_buffer(mono16(sine(rate, rate, 441.0), rate));
        mixer.play(id);
        const Output o = render(mixer, 22050 - 1);
        EXPECT_TRUE(mixer.is_playing(id)) << rate;
        EXPECT_NEAR(sign_changes(o.left), 882, 1) << rate;
        render(mixer, 2);
        EXPECT_FALSE(mixer.is_playing(id)) << rate;
    }

    // Exact lengths: an 11 025 Hz frame lasts two output frames, a 44 100 Hz one half a frame.
    Mixer mixer;
    const int slow = mixer.add_buffer(mono16(ramp(1000), 11025));
    const int fast = mixer.add_buffer(mono16(ramp(1000), 44100));
    mixer.play(slow);
    expect_plays_exactly(mixer, slow, 2000);
    mixer.play(fast);
    expect_plays_exactly(mixer, fast, 500);
}

TEST(Mixer, SlowerRatesAreInterpolatedLinearly)
{
    Mixer mixer;
    const int slow = mixer.add_buffer(mono16({0, 1000, 3000}, 11025));
    mixer.play(slow);
    EXPECT_EQ(render(mixer, 7).left, (std::vector<int>{0, 500, 1000, 2000, 3000, 3000, 0}));

    const int fast = mixer.add_buffer(mono16({10, 20, 30, 40, 50}, 44100));
    mixer.play(fast);
    EXPECT_EQ(render(mixer, 4).left, (std::vector<int>{10, 30, 50, 0}));
}

TEST(Mixer, BuffersSharingOneBlockPlayIndependently)
{
    Mixer mixer;
    const std::vector<int> samples = ramp(400);
    const auto block = mono16(samples);
    const int first = mixer.add_buffer(block);
    const int second = mixer.add_buffer(block);
    EXPECT_NE(first, second);

    mixer.play(first);
    render(mixer, 100);
    mixer.play(second);
    mixer.set_volume(second, -10000);  // the second is silent, yet it moves on
    render(mixer, 50);
    mixer.set_volume(second, 0);
    Output o = render(mixer, 2);
    EXPECT_EQ(o.left, (std::vector<int>{samples[150] + samples[50], samples[151] + samples[51]}));

    mixer.stop(first);  // stopping one leaves the other alone
    o = render(mixer, 1);
    EXPECT_EQ(o.left[0], samples[52]);
    EXPECT_TRUE(mixer.is_playing(second));
    EXPECT_FALSE(mixer.is_playing(first));
    expect_plays_exactly(mixer, second, 400 - 53);
}

TEST(Mixer, LoudSumsAreClipped)
{
    Mixer mixer;
    const int a = mixer.add_buffer(make_sound(2, 22050, 16, {30000, -30000, 1000, -1000}));
    const int b = mixer.add_buffer(make_sound(2, 22050, 16, {30000, -30000, 1000, -1000}));
    mixer.play(a);
    mixer.play(b);
    const Output o = render(mixer, 2);
    EXPECT_EQ(o.left, (std::vector<int>{32767, 2000}));
    EXPECT_EQ(o.right, (std::vector<int>{-32768, -2000}));
}

TEST(Mixer, RemovedAndUnknownBuffersAreIgnored)
{
    Mixer mixer;
    const int gone = mixer.add_buffer(mono16(constant(10, 1000)));
    const int kept = mixer.add_buffer(mono16(constant(10, 2000)));
    mixer.play(gone);
    mixer.play(kept);
    mixer.remove_buffer(gone);
    EXPECT_FALSE(mixer.is_playing(gone));
    EXPECT_EQ(render(mixer, 1).left[0], 2000);
    const int added = mixer.add_buffer(mono16(constant(10, 3000)));
    EXPECT_NE(added, gone);
    EXPECT_NE(added, kept);

    for (int id : {-1, gone, 99}) {  // no effect and no crash
        mixer.play(id);
        mixer.stop(id);
        mixer.rewind(id);
        mixer.set_volume(id, -100);
        mixer.set_pan(id, 100);
        mixer.remove_buffer(id);
        EXPECT_FALSE(mixer.is_playing(id));
    }

    // A block without a whole frame stops as soon as it is mixed.
    const int empty = mixer.add_buffer(mono16({}));
    const int none = mixer.add_buffer(nullptr);
    mixer.play(empty);
    mixer.play(none);
    EXPECT_EQ(render(mixer, 2).left, constant(2, 2000));
    EXPECT_FALSE(mixer.is_playing(empty));
    EXPECT_FALSE(mixer.is_playing(none));
}

TEST(Mixer, RenderingDoesNotAllocateOnceItsSizeIsKnown)
{
    Mixer mixer;
    const auto block = make_sound(2, 11025, 8, ramp(20000));
    for (int i = 0; i < 4; ++i) mixer.play(mixer.add_buffer(block));
    std::vector<std::int16_t> out(2 * 1024);
    mixer.render(out.data(), 1024);
    const std::size_t allocations = allocation_count_during([&] {
        for (int i = 0; i < 10; ++i) mixer.render(out.data(), i % 2 == 0 ? 1024 : 256);
    });
    EXPECT_EQ(allocations, 0u);
}

}  // namespace
