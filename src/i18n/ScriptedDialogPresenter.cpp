#include "ScriptedDialogPresenter.h"

#include <QAbstractButton>
#include <QPushButton>

void TScriptedDialogPresenter::Clear()
{
    m_dialogs.clear();
    m_answers.clear();
    m_unmatched = 0;
}

TModalResult TScriptedDialogPresenter::Present(QMessageBox& box, const TDialogRecord& record)
{
    TEntry entry;
    static_cast<TDialogRecord&>(entry) = record;
    m_dialogs.push_back(entry);
    const std::size_t index = m_dialogs.size() - 1;
    if (m_inspector)
        m_inspector(box);

    std::optional<TModalResult> answer = m_defaultAnswer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    QAbstractButton* toClick = nullptr;
    if (answer) {
        for (const TDialogButtonInfo& b : record.buttons)
            if (ButtonModalResult(b.button) == *answer) {
                toClick = box.findChild<QAbstractButton*>(b.name);
                break;
            }
    }
    else {
        toClick = box.defaultButton();
    }
    TModalResult result = mrCancel;
    if (toClick != nullptr) {
        toClick->click(); // the box closes itself as it would on a click
        result = ModalResultOf(box);
    }
    else if (answer) {
        ++m_unmatched;
        result = *answer;
    }
    m_dialogs[index].result = result;
    return result;
}
