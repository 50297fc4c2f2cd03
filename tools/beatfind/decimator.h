#pragma once

namespace beatfind {

// Averages each run of `factor` samples into one: a cheap low-pass on the way
// to a lower rate, enough for onsets and chords.
class Decimator
{
public:
    explicit Decimator(int factor) : runLength(factor < 1 ? 1 : factor) {}

    int factor() const { return runLength; }

    // Adds a sample; true when it completes a run, whose mean is then in out.
    bool push(float sample, float &out)
    {
        sum += sample;
        if (++count < runLength)
            return false;
        out = sum / static_cast<float>(runLength);
        sum = 0.0f;
        count = 0;
        return true;
    }

private:
    int runLength;
    int count = 0;
    float sum = 0.0f;
};

} // namespace beatfind
