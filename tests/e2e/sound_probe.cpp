// Reads what OpenAL Soft's wave writer recorded of a game, for the end-to-end tests:
//   sound_probe length MIX.wav                 prints the recording's length in seconds
//   sound_probe level MIX.wav FROM TO          prints "rms peak" over [FROM, TO) seconds, all channels
//   sound_probe onset MIX.wav THRESHOLD FROM   prints when the level first exceeds THRESHOLD at or
//                                              after FROM seconds, or -1
//   sound_probe quietest MIX.wav FROM TO       prints the lowest rms of the tenths of a second in
//                                              [FROM, TO): a steady sound has none below its level,
//                                              silence broken by a short bang still has some
//   sound_probe crossings MIX.wav FROM TO      prints sign changes per second of the left channel: a
//                                              plain measure of how low a sound is
#include "sound/wave_recording.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        fprintf(stderr, "usage: sound_probe length|level|onset|quietest|crossings MIX.wav [arguments]\n");
        return 2;
    }
    WaveRecording recording;
    if (!recording.read(argv[2]))
    {
        fprintf(stderr, "sound_probe: cannot read %s\n", argv[2]);
        return 2;
    }
    if (strcmp(argv[1], "length") == 0 && argc == 3)
    {
        printf("%.4f\n", recording.seconds());
        return 0;
    }
    if (strcmp(argv[1], "level") == 0 && argc == 5)
    {
        float from = strtof(argv[3], nullptr), to = strtof(argv[4], nullptr);
        printf("%.5f %.5f\n", recording.rms(from, to), recording.peak(from, to));
        return 0;
    }
    if (strcmp(argv[1], "onset") == 0 && argc == 5)
    {
        printf("%.4f\n", recording.onset(strtof(argv[3], nullptr), strtof(argv[4], nullptr)));
        return 0;
    }
    if (strcmp(argv[1], "quietest") == 0 && argc == 5)
    {
        float from = strtof(argv[3], nullptr), to = strtof(argv[4], nullptr);
        float quietest = recording.rms(from, to);
        for (float start = from; start + 0.1f <= to; start += 0.05f)
        {
            float level = recording.rms(start, start + 0.1f);
            quietest = level < quietest ? level : quietest;
        }
        printf("%.5f\n", quietest);
        return 0;
    }
    if (strcmp(argv[1], "crossings") == 0 && argc == 5)
    {
        printf("%.1f\n", recording.crossingsPerSecond(strtof(argv[3], nullptr), strtof(argv[4], nullptr), 0));
        return 0;
    }
    fprintf(stderr, "sound_probe: unknown command or arguments\n");
    return 2;
}
