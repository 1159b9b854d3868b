#pragma once

#include "DialogsTranslation.h"

#include <QDialog>
#include <array>

class QLabel;

// The dialog texts window (object name "DialogsForm"): never shown; it only
// holds 16 hidden labels whose captions a language file translates like any
// other window's. Copying the dialog texts reads them into the table.
//
// Labels in slot order: lblWarning "Warning", lblError "Error",
// lblInformation "Information", lblConfirmation "Confirmation", lblCustom
// "Info", lblYes "Yes", lblNo "No", lblOk "Ok", lblCancel "Cancel", lblAbort
// "Abort", lblRetry "Retry", lblIgnore "Ignore", lblAll "All", lblNoToAll
// "No to All", lblYesToAll "Yes to All", lblHelp "Help". (lblOk reads "Ok",
// not the table's default "OK".)
class TDialogsForm : public QDialog {
    Q_OBJECT
public:
    explicit TDialogsForm(QWidget* parent = nullptr);

    [[nodiscard]] QLabel* Label(TDialogTextSlot slot) const { return m_labels[slot]; }
    // The labels' current captions, in slot order.
    [[nodiscard]] TDialogTexts Texts() const;

private:
    std::array<QLabel*, kDialogTextCount> m_labels{};
};

// Sets the dialog text table from the window's labels.
void CopyDialogTexts(const TDialogsForm& form);
