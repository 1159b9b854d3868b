// tunebench-sim: one simulated device on a pseudo-terminal.
#include "BootCommandLine.h"
#include "BootProgram.h"
#include "BuildInfo.h"
#include "SimCommandLine.h"
#include "SimDevice.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace {

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    fflush(stream);
}

bool makeLink(const QString& link, const QString& target, QString* error)
{
    const QFileInfo info(link);
    if (info.isSymLink())
        ::unlink(QFile::encodeName(link).constData());
    else if (info.exists()) {
        *error = QStringLiteral("--link %1 exists and is no symlink").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) != 0) {
        *error = QStringLiteral("cannot make link %1: %2").arg(link, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}

void removeLink(const QString& link, const QString& target)
{
    const QFileInfo info(link);
    if (info.isSymLink() && info.symLinkTarget() == target)
        ::unlink(QFile::encodeName(link).constData());
}

} // namespace

int main(int argc, char** argv)
{
    // Blocked before any thread exists, so that only sigwait below takes them.
    // SIGUSR1 is how the device thread reports that it dropped the line.
    sigset_t handled;
    sigemptyset(&handled);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&handled, s);
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);
    signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tunebench-sim"));
    QCoreApplication::setApplicationVersion(FullVersion());

    // Boot targets for the flash loaders are a program of their own.
    if (tbsim::WantsBootTarget(QCoreApplication::arguments()))
        return tbsim::RunBootProgram(QCoreApplication::arguments());

    tbsim::SimProgramOptions options;
    QString message;
    switch (tbsim::parseSimArguments(QCoreApplication::arguments(), &options, &message)) {
    case tbsim::ParseResult::Help:
        printLine(stdout, message);
        return 0;
    case tbsim::ParseResult::Version:
        printLine(stdout, VersionLine(QStringLiteral("tunebench-sim")));
        return 0;
    case tbsim::ParseResult::Error:
        printLine(stderr, QStringLiteral("tunebench-sim: %1\nTry tunebench-sim --help.").arg(message));
        return 2;
    case tbsim::ParseResult::Run:
        break;
    }

    options.device.keepLog = false; // the log goes to standard error only
    tbsim::SimDevice device(options.device);
    device.setLogSink([](const QString& line) { printLine(stderr, line); });
    device.setFinishedCallback([] { ::kill(::getpid(), SIGUSR1); });
    if (!device.start()) {
        printLine(stderr, QStringLiteral("tunebench-sim: %1").arg(device.errorString()));
        return 1;
    }
    const QString slave = device.slavePath();
    if (!options.linkPath.isEmpty() && !makeLink(options.linkPath, slave, &message)) {
        printLine(stderr, QStringLiteral("tunebench-sim: %1").arg(message));
        device.stop();
        return 1;
    }
    printLine(stdout, QStringLiteral("PORT %1").arg(slave));

    int received = 0;
    while (sigwait(&handled, &received) != 0) {
    }
    device.stop();

    int rc = 0;
    if (!options.savePath.isEmpty()) {
        if (device.saveImage(options.savePath, &message))
            printLine(stderr, QStringLiteral("SAVED %1").arg(options.savePath));
        else {
            printLine(stderr, QStringLiteral("tunebench-sim: %1").arg(message));
            rc = 1;
        }
    }
    if (!options.linkPath.isEmpty())
        removeLink(options.linkPath, slave);
    return rc;
}
