#include "outputcapture.h"

#include <cstdio>
#include <iostream>
#include <stdlib.h>
#include <unistd.h>

OutputCapture::OutputCapture()
    : stdoutStream(redirect(STDOUT_FILENO)), stderrStream(redirect(STDERR_FILENO))
{
}

OutputCapture::~OutputCapture()
{
    restore(stdoutStream);
    restore(stderrStream);
}

OutputCapture::Stream OutputCapture::redirect(int fd)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    char name[] = "/tmp/velmora-capture-XXXXXX";
    const int file = mkstemp(name);
    unlink(name);
    const int saved = dup(fd);
    dup2(file, fd);
    return {fd, saved, file};
}

QString OutputCapture::contents(const Stream &stream)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const off_t size = lseek(stream.file, 0, SEEK_END);
    QByteArray bytes(size, '\0');
    pread(stream.file, bytes.data(), size, 0);
    return QString::fromLocal8Bit(bytes);
}

QString OutputCapture::out() { return contents(stdoutStream); }
QString OutputCapture::err() { return contents(stderrStream); }

void OutputCapture::restore(const Stream &stream)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    dup2(stream.saved, stream.fd);
    close(stream.saved);
    close(stream.file);
}
