#include "FileDialogs.h"

#include <QFileDialog>

namespace {

IFileDialogPresenter* g_fileDialogPresenter = nullptr;

QString Run(QWidget* parent, const TFileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.caption, request.directory, request.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QString TQtFileDialogPresenter::getOpenFileName(QWidget* parent, const TFileDialogRequest& request)
{
    return Run(parent, request, QFileDialog::AcceptOpen);
}

QString TQtFileDialogPresenter::getSaveFileName(QWidget* parent, const TFileDialogRequest& request)
{
    return Run(parent, request, QFileDialog::AcceptSave);
}

void SetFileDialogPresenter(IFileDialogPresenter* presenter) { g_fileDialogPresenter = presenter; }

IFileDialogPresenter& FileDialogPresenter()
{
    static TQtFileDialogPresenter qtPresenter;
    return g_fileDialogPresenter != nullptr ? *g_fileDialogPresenter : qtPresenter;
}

TScopedFileDialogPresenter::TScopedFileDialogPresenter(IFileDialogPresenter& presenter)
    : m_previous(g_fileDialogPresenter)
{
    SetFileDialogPresenter(&presenter);
}

TScopedFileDialogPresenter::~TScopedFileDialogPresenter() { SetFileDialogPresenter(m_previous); }

QString ChooseOpenFile(QWidget* parent, const TFileDialogRequest& request)
{
    return FileDialogPresenter().getOpenFileName(parent, request);
}

QString ChooseSaveFile(QWidget* parent, const TFileDialogRequest& request)
{
    return FileDialogPresenter().getSaveFileName(parent, request);
}

QString TScriptedFileDialogPresenter::Next(TKind kind, const TFileDialogRequest& request)
{
    QString answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    m_requests.push_back({kind, request, answer});
    return answer;
}

QString TScriptedFileDialogPresenter::getOpenFileName(QWidget* /*parent*/, const TFileDialogRequest& request)
{
    return Next(TKind::Open, request);
}

QString TScriptedFileDialogPresenter::getSaveFileName(QWidget* /*parent*/, const TFileDialogRequest& request)
{
    return Next(TKind::Save, request);
}
