#include "FileDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(FileDialogs, AScriptedPresenterRecordsRequestsAndAnswersFromItsQueue)
{
    TScriptedFileDialogPresenter files;
    TScopedFileDialogPresenter use(files);
    files.Answer(QStringLiteral("/tmp/menu.txt"));
    TFileDialogRequest open;
    open.caption = QStringLiteral("Open menu file");
    open.directory = QStringLiteral("/opt/tunebench/");
    open.filter = QStringLiteral("Menu files (*.txt);;All files (*)");
    EXPECT_EQ(ChooseOpenFile(nullptr, open), QStringLiteral("/tmp/menu.txt"));
    TFileDialogRequest save;
    save.fileName = QStringLiteral("German.lng");
    save.defaultSuffix = QStringLiteral("lng");
    EXPECT_EQ(ChooseSaveFile(nullptr, save), QString()) << "an empty queue cancels";

    ASSERT_EQ(files.Requests().size(), 2u);
    EXPECT_EQ(files.Requests()[0].kind, TScriptedFileDialogPresenter::TKind::Open);
    EXPECT_EQ(files.Requests()[0].request.caption, QStringLiteral("Open menu file"));
    EXPECT_EQ(files.Requests()[0].request.filter, QStringLiteral("Menu files (*.txt);;All files (*)"));
    EXPECT_EQ(files.Requests()[0].answer, QStringLiteral("/tmp/menu.txt"));
    EXPECT_EQ(files.Requests()[1].kind, TScriptedFileDialogPresenter::TKind::Save);
    EXPECT_EQ(files.Requests()[1].request.fileName, QStringLiteral("German.lng"));
}

TEST(FileDialogs, TheScopeRestoresTheQtPresenter)
{
    {
        TScriptedFileDialogPresenter files;
        TScopedFileDialogPresenter use(files);
        EXPECT_EQ(&FileDialogPresenter(), &files);
    }
    EXPECT_NE(dynamic_cast<TQtFileDialogPresenter*>(&FileDialogPresenter()), nullptr);
}

TEST(FileDialogs, TheQtPresenterReturnsTheAcceptedFile)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("Default.lng"));
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    QTimer poll;
    QString seenCaption;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            seenCaption = dialog->windowTitle();
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    poll.start(5);
    TFileDialogRequest request;
    request.caption = QStringLiteral("Language file");
    request.directory = dir.path();
    request.fileName = QStringLiteral("Default.lng");
    request.filter = QStringLiteral("Language files (*.lng)");
    EXPECT_EQ(TQtFileDialogPresenter().getOpenFileName(nullptr, request), existing);
    EXPECT_EQ(seenCaption, QStringLiteral("Language file"));

    poll.start(5);
    request.fileName = QStringLiteral("German");
    request.defaultSuffix = QStringLiteral("lng");
    EXPECT_EQ(TQtFileDialogPresenter().getSaveFileName(nullptr, request), dir.filePath(QStringLiteral("German.lng")));
}

} // namespace
