#include "DialogsTranslation.h"
#include "FlashLoadSC14428.h"
#include "ProgramWindows.h"
#include "QuitSignals.h"
#include "Rov_Evev.h"
#include "SerialMonitorForm.h"
#include "Timing.h"
#include "TunebenchApplication.h"

int main(int argc, char** argv)
{
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
    QObject::connect(&quitSignals, &TQuitSignals::QuitRequested, &application, &QApplication::closeAllWindows);
    TProgramWindows windows;
    if (windows.AlreadyRunning())
        return 0;
    QObject::connect(windows.Form1, &TForm1::Closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    windows.Form1->show();
    return application.exec();
}
