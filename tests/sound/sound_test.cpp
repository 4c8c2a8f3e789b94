// Tests for the sound slots: slot limits, loading, the round-robin buffer choice, the playing
// query and stop-all, pan and volume as heard in the mix (on the virtual clock, whose mix is
// read back from the audio file), the trace, the dummy device, and whole scripted runs of a
// program that writes its mix with --audio.
#include "sound/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/trace.h"
#include "platform/clock.h"
#include "support/little_endian.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/wav_bytes.h"

namespace {

using testing_support::le16;
using testing_support::le32;
using testing_support::read_file;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::wav_file;
using testing_support::write_file;

constexpr double pi = 3.14159265358979323846;
constexpr int rate = 22050;  // output frames per second

// ---- WAV files made in the tests ----

// Mono 16-bit at the output rate: the mix shows these values unchanged at 0 dB, centred.
std::string constant_wav(double ms, int value)
{
    return wav_file(1, rate, 16,
                    std::vector<int>(static_cast<std::size_t>(ms * rate / 1000), value));
}

std::string ramp_wav(double ms)  // sample i is 1 + i: the mix shows where a play started
{
    std::vector<int> v;
    for (int i = 0; i < static_cast<int>(ms * rate / 1000); ++i) v.push_back(1 + i);
    return wav_file(1, rate, 16, v);
}

std::vector<int> sine(double ms, int sample_rate, double frequency, int amplitude, int channels,
                      int offset)
{
    std::vector<int> v;
    const int frames = static_cast<int>(ms * sample_rate / 1000);
    for (int i = 0; i < frames; ++i) {
        const int s = offset + static_cast<int>(std::lround(
                                   amplitude * std::sin(2 * pi * frequency * i / sample_rate)));
        for (int c = 0; c < channels; ++c) v.push_back(s);
    }
    return v;
}

// ---- the mix read back ----

struct Mix {
    std::vector<int> left, right;
    std::size_t frames() const { return left.size(); }
};

// Parses the audio file, checking the exact header a 22 050 Hz 16-bit stereo PCM file has.
Mix read_mix(const std::string& path)
{
    const std::string b = read_file(path);
    Mix mix;
    EXPECT_GE(b.size(), 44u) << path;
    if (b.size() < 44) return mix;
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 1);  // PCM
    EXPECT_EQ(le16(b, 22), 2);  // stereo
    EXPECT_EQ(le32(b, 24), 22050u);
    EXPECT_EQ(le32(b, 28), 88200u);
    EXPECT_EQ(le16(b, 32), 4);
    EXPECT_EQ(le16(b, 34), 16);
    EXPECT_EQ(b.substr(36, 4), "data");
    EXPECT_EQ(le32(b, 40), b.size() - 44);
    for (std::size_t at = 44; at + 4 <= b.size(); at += 4) {
        mix.left.push_back(le16(b, at));
        mix.right.push_back(le16(b, at + 2));
    }
    return mix;
}

std::size_t frame_at(double ms)
{
    return static_cast<std::size_t>(std::floor(ms * rate / 1000));
}

// Largest magnitude on one side between two times.
int peak(const std::vector<int>& side, double from_ms, double to_ms)
{
    int most = 0;
    for (std::size_t i = frame_at(from_ms); i < frame_at(to_ms) && i < side.size(); ++i) {
        most = std::max(most, std::abs(side[i]));
    }
    return most;
}

double rms(const std::vector<int>& side, double from_ms, double to_ms)
{
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = frame_at(from_ms); i < frame_at(to_ms) && i < side.size(); ++i, ++n) {
        sum += static_cast<double>(side[i]) * side[i];
    }
    return n == 0 ? 0 : std::sqrt(sum / static_cast<double>(n));
}

// Sign changes per second: twice the frequency of a sine.
double crossing_rate(const std::vector<int>& side, double from_ms, double to_ms)
{
    int changes = 0;
    for (std::size_t i = frame_at(from_ms) + 1; i < frame_at(to_ms) && i < side.size(); ++i) {
        if ((side[i - 1] < 0) != (side[i] < 0)) ++changes;
    }
    return changes / ((to_ms - from_ms) / 1000);
}

