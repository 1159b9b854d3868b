#pragma once

#include "MachineSettings.h"
#include "ProfileFile.h"
#include "Rov_Evev.h"
#include "ScriptedDialogPresenter.h"
#include "SndMail.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace tbtest {

// A main window in a temporary program folder with its own settings store;
// dialogs are answered by a scripted presenter.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_registryPath = m_dir.filePath(QStringLiteral("registry/VUREZIVO.ini"));
        qputenv(TMachineSettings::kPathVariable, m_registryPath.toLocal8Bit());
        SetDialogTexts(DefaultDialogTexts());
    }
    void TearDown() override
    {
        m_form.reset();
        qunsetenv(TMachineSettings::kPathVariable);
        SetDialogTexts(DefaultDialogTexts());
    }

    [[nodiscard]] QString Folder() const { return m_dir.path() + QLatin1Char('/'); }
    [[nodiscard]] TMachineSettings Registry() const { return TMachineSettings(m_registryPath); }
    void WriteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile file(Folder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Creates the window (FormCreate) without showing it.
    TForm1& Create(const QStringList& arguments = {}, const QString& programName = QStringLiteral("Tunebench.exe"))
    {
        TProgramEnvironment env;
        env.programFile = Folder() + programName;
        env.arguments = arguments;
        env.machineSettings = m_registryPath;
        m_form = std::make_unique<TForm1>(env);
        return *m_form;
    }
    // Creates and shows it (FormShow).
    TForm1& Start(const QStringList& arguments = {}, const QString& programName = QStringLiteral("Tunebench.exe"))
    {
        TForm1& form = Create(arguments, programName);
        form.show();
        EXPECT_TRUE(waitFor([&] { return form.isVisible(); }));
        return form;
    }

    QTemporaryDir m_dir;
    QString m_registryPath;
    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_useDialogs{m_dialogs};
    std::unique_ptr<TForm1> m_form;
};

} // namespace tbtest
