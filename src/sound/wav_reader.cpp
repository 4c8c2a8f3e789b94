// WAV reader: the fixed RIFF layout the runtime has always read, front to back without
// searching for chunks, into PCM bytes with their format. Every size the file declares is
// checked against the file's real length before anything is allocated for it, so a hostile
// file fails like a missing one: no crash, no huge buffer, `out` left empty.
#include "sound/wav_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "core/byte_reading.h"
#include "platform/files_open.h"
#include "platform/fs.h"

namespace {

constexpr std::size_t leading_bytes = 36;       // RIFF header 12, format chunk header 8, format 16
constexpr std::uint64_t format_extension = 14;  // skipped after a format chunk not of size 16
constexpr std::size_t chunk_header_size = 8;
constexpr std::uint32_t unknown_size = 0xFFFFFFFF;  // what streaming writers put for "unknown"

// The mixer plays up to eight channels (the first two of them) at these rates.
constexpr int max_channels = 8;
constexpr std::uint32_t min_rate = 1000;
constexpr std::uint32_t max_rate = 192000;

// Sequential reading that knows how much of the file is left, so a declared size can be
// checked before it is used.
class Reader {
public:
    Reader(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {}

    std::uint64_t remaining() const { return size_ - offset_; }

    bool read(std::uint8_t* into, std::uint64_t count)
    {
        if (count > remaining()) return false;
        const auto n = static_cast<std::size_t>(count);
        if (std::fread(into, 1, n, file_) != n) return false;
        offset_ += count;
        return true;
    }

    bool skip(std::uint64_t count)
    {
        if (count > remaining()) return false;
        if (std::fseek(file_, static_cast<long>(offset_ + count), SEEK_SET) != 0) return false;
        offset_ += count;
        return true;
    }

private:
    std::FILE* file_;
    std::uint64_t size_;
    std::uint64_t offset_ = 0;
};

bool has_id(const std::uint8_t* chunk_header, const char* id)
{
    return std::memcmp(chunk_header, id, 4) == 0;
}

// Only what the mixer can play passes: 8-bit unsigned or 16-bit signed PCM with frames laid
// out as channels * bytes per sample. The format tag is not looked at, so compressed data
// declaring one of these layouts is played as PCM, as it always was.
bool format_playable(int channels, std::uint32_t rate, int block_align, int bits)
{
    if (channels < 1 || channels > max_channels) return false;
    if (rate < min_rate || rate > max_rate) return false;
    if (bits != 8 && bits != 16) return false;
    return block_align == channels * bits / 8;
}

bool read_wav_file(std::FILE* file, WavSound& sound)
{
    const std::int64_t file_size = platform::regular_file_size(file);
    if (file_size < 0) return false;
    Reader reader(file, static_cast<std::uint64_t>(file_size));

    // The RIFF header and the format chunk header's identifier are not examined.
    std::uint8_t head[leading_bytes];
    if (!reader.read(head, sizeof head)) return false;
    const std::uint32_t format_size = read_le32(head + 16);
    const int channels = read_le16(head + 22);
    const std::uint32_t rate = read_le32(head + 24);
    const int block_align = read_le16(head + 32);
    const int bits = read_le16(head + 34);
    if (!format_playable(channels, rate, block_align, bits)) return false;

    // Any format chunk not of size 16 is taken as the 30-byte extended one. A chunk of 18
    // (16 + an empty extension size) followed by "data" therefore loses the start of the data
    // chunk's header and fails. Kept on purpose: the game's files use the plain 16-byte
    // layout, and every existing file must keep loading, or failing, exactly as it did.
    if (format_size != 16 && !reader.skip(format_extension)) return false;

    std::uint8_t chunk[chunk_header_size];
    if (!reader.read(chunk, sizeof chunk)) return false;
    if (has_id(chunk, "fact")) {
        const std::uint32_t fact_size = read_le32(chunk + 4);
        if (fact_size == unknown_size || !reader.skip(fact_size)) return false;
        if (!reader.read(chunk, sizeof chunk)) return false;
    }
    if (!has_id(chunk, "data")) return false;

    // A sound without a single whole frame cannot be played: it fails like a broken file. A
    // trailing partial frame is dropped; the whole frames before it play.
    const std::uint32_t data_size = read_le32(chunk + 4);
    if (data_size == unknown_size || data_size > reader.remaining()) return false;
    const std::uint64_t whole_frames_size = data_size - data_size % block_align;
    if (whole_frames_size == 0) return false;

    std::vector<std::uint8_t> data(static_cast<std::size_t>(whole_frames_size));
    if (!reader.read(data.data(), data.size())) return false;

    sound.channels = channels;
    sound.sample_rate = static_cast<int>(rate);
    sound.bits_per_sample = bits;
    sound.block_align = block_align;
    sound.data = std::move(data);
    return true;
}

}  // namespace

bool wav_read(const std::string& path, WavSound& out)
{
    out = WavSound{};
    FileHandle file(platform::open_file_for_reading(path));
    if (!file) return false;
    WavSound sound;
    if (!read_wav_file(file.get(), sound)) return false;
    out = std::move(sound);
    return true;
}