// True when every frame between two times holds exactly this value on both sides.
bool holds(const Mix& mix, double from_ms, double to_ms, int left, int right)
{
    for (std::size_t i = frame_at(from_ms); i < frame_at(to_ms); ++i) {
        if (i >= mix.frames() || mix.left[i] != left || mix.right[i] != right) return false;
    }
    return true;
}

// ---- slots on the virtual clock ----

// Each test starts at virtual time 0 with a fresh virtual device that records its mix.
class Slots : public testing::Test {
protected:
    void SetUp() override
    {
        platform::clock_use_virtual();
        sound_use_virtual_clock(mix_path.c_str());
        sound_device_init();
    }
    void TearDown() override
    {
        sound_device_release();
        platform::clock_use_real();
    }

    std::string wav(const std::string& name, const std::string& bytes)
    {
        write_file(dir.file(name), bytes);
        return dir.file(name);
    }
    double load(const std::string& name, double slot, double buffers = 1)
    {
        return sound_load(dir.file(name).c_str(), slot, buffers);
    }
    static void at_ms(double ms)  // moves virtual time forward to ms
    {
        platform::clock_advance_us(
            static_cast<std::int64_t>(std::llround(ms * 1000)) -
            static_cast<std::int64_t>(std::llround(platform::clock_virtual_ms() * 1000)));
    }
    Mix finish()  // releases the device, which writes the mix
    {
        sound_device_release();
        return read_mix(mix_path);
    }

    TempDir dir;
    std::string mix_path = dir.file("mix.wav");
};

TEST_F(Slots, SlotsAbove127AddressSlot127AndNegativeSlotsAreRejected)
{
    wav("a.wav", constant_wav(100, 1000));
    wav("b.wav", constant_wav(100, 2000));
    EXPECT_EQ(load("a.wav", 200), 1);
    EXPECT_EQ(sound_play(127, 0, 1), 127 * 256);
    EXPECT_EQ(sound_is_playing(127 * 256), 1);
    EXPECT_LT(sound_play(1e9, 0, 1), 0);  // slot 127 again: its one buffer is busy

    // Reloading slot 127 through 128 stops the sound that plays there.
    EXPECT_EQ(load("b.wav", 128), 1);
    EXPECT_EQ(sound_is_playing(127 * 256), 0);

    EXPECT_EQ(load("a.wav", -1), 0);
    EXPECT_LT(sound_play(-1, 0, 1), 0);
    EXPECT_LT(sound_play(-1e300, 0, 1), 0);
    // Slot numbers are truncated toward zero first: -0.5 is slot 0, which is empty.
    EXPECT_LT(sound_play(-0.5, 0, 1), 0);
    EXPECT_EQ(load("a.wav", -0.5), 1);
    EXPECT_EQ(sound_play(0.9, 0, 1), 0);

    at_ms(50);
    const Mix mix = finish();
    EXPECT_TRUE(holds(mix, 0, 50, 1000, 1000));  // slot 0's sound; 127's was cut off at once
}

TEST_F(Slots, FailedLoadEmptiesTheSlotAndNamesIgnoreLetterCase)
{
    wav("Tone.wav", constant_wav(100, 1000));
    EXPECT_EQ(load("TONE.WAV", 4), 1);
    EXPECT_EQ(sound_play(4, 0, 1), 4 * 256);
    EXPECT_EQ(load("missing.wav", 4), 0);
    EXPECT_EQ(sound_is_playing(4 * 256), 0);
    EXPECT_LT(sound_play(4, 0, 1), 0);

    wav("short.wav", std::string("RIFF\0\0\0\0WAVE", 12));
    EXPECT_EQ(load("short.wav", 5), 0);
    EXPECT_LT(sound_play(5, 0, 1), 0);
}

