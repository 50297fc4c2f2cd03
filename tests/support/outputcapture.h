#pragma once

#include <QString>

// Captures what the code under test writes to standard output and standard
// error (printf, iostreams and perror alike) while it lives.
class OutputCapture
{
public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

    QString out();
    QString err();

private:
    struct Stream
    {
        int fd;
        int saved;
        int file;
    };
    static Stream redirect(int fd);
    static QString contents(const Stream &stream);
    static void restore(const Stream &stream);

    Stream stdoutStream;
    Stream stderrStream;
};
