#pragma once

#include "DialogsTranslation.h"

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// A dialog presenter for tests: records every dialog as it was built and
// translated (caption, text, type, icon, button names and texts read from the
// real QMessageBox) and answers from a queue instead of showing it.
//
// An answer that names a button of the box clicks that button, so the result
// comes from the box as it would for a person. An answer without such a button
// is returned as it is (and counted in UnmatchedAnswers()). With the queue
// empty the default answer is used; without one, the box's default button
// (what Enter would press), else mrCancel.
//
//     TScriptedDialogPresenter dialogs;
//     TScopedDialogPresenter use(dialogs);
//     dialogs.Answer(mrNo);
//     ... code under test ...
//     EXPECT_EQ(dialogs.Last().caption, "Confirmation");
class TScriptedDialogPresenter final : public IDialogPresenter {
public:
    struct TEntry : TDialogRecord {
        TModalResult result = mrNone; // what Present returned
    };

    void Answer(TModalResult result) { m_answers.push_back(result); }
    void SetDefaultAnswer(std::optional<TModalResult> result) { m_defaultAnswer = result; }
    // Called with each box before it is answered (e.g. to look at it further).
    void SetInspector(std::function<void(QMessageBox&)> inspector) { m_inspector = std::move(inspector); }

    [[nodiscard]] const std::vector<TEntry>& Dialogs() const { return m_dialogs; }
    [[nodiscard]] std::size_t Count() const { return m_dialogs.size(); }
    // The last dialog; an empty entry when there was none.
    [[nodiscard]] TEntry Last() const { return m_dialogs.empty() ? TEntry{} : m_dialogs.back(); }
    [[nodiscard]] std::size_t PendingAnswers() const { return m_answers.size(); }
    [[nodiscard]] int UnmatchedAnswers() const { return m_unmatched; }
    void Clear();

    TModalResult Present(QMessageBox& box, const TDialogRecord& record) override;

private:
    std::vector<TEntry> m_dialogs;
    std::deque<TModalResult> m_answers;
    std::optional<TModalResult> m_defaultAnswer;
    std::function<void(QMessageBox&)> m_inspector;
    int m_unmatched = 0;
};
