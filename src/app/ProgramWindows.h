#pragma once

#include "ProgramEnvironment.h"

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class QWidget;
class TDefaultForm;
class TDialogsForm;
class TForm3;
class TForm1;
class TLanguageForm;

// The program's windows, created in the program's order (the main window
// first, the dialog texts window last) and destroyed in reverse. Start-up and
// the language editor find the windows to translate here by object name, so a
// window added below is translated without code of its own.
class TProgramWindows {
public:
    explicit TProgramWindows(TProgramEnvironment environment = TProgramEnvironment::FromApplication());
    ~TProgramWindows();
    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    // Another copy runs: only the main window was created, and it is not to be shown.
    [[nodiscard]] bool AlreadyRunning() const;
    // The window with that object name; nullptr when there is none.
    [[nodiscard]] QWidget* Find(const QString& objectName) const;
    // In creation order.
    [[nodiscard]] QList<QWidget*> Windows() const;

    TForm1* Form1 = nullptr;
    TForm3* Form3 = nullptr;
    TLanguageForm* LanguageForm = nullptr;
    TDefaultForm* DefaultForm = nullptr;
    TDialogsForm* DialogsForm = nullptr;

private:
    template <class T>
    T* Add(std::unique_ptr<T> window)
    {
        T* raw = window.get();
        m_windows.push_back(std::move(window));
        return raw;
    }

    std::vector<std::unique_ptr<QWidget>> m_windows;
};