TEST_F(Slots, OneBufferRefusesASecondPlayUntilTheSoundHasEnded)
{
    wav("tone.wav", constant_wav(100, 3000));
    ASSERT_EQ(load("tone.wav", 2), 1);
    EXPECT_EQ(sound_play(2, 0, 1), 512);
    at_ms(50);
    EXPECT_LT(sound_play(2, 0, 1), 0);  // still playing: not restarted
    EXPECT_EQ(sound_is_playing(512), 1);
    at_ms(120);
    EXPECT_EQ(sound_is_playing(512), 0);
    EXPECT_EQ(sound_play(2, 0, 1), 512);
    at_ms(300);

    const Mix mix = finish();
    EXPECT_EQ(mix.frames(), frame_at(300));
    EXPECT_TRUE(holds(mix, 0, 100, 3000, 3000));  // the refused play changed nothing
    EXPECT_TRUE(holds(mix, 100, 120, 0, 0));
    EXPECT_TRUE(holds(mix, 120, 220, 3000, 3000));
    EXPECT_TRUE(holds(mix, 220, 300, 0, 0));
}

TEST_F(Slots, SeveralBuffersTakeTurnsAndRestartTheNextOne)
{
    wav("tone.wav", constant_wav(100, 1000));
    ASSERT_EQ(load("tone.wav", 3, 2), 1);
    EXPECT_EQ(sound_play(3, 0, 1), 768);
    at_ms(20);
    EXPECT_EQ(sound_play(3, 0, 1), 769);  // buffer 0 plays: buffer 1 takes over
    at_ms(40);
    EXPECT_EQ(sound_play(3, 0, 1), 768);  // both play: buffer 0 is cut off and restarted
    EXPECT_EQ(sound_is_playing(768), 1);
    EXPECT_EQ(sound_is_playing(769), 1);
    EXPECT_EQ(sound_is_playing(770), 0);  // no third buffer
    at_ms(125);
    EXPECT_EQ(sound_is_playing(769), 0);
    EXPECT_EQ(sound_is_playing(768), 1);
    // Buffer 0 was used last and is still playing, so the next play goes to buffer 1.
    EXPECT_EQ(sound_play(3, 0, 1), 769);
    at_ms(300);

    const Mix mix = finish();
    EXPECT_TRUE(holds(mix, 0, 20, 1000, 1000));
    EXPECT_TRUE(holds(mix, 20, 120, 2000, 2000));   // two at once, the restart seamless
    EXPECT_TRUE(holds(mix, 125, 140, 2000, 2000));  // buffer 0 (from 40) and the new buffer 1
    EXPECT_TRUE(holds(mix, 140, 225, 1000, 1000));
    EXPECT_TRUE(holds(mix, 225, 300, 0, 0));
}

