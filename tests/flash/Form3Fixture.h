#pragma once
// The flash load utility offscreen, as the technician meets it; downloads go
// through the real loader libraries to a simulated boot target where a
// pseudo-terminal can be made.
#include "FileDialogs.h"
#include "FlashLoadSC14428.h"
#include "FlashRun.h"
#include "FlashTestFiles.h"
#include "Form3.h"
#include "MachineSettings.h"
#include "RadioGroup.h"
#include "ScriptedDialogPresenter.h"
#include "support/WaitFor.h"
#ifdef Q_OS_UNIX
#include "support/SimHarness.h"
#endif

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace form3 {

class Form3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(RegisterFlashIndicationHandler());
        m_registry = m_dir.filePath(QStringLiteral("registry.ini"));
        // The port assignments are read from the program's one store.
        qputenv(TMachineSettings::kPathVariable, m_registry.toLocal8Bit());
        m_form = std::make_unique<TForm3>(qEnvironmentVariable("TUNEBENCH_BIN_DIR") + QLatin1Char('/'), m_registry);
        m_form->show();
    }
    void TearDown() override
    {
        m_form.reset();
#ifdef Q_OS_UNIX
        if (m_sim)
            m_sim->stop();
#endif
        qunsetenv("TUNEBENCH_COM1");
    }
#ifdef Q_OS_UNIX
    void StartSim(const QStringList& arguments)
    {
        m_sim = std::make_unique<tbtest::SimHarness>(arguments);
        ASSERT_TRUE(m_sim->start()) << m_sim->errorString().toStdString();
        qputenv("TUNEBENCH_COM1", m_sim->portPath().toLocal8Bit());
    }
#endif
    QString Software()
    {
        const QString path = m_dir.filePath(QStringLiteral("software.hex"));
        EXPECT_TRUE(tbtest::WriteFile(path, tbtest::IntelHexOf(tbtest::RandomBytes(8 * 1024, 3), 0x10000)));
        return path;
    }
    // Presses "Program Flash" for the target and waits until the controls are back.
    void Download(int target)
    {
        m_form->RadioGroup1->SetItemIndex(target);
        m_files.Answer(Software());
        m_form->Button3->click();
        EXPECT_FALSE(m_form->Button3->isEnabled());
        EXPECT_TRUE(tbtest::waitFor([&] { return m_form->Button3->isEnabled(); }, 30000)) << Log().toStdString();
    }
    [[nodiscard]] QString Log() const { return m_form->LogLines().join(QLatin1Char('\n')); }
    [[nodiscard]] QColor LogColour() const { return m_form->Memo1->palette().color(QPalette::Text); }
    [[nodiscard]] QStringList Prompts() const
    {
        QStringList texts;
        for (const auto& d : m_dialogs.Dialogs())
            texts << d.text;
        return texts;
    }

    QTemporaryDir m_dir;
    QString m_registry;
    TScriptedDialogPresenter m_dialogs;
    TScopedDialogPresenter m_useDialogs{m_dialogs};
    TScriptedFileDialogPresenter m_files;
    TScopedFileDialogPresenter m_useFiles{m_files};
#ifdef Q_OS_UNIX
    std::unique_ptr<tbtest::SimHarness> m_sim;
#endif
    std::unique_ptr<TForm3> m_form;
};

} // namespace form3
