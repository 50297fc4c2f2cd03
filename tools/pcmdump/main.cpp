// pcmdump: converts one song to a 16-bit stereo 44.1 kHz WAV file in the
// temporary directory for the BPM analysis, and tells where it put it.

#include "audiodecoder.h"
#include "signals.h"
#include "tempwav.h"
#include "wavformat.h"
#include "wavwriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

std::string workingDirectory()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? buffer : "/";
}

bool printResult(const std::string &wavPath)
{
    std::printf("Location: %s\nBitRate: %d\nSampleRate: %d\n", wavPath.c_str(), pcmdump::kBitRateKbps,
                pcmdump::kSampleRate);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

bool convert(const std::string &songPath, std::string &error)
{
    pcmdump::AudioDecoder decoder;
    if (!decoder.open(songPath, error))
        return false;
    const std::string directory = pcmdump::tempDirectory(std::getenv("TMPDIR"), workingDirectory());
    // The path goes out on one "Location: " line: a line break would cut it.
    if (directory.find_first_of("\r\n") != std::string::npos) {
        error = "the temporary folder's path holds a line break: " + directory;
        return false;
    }
    pcmdump::TempWavFile wav(directory);
    if (!wav.create(error))
        return false;
    pcmdump::WavWriter writer(wav.fd());
    if (!decoder.decodeInto(writer, error))
        return false;
    if (!writer.finish()) {
        error = writer.error();
        return false;
    }
    if (!wav.publish(error))
        return false;
    if (!printResult(wav.path())) {
        error = "cannot write to standard output";
        return false;
    }
    wav.keep();
    return true;
}

// The message goes out as one line whatever the path holds.
std::string oneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: pcmdump <audio file>\n", stderr);
        return 2;
    }
    av_log_set_level(AV_LOG_QUIET);
    pcmdump::installSignalHandling();
    std::string error;
    if (!convert(argv[1], error)) {
        std::fprintf(stderr, "pcmdump: %s\n", oneLine(error).c_str());
        return 1;
    }
    return 0;
}
