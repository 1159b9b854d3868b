#include "DialogsForm.h"
#include "Rov_Evev.h"
#include "SerialMonitorForm.h"
#include "Timing.h"
#include "TunebenchApplication.h"

int main(int argc, char** argv)
{
    TTunebenchApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tunebench"));
    QApplication::setOrganizationName(QStringLiteral("DavoTelecom"));
    InitTimeOfDay();
    InstallSerialMonitorFactory();

    TForm1 Form1;
    if (Form1.AlreadyRunning())
        return 0;
    // Windows of later issues are created here, between the main window and the dialog texts.
    TDialogsForm DialogsForm;
    Form1.SetDialogsForm(&DialogsForm);
    QObject::connect(&Form1, &TForm1::Closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    Form1.show();
    return application.exec();
}
