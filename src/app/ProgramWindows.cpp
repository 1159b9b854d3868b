#include "ProgramWindows.h"

#include "DialogsForm.h"
#include "LanguageForm.h"
#include "Rov_Evev.h"

TProgramWindows::TProgramWindows(TProgramEnvironment environment)
{
    Form1 = Add(std::make_unique<TForm1>(std::move(environment)));
    Form1->SetWindowFinder([this](const QString& name) { return Find(name); });
    if (Form1->AlreadyRunning())
        return;
    const TWindowFinder find = [this](const QString& name) { return Find(name); };
    const TProgramEnvironment& env = Form1->Environment();
    // Further windows in the program's order: the flash load utility, the
    // language editor, the default commands, then the dialog texts.
    LanguageForm = Add(std::make_unique<TLanguageForm>(env.ProgramFolder(), env.machineSettings, find));
    DialogsForm = Add(std::make_unique<TDialogsForm>());
}

TProgramWindows::~TProgramWindows()
{
    while (!m_windows.empty())
        m_windows.pop_back();
}

bool TProgramWindows::AlreadyRunning() const { return Form1->AlreadyRunning(); }

QWidget* TProgramWindows::Find(const QString& objectName) const
{
    for (const auto& window : m_windows)
        if (window->objectName() == objectName)
            return window.get();
    return nullptr;
}

QList<QWidget*> TProgramWindows::Windows() const
{
    QList<QWidget*> windows;
    for (const auto& window : m_windows)
        windows.append(window.get());
    return windows;
}
