#include "TunebenchApplication.h"

#include "AppErrorReport.h"

TTunebenchApplication::TTunebenchApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TTunebenchApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    }
    catch (...) {
        ReportCurrentException();
        return false;
    }
}
