// libsndfile built for WebAssembly: reads a 16-bit mono WAV file written byte by byte here, and
// refuses a file cut off inside its header.
#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
void put16(std::vector<uint8_t>& bytes, int value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xff));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xff));
}

void put32(std::vector<uint8_t>& bytes, uint32_t value)
{
    put16(bytes, static_cast<int>(value & 0xffff));
    put16(bytes, static_cast<int>(value >> 16));
}

bool writeFile(const char* path, const std::vector<uint8_t>& bytes, size_t count)
{
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
    {
        return false;
    }
    bool written = fwrite(bytes.data(), 1, count, file) == count;
    return fclose(file) == 0 && written;
}
} // namespace

int main()
{
    // RIFF/WAVE with a 16-byte PCM format chunk: 22050 Hz, mono, 16 bits; 100 samples of a ramp.
    const int frames = 100;
    std::vector<uint8_t> bytes;
    for (char c : {'R', 'I', 'F', 'F'}) bytes.push_back(static_cast<uint8_t>(c));
    put32(bytes, 36 + frames * 2);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}) bytes.push_back(static_cast<uint8_t>(c));
    put32(bytes, 16);
    put16(bytes, 1);
    put16(bytes, 1);
    put32(bytes, 22050);
    put32(bytes, 22050 * 2);
    put16(bytes, 2);
    put16(bytes, 16);
    for (char c : {'d', 'a', 't', 'a'}) bytes.push_back(static_cast<uint8_t>(c));
    put32(bytes, frames * 2);
    for (int i = 0; i < frames; ++i)
    {
        put16(bytes, i * 300 - 15000);
    }
    if (!writeFile("ramp.wav", bytes, bytes.size()) || !writeFile("cut.wav", bytes, 30))
    {
        printf("libsndfile check failed: cannot write its WAV files\n");
        return 1;
    }

    SF_INFO info = {};
    SNDFILE* sound = sf_open("ramp.wav", SFM_READ, &info);
    if (sound == nullptr)
    {
        printf("libsndfile check failed: ramp.wav: %s\n", sf_strerror(nullptr));
        return 1;
    }
    std::vector<short> samples(frames + 10);
    sf_count_t read = sf_readf_short(sound, samples.data(), frames + 10);
    sf_close(sound);
    printf("libsndfile: %d Hz, %d channel(s), %lld frames, read %lld: %d, %d, ..., %d\n", info.samplerate,
           info.channels, static_cast<long long>(info.frames), static_cast<long long>(read), samples[0], samples[1],
           samples[frames - 1]);
    bool right = info.samplerate == 22050 && info.channels == 1 && info.frames == 100 && read == 100 &&
                 (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && samples[0] == -15000 &&
                 samples[1] == -14700 && samples[99] == 14700;

    SF_INFO cutInfo = {};
    SNDFILE* cut = sf_open("cut.wav", SFM_READ, &cutInfo);
    if (cut != nullptr)
    {
        printf("libsndfile check failed: a WAV cut off in its header was accepted\n");
        sf_close(cut);
        return 1;
    }
    printf("libsndfile: cut.wav refused: %s\n", sf_strerror(nullptr));
    if (!right)
    {
        printf("libsndfile check failed: expected 22050 Hz, 1 channel, 100 frames: -15000, -14700, ..., 14700\n");
        return 1;
    }
    return 0;
}