TEST_F(Slots, BufferCountIsLimitedToOneToFour)
{
    wav("tone.wav", constant_wav(100, 1000));
    ASSERT_EQ(load("tone.wav", 6, 9), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(sound_play(6, 0, 1), 6 * 256 + i);
    EXPECT_EQ(sound_play(6, 0, 1), 6 * 256);  // wrapped round

    ASSERT_EQ(load("tone.wav", 7, 0), 1);
    EXPECT_EQ(sound_play(7, 0, 1), 7 * 256);
    EXPECT_LT(sound_play(7, 0, 1), 0);
}

TEST_F(Slots, PlayingQuery)
{
    wav("tone.wav", constant_wav(100, 1000));
    ASSERT_EQ(load("tone.wav", 1), 1);
    const double channel = sound_play(1, 0, 1);
    ASSERT_EQ(channel, 256);
    EXPECT_EQ(sound_is_playing(-1), 0);
    EXPECT_EQ(sound_is_playing(256.7), 1);  // truncated
    EXPECT_EQ(sound_is_playing(257), 0);    // a buffer the slot does not have
    EXPECT_EQ(sound_is_playing(1e12), 0);   // far beyond every slot
    EXPECT_EQ(sound_is_playing(300 * 256), 0);
    at_ms(99);
    EXPECT_EQ(sound_is_playing(channel), 1);
    at_ms(101);
    EXPECT_EQ(sound_is_playing(channel), 0);
}

TEST_F(Slots, StopAllSilencesEverySlotAndTheNextPlayStartsFromTheBeginning)
{
    wav("ramp.wav", ramp_wav(200));
    wav("tone.wav", constant_wav(200, 5000));
    ASSERT_EQ(load("ramp.wav", 0), 1);
    ASSERT_EQ(load("tone.wav", 127), 1);
    EXPECT_EQ(sound_play(0, 0, 1), 0);
    EXPECT_EQ(sound_play(127, 0, 1), 127 * 256);
    at_ms(50);
    sound_stop_all();
    EXPECT_EQ(sound_is_playing(0), 0);
    EXPECT_EQ(sound_is_playing(127 * 256), 0);
    at_ms(60);
    EXPECT_EQ(sound_play(0, 0, 1), 0);
    at_ms(70);

    const Mix mix = finish();
    const std::size_t stop = frame_at(50), restart = frame_at(60);
    ASSERT_EQ(mix.frames(), frame_at(70));
    EXPECT_EQ(mix.left[0], 5001);  // both started at the first frame
    EXPECT_EQ(mix.left[stop - 1], static_cast<int>(stop) + 5000);
    EXPECT_TRUE(holds(mix, 50, 60, 0, 0));
    EXPECT_EQ(mix.left[restart], 1);  // the ramp from its first sample
    EXPECT_EQ(mix.right[restart + 99], 100);
}

TEST_F(Slots, PanAndVolumeAreLimitedAndHeardInTheMix)
{
    wav("tone.wav", constant_wav(100, 8000));
    for (int slot = 0; slot < 5; ++slot) ASSERT_EQ(load("tone.wav", slot), 1);
    EXPECT_EQ(sound_play(0, 5, 2), 0);  // pan beyond 1: full right; volume beyond 1: 0 dB
    at_ms(200);
    EXPECT_EQ(sound_play(1, -3, -1), 256);  // full left, volume below 0: -100 dB
    at_ms(400);
    EXPECT_EQ(sound_play(2, -0.25, 0.5), 512);  // -50 dB; the right side 25 dB lower still
    at_ms(600);
    EXPECT_EQ(sound_play(3, 0.5, 0.9), 768);  // -10 dB; the left side 50 dB lower
    at_ms(800);
    EXPECT_EQ(sound_play(4, std::nan(""), 1), 1024);  // a pan that is no number: centred
    at_ms(1000);

    const Mix mix = finish();
    EXPECT_TRUE(holds(mix, 0, 100, 0, 8000));  // -100 dB of 8000 rounds to nothing
    EXPECT_TRUE(holds(mix, 200, 300, 0, 0));
    EXPECT_TRUE(holds(mix, 400, 500, 25, 1));    // 8000 x 10^(-50/20) = 25.3, then x 10^(-25/20)
    EXPECT_TRUE(holds(mix, 600, 700, 8, 2530));  // 8000 x 10^(-10/20) = 2529.8; x 10^(-50/20) = 8
    EXPECT_TRUE(holds(mix, 800, 900, 8000, 8000));
}

// The trace is a process-wide file: these runs happen in a child process of the test.
TEST(SoundTrace, EveryPlayWithItsResultAndEveryStopAll)
{
    TempDir dir;
    write_file(dir.file("tone.wav"), constant_wav(100, 1000));
    const std::string trace = dir.file("trace.txt");
    EXPECT_EXIT(
        {
            rt_trace_open(trace);
            platform::clock_use_virtual();
            sound_use_virtual_clock(nullptr);
            sound_device_init();
            sound_load(dir.file("tone.wav").c_str(), 200, 1);
            sound_play(200, 5, 2);
            sound_play(200.5, 0, 1);
            sound_play(-3, -0.25, 0.5);
            sound_stop_all();
            sound_play(131, 1e10, 0.125);
            sound_device_release();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(read_file(trace),
              "sound_play 200 5 2 32512\n"
              "sound_play 200.5 0 1 -1\n"
              "sound_play -3 -0.25 0.5 -1\n"
              "sound_stop_all\n"
              "sound_play 131 1.e+010 0.125 32512\n");
}

// ---- the real device, and no device ----

TEST(SoundDevice, DummyDeviceLoadsAndPlays)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    TempDir dir;
    // Ten seconds: the dummy device consumes sound in real time, and the test is done long
    // before the sound could end.
    write_file(dir.file("long.wav"), constant_wav(10000, 100));
    sound_device_init();
    EXPECT_EQ(sound_load(dir.file("long.wav").c_str(), 5, 1), 1);
    EXPECT_EQ(sound_play(5, 0, 1), 1280);
    EXPECT_EQ(sound_is_playing(1280), 1);
    EXPECT_LT(sound_play(5, 0, 1), 0);
    sound_stop_all();
    EXPECT_EQ(sound_is_playing(1280), 0);
    EXPECT_EQ(sound_play(5, 0, 1), 1280);
    sound_device_release();
    EXPECT_EQ(sound_is_playing(1280), 0);  // released with its slot
    EXPECT_LT(sound_play(5, 0, 1), 0);
}

TEST(SoundDevice, WithoutADeviceLoadsGiveZeroAndPlaysAreRefused)
{
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    TempDir dir;
    write_file(dir.file("tone.wav"), constant_wav(100, 100));
    sound_device_init();
    EXPECT_EQ(sound_load(dir.file("tone.wav").c_str(), 0, 1), 0);
    EXPECT_LT(sound_play(0, 0, 1), 0);
    EXPECT_EQ(sound_is_playing(0), 0);
    sound_stop_all();  // harmless
    sound_device_release();
}

// ---- whole scripted runs ----

const std::string probe = BRILLOX_STARTUP_PROBE;

using Outcome = testing_support::ProgramOutcome;

// Runs the start-up probe in cwd with its own temporary directory.
Outcome run_probe(const std::vector<std::string>& args, const std::string& cwd,
                  const std::string& tmpdir)
{
    return testing_support::run_program(probe, args, cwd, {"TMPDIR=" + tmpdir});
}

std::vector<std::string> sound_lines(const std::string& trace)
{
    std::vector<std::string> lines;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("sound", 0) == 0) lines.push_back(line);
    }
    return lines;
}

