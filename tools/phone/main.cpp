#include "listen.h"
#include "phoneoptions.h"
#include "phonesync.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PhoneOptions options;
    QString error;
    if (!parsePhoneOptions(app.arguments().mid(1), &options, &error)) {
        std::fprintf(stderr, "velmora-phone: %s\n%s", error.toLocal8Bit().constData(), phoneUsage);
        return 2;
    }
    return options.command == PhoneOptions::Listen ? listenForDesktop(options.timeoutMs) : syncWithDesktop(options);
}
