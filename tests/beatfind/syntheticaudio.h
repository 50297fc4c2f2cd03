#pragma once

#include <QString>

#include <vector>

// Test songs made of drum sounds at exact times, so the true tempo is known.
namespace synthetic {

enum class Sound { Click, Kick, Snare, HiHat };

struct Hit
{
    double beat; // position within the repeating pattern, in beats
    Sound sound;
};

struct Pattern
{
    double beats; // length of the repeating pattern
    std::vector<Hit> hits;
};

Pattern clickTrack(); // a click on every beat
Pattern backbeat(); // kick 1 and 3, snare 2 and 4, hi-hat on each beat
Pattern backbeatWithEighthHiHat(); // the same with the hi-hat twice per beat
Pattern fourOnTheFloor(); // kick on every beat, snare 2 and 4, hi-hat on the off-beats

// Mono samples in [-1, 1] of the pattern looped at bpm for the given length.
std::vector<float> render(const Pattern &pattern, double bpm, double seconds, int sampleRate);
std::vector<float> whiteNoise(double seconds, int sampleRate);

// Adds a held chord per bar of four beats, cycling C, Am, F, G, as an
// accompaniment would.
void addChords(std::vector<float> &mono, double bpm, int sampleRate);

// Writes the samples to every channel of a file; format is a libsndfile
// SF_FORMAT_* value. Returns false on failure.
bool writeAudio(const QString &path, const std::vector<float> &mono, int sampleRate, int channels, int format);

} // namespace synthetic
