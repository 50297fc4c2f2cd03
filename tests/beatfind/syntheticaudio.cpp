#include "syntheticaudio.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace synthetic {

namespace {

constexpr double kPi = 3.14159265358979323846;

// One drum sound, added into out from sample `start`.
void addSound(std::vector<float> &out, std::size_t start, Sound sound, int rate, std::mt19937 &noise)
{
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    const double length = sound == Sound::Kick ? 0.25 : sound == Sound::Snare ? 0.18 : 0.05;
    const std::size_t n = static_cast<std::size_t>(length * rate);
    double phase = 0.0;
    float previousNoise = 0.0f;
    for (std::size_t i = 0; i < n && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        float v = 0.0f;
        switch (sound) {
        case Sound::Click:
            v = static_cast<float>(std::sin(2 * kPi * 1500 * t) * std::exp(-t / 0.004));
            break;
        case Sound::Kick: // pitch falling from 150 to 50 Hz
            phase += 2 * kPi * (50 + 100 * std::exp(-t / 0.03)) / rate;
            v = static_cast<float>(0.9 * std::sin(phase) * std::exp(-t / 0.08));
            break;
        case Sound::Snare:
            v = static_cast<float>((0.5 * white(noise) + 0.3 * std::sin(2 * kPi * 190 * t)) * std::exp(-t / 0.05));
            break;
        case Sound::HiHat: { // differenced noise: mostly high frequencies
            const float w = white(noise);
            v = static_cast<float>(0.25 * (w - previousNoise) * std::exp(-t / 0.012));
            previousNoise = w;
            break;
        }
        }
        out[start + i] += v;
    }
}

} // namespace

Pattern clickTrack() { return {1.0, {{0.0, Sound::Click}}}; }

Pattern backbeat()
{
    return {4.0,
            {{0, Sound::Kick},
             {0, Sound::HiHat},
             {1, Sound::Snare},
             {1, Sound::HiHat},
             {2, Sound::Kick},
             {2, Sound::HiHat},
             {3, Sound::Snare},
             {3, Sound::HiHat}}};
}

Pattern backbeatWithEighthHiHat()
{
    Pattern p = backbeat();
    for (double beat = 0.5; beat < 4.0; beat += 1.0)
        p.hits.push_back({beat, Sound::HiHat});
    return p;
}

Pattern fourOnTheFloor()
{
    Pattern p{4.0, {{1, Sound::Snare}, {3, Sound::Snare}}};
    for (double beat = 0.0; beat < 4.0; beat += 1.0) {
        p.hits.push_back({beat, Sound::Kick});
        p.hits.push_back({beat + 0.5, Sound::HiHat});
    }
    return p;
}

std::vector<float> render(const Pattern &pattern, double bpm, double seconds, int sampleRate)
{
    std::vector<float> out(static_cast<std::size_t>(seconds * sampleRate), 0.0f);
    std::mt19937 noise(12345);
    const double secondsPerBeat = 60.0 / bpm;
    for (double loop = 0.0; loop * secondsPerBeat < seconds; loop += pattern.beats) {
        for (const Hit &hit : pattern.hits) {
            const double at = (loop + hit.beat) * secondsPerBeat;
            if (at < seconds)
                addSound(out, static_cast<std::size_t>(std::lround(at * sampleRate)), hit.sound, sampleRate, noise);
        }
    }
    for (float &v : out)
        v = std::max(-1.0f, std::min(1.0f, v * 0.8f));
    return out;
}

std::vector<float> whiteNoise(double seconds, int sampleRate)
{
    std::mt19937 noise(777);
    std::uniform_real_distribution<float> white(-0.5f, 0.5f);
    std::vector<float> out(static_cast<std::size_t>(seconds * sampleRate));
    for (float &v : out)
        v = white(noise);
    return out;
}

void addChords(std::vector<float> &mono, double bpm, int sampleRate)
{
    static const double chords[4][3] = {
        {261.63, 329.63, 392.00}, {220.00, 261.63, 329.63}, {174.61, 220.00, 261.63}, {196.00, 246.94, 293.66}};
    const double barSeconds = 4 * 60.0 / bpm;
    for (std::size_t i = 0; i < mono.size(); ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const long bar = static_cast<long>(t / barSeconds);
        const double inBar = t - bar * barSeconds;
        // Short fades so that chord changes do not click.
        const double envelope = std::min({1.0, inBar / 0.01, (barSeconds - inBar) / 0.01});
        double v = 0.0;
        for (double f : chords[bar % 4])
            for (int harmonic = 1; harmonic <= 3; ++harmonic)
                v += std::sin(2 * kPi * f * harmonic * t) / harmonic;
        mono[i] = static_cast<float>(std::max(-1.0, std::min(1.0, mono[i] + 0.04 * envelope * v)));
    }
}

bool writeAudio(const QString &path, const std::vector<float> &mono, int sampleRate, int channels, int format)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    std::vector<float> frames;
    frames.reserve(mono.size() * channels);
    for (float v : mono)
        frames.insert(frames.end(), static_cast<std::size_t>(channels), v);
    const sf_count_t written = sf_writef_float(file, frames.data(), static_cast<sf_count_t>(mono.size()));
    return sf_close(file) == 0 && written == static_cast<sf_count_t>(mono.size());
}

} // namespace synthetic
