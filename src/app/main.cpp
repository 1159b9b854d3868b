#include "DialogsTranslation.h"
#include "FlashLoadSC14428.h"
#include "Form3.h"
#include "InfoSwitches.h"
#include "ProgramWindows.h"
#include "QuitSignals.h"
#include "Rov_Evev.h"
#include "RunningCopyChannel.h"
#include "SerialMonitorForm.h"
#include "Timing.h"
#include "TunebenchApplication.h"
#include "WriteJournal.h"

#include <QFileInfo>
#include <cstdio>

namespace {
// Help and version go to standard output before any window exists, so they
// need no display.
int AnswerInfo(InfoRequest request, const char* startedAs)
{
    const QString name = QFileInfo(QString::fromLocal8Bit(startedAs)).fileName();
    const QByteArray text = InfoText(request, name).toLocal8Bit();
    const bool written = std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout) ==
                             static_cast<std::size_t>(text.size()) &&
                         std::fflush(stdout) == 0;
    return written ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const InfoRequest info = RequestedInfo(arguments); info != InfoRequest::None)
        return AnswerInfo(info, argc > 0 ? argv[0] : "tunebench");

    TTunebenchApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tunebench"));
    QApplication::setOrganizationName(QStringLiteral("DavoTelecom"));
    // Before any window: the flash loader reports through this handler.
    if (!RegisterFlashIndicationHandler()) {
        const QString text = QStringLiteral("Error in SetupCallbackFunction !");
        QMessageBox box;
        BuildMessageBox(box, text, mtError, mbOK); // untranslated: no window texts exist yet
        DialogPresenter().Present(box, DescribeMessageBox(box, text, mtError));
    }
    InitTimeOfDay();
    InstallSerialMonitorFactory();

    // Before the windows, so that a signal that comes early still closes them.
    TQuitSignals quitSignals;
    TProgramWindows windows;
    // Told to quit, the windows stop their work cleanly without asking first.
    QObject::connect(&quitSignals, &TQuitSignals::QuitRequested, &application, [&windows] {
        if (!windows.AlreadyRunning()) {
            windows.Form1->SetAskBeforeStopping(false);
            windows.Form3->SetAskBeforeStopping(false);
        }
        QApplication::closeAllWindows();
    });
    if (windows.AlreadyRunning()) {
        // The running copy comes to the front; this one ends either way.
        if (!TRunningCopyChannel::AskToRaise(windows.Form1->Environment().InstanceSocketPath(), 5000))
            std::fputs("Tunebench runs already; its window could not be brought to the front.\n", stderr);
        return 0;
    }
    TWriteJournal::Install(TWriteJournal::DefaultPath(windows.Form1->Environment().ProgramFolder()),
                           QStringLiteral("tunebench"));
    QObject::connect(windows.Form1, &TForm1::Closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    windows.Form1->show();
    return application.exec();
}