// Key 1..4 plays slot 0..3, P prints whether slot 0 plays, S stops everything. Keys are seen
// at the frame after the tap, so each play starts up to two frame periods (33 ms) late.
const char* sound_script =
    "wait 100\n"
    "tap 1     # slot 0: 300 ms of 440 Hz\n"
    "wait 100\n"
    "tap 1     # refused: still playing\n"
    "tap P\n"
    "wait 300\n"
    "tap P     # it has ended\n"
    "wait 100\n"
    "tap 2     # slot 1: 300 ms of 880 Hz, 8-bit stereo at 11 025 Hz\n"
    "wait 500\n"
    "tap 3     # slot 2: a second of 660 Hz at 44 100 Hz\n"
    "tap 4     # slot 3 holds nothing\n"
    "wait 400\n"
    "tap S     # cuts slot 2 off\n"
    "wait 500\n";

class ScriptedAudio : public testing::Test {
protected:
    void SetUp() override
    {
        write_file(sounds.file("sound0.wav"),
                   wav_file(1, 22050, 16, sine(300, 22050, 440, 12000, 1, 0)));
        write_file(sounds.file("sound1.wav"),
                   wav_file(2, 11025, 8, sine(300, 11025, 880, 100, 2, 128)));
        write_file(sounds.file("sound2.wav"),
                   wav_file(1, 44100, 16, sine(1000, 44100, 660, 8000, 1, 0)));
        write_file(start.file("script.txt"), sound_script);
    }
    Outcome run()
    {
        return run_probe({"sounds", sounds.path(), "--script", "script.txt", "--trace", "trace.txt",
                          "--audio", "out.wav"},
                         start.path(), tmp.path());
    }

    TempDir sounds, start, tmp;
};

