#pragma once

#include <QApplication>

// The program's application object. An exception thrown by an event handler
// (a slot, an event override, a timer) is caught here, shown in an error box
// through the translated dialogs, and the event loop goes on; the event counts
// as not handled. Handlers restore the cursor and their controls with the
// guards of UiGuards.h.
class TTunebenchApplication : public QApplication {
    Q_OBJECT
public:
    TTunebenchApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
