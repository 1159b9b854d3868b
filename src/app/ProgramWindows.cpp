#include "ProgramWindows.h"

#include "DefaultForm.h"
#include "DialogsForm.h"
#include "DownloadPage.h"
#include "Form3.h"
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
    Form3 = Add(std::make_unique<TForm3>(env.ProgramFolder(), env.machineSettings));
    LanguageForm = Add(std::make_unique<TLanguageForm>(env.Files().LanguageFolders(), env.machineSettings, find));
    DefaultForm = Add(std::make_unique<TDefaultForm>());
    DefaultForm->SetTargetChoice(Form3);
    Form3->SetDefaultForm(DefaultForm);
    Form1->SetFlashWindow(Form3);
    // "Load Flash" has freed the port: the flash load utility takes over, not modal.
    QObject::connect(Form1->DownloadPage, &TDownloadPage::LoadFlashRequested, Form3, [form = Form3] {
        form->show();
        form->raise();
        form->activateWindow();
    });
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