TEST_F(ScriptedAudio, SoundsAreHeardAtTheirTimesAndSilenceElsewhere)
{
    const Outcome o = run();
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out, "Init OK\nloaded 1 1 1 0\nplaying 1\nplaying 0\n");
    EXPECT_EQ(sound_lines(read_file(start.file("trace.txt"))),
              (std::vector<std::string>{"sound_play 0 0 1 0", "sound_play 0 0 1 -1",
                                        "sound_play 1 0 1 256", "sound_play 2 0 1 512",
                                        "sound_play 3 0 1 -1", "sound_stop_all"}));

    const Mix mix = read_mix(start.file("out.wav"));
    // The script's last wait ends at 2000 ms; the program ends within a frame of it.
    EXPECT_GE(mix.frames(), frame_at(2000));
    EXPECT_LE(mix.frames(), frame_at(2040));

    EXPECT_EQ(peak(mix.left, 0, 100), 0);
    EXPECT_EQ(peak(mix.right, 0, 100), 0);
    // Slot 0 from 100..133 ms for 300 ms, centred: a sine of amplitude 12000 has RMS 8485.
    EXPECT_NEAR(rms(mix.left, 140, 400), 8485, 300);
    EXPECT_NEAR(rms(mix.right, 140, 400), 8485, 300);
    EXPECT_NEAR(crossing_rate(mix.left, 140, 400), 880, 30);
    EXPECT_EQ(peak(mix.left, 440, 600), 0);
    // Slot 1 from 600..633 ms: 8-bit amplitude 100 is 25600 on the 16-bit scale.
    EXPECT_NEAR(rms(mix.left, 640, 900), 18100, 700);
    EXPECT_NEAR(crossing_rate(mix.right, 640, 900), 1760, 60);
    EXPECT_EQ(peak(mix.left, 940, 1100), 0);
    // Slot 2 from 1100..1133 ms, cut off by the stop at 1500..1533 ms.
    EXPECT_NEAR(rms(mix.left, 1140, 1500), 5657, 250);
    EXPECT_NEAR(crossing_rate(mix.right, 1140, 1500), 1320, 45);
    EXPECT_EQ(peak(mix.left, 1540, 2000), 0);
    EXPECT_EQ(peak(mix.right, 1540, 2000), 0);
}

TEST_F(ScriptedAudio, TheSameScriptGivesTheSameMix)
{
    Outcome o = run();
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string first = read_file(start.file("out.wav"));
    o = run();
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_GT(first.size(), 44u);
    EXPECT_EQ(read_file(start.file("out.wav")), first);
}

TEST_F(ScriptedAudio, WithoutAudioFileTheRunPlaysTheSameAndWritesNothing)
{
    const Outcome o =
        run_probe({"sounds", sounds.path(), "--script", "script.txt", "--trace", "trace.txt"},
                  start.path(), tmp.path());
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out, "Init OK\nloaded 1 1 1 0\nplaying 1\nplaying 0\n");
    EXPECT_EQ(sound_lines(read_file(start.file("trace.txt"))).size(), 6u);
    EXPECT_EQ(testing_support::entry_count(start.path()), 2);  // script and trace only
}

// A "clock" line that moves program time on by 146 000 years, with a sound playing as it
// jumps: the sound is mixed to its end, the silence after it is passed over at once, and the
// run ends normally. (A limit of a minute, far above the fraction of a second this takes, only
// keeps a fault from hanging the suite.)
TEST_F(ScriptedAudio, AJumpOfTheClockIsNoLongerThanTheSoundThatPlays)
{
    write_file(start.file("jump.txt"), "wait 100\ntap 1\nwait 100\nclock 4599999999999999\nend\n");
    testing_support::RunningProgram running = testing_support::start_program(
        probe, {"sounds", sounds.path(), "--script", "jump.txt", "--trace", "trace.txt"},
        start.path(), {"TMPDIR=" + tmp.path()});
    const Outcome o = testing_support::finish_program(running, 60);
    ASSERT_EQ(o.exit_code, 0) << "killed after a minute, or failed: " << o.err;
    EXPECT_EQ(sound_lines(read_file(start.file("trace.txt"))),
              std::vector<std::string>{"sound_play 0 0 1 0"});
}

}  // namespace
