#pragma once

#include <QString>
#include <deque>
#include <vector>

class QWidget;

// File open and save dialogs go through one replaceable presenter, as the
// message dialogs do: the program uses QFileDialog, tests a scripted one.

struct TFileDialogRequest {
    QString caption;
    QString directory;     // initial folder
    QString fileName;      // preselected file (bare name or full path); may be empty
    QString filter;        // Qt name filters, ";;"-separated: "Menu files (*.txt);;All files (*)"
    QString defaultSuffix; // added to a typed name without a suffix, e.g. "lng"
};

class IFileDialogPresenter {
public:
    virtual ~IFileDialogPresenter() = default;
    // The chosen file's full path; empty when the dialog was cancelled.
    // Open: an existing file. Save: any name; replacing a file is confirmed first.
    virtual QString getOpenFileName(QWidget* parent, const TFileDialogRequest& request) = 0;
    virtual QString getSaveFileName(QWidget* parent, const TFileDialogRequest& request) = 0;
};

class TQtFileDialogPresenter final : public IFileDialogPresenter {
public:
    QString getOpenFileName(QWidget* parent, const TFileDialogRequest& request) override;
    QString getSaveFileName(QWidget* parent, const TFileDialogRequest& request) override;
};

// The presenter in use; nullptr restores the QFileDialog one. Not owned.
void SetFileDialogPresenter(IFileDialogPresenter* presenter);
[[nodiscard]] IFileDialogPresenter& FileDialogPresenter();

class TScopedFileDialogPresenter {
public:
    explicit TScopedFileDialogPresenter(IFileDialogPresenter& presenter);
    ~TScopedFileDialogPresenter();
    TScopedFileDialogPresenter(const TScopedFileDialogPresenter&) = delete;
    TScopedFileDialogPresenter& operator=(const TScopedFileDialogPresenter&) = delete;

private:
    IFileDialogPresenter* m_previous;
};

// Through the presenter in use.
QString ChooseOpenFile(QWidget* parent, const TFileDialogRequest& request);
QString ChooseSaveFile(QWidget* parent, const TFileDialogRequest& request);

// For tests: records each request and answers from a queue; with the queue
// empty it answers "" (cancelled).
class TScriptedFileDialogPresenter final : public IFileDialogPresenter {
public:
    enum class TKind { Open, Save };
    struct TEntry {
        TKind kind = TKind::Open;
        TFileDialogRequest request;
        QString answer;
    };

    void Answer(const QString& path) { m_answers.push_back(path); }
    [[nodiscard]] const std::vector<TEntry>& Requests() const { return m_requests; }

    QString getOpenFileName(QWidget* parent, const TFileDialogRequest& request) override;
    QString getSaveFileName(QWidget* parent, const TFileDialogRequest& request) override;

private:
    QString Next(TKind kind, const TFileDialogRequest& request);

    std::vector<TEntry> m_requests;
    std::deque<QString> m_answers;
};
