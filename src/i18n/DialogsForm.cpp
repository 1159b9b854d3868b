#include "DialogsForm.h"

#include <QLabel>

namespace {

struct TLabelDef {
    const char* name;
    const char* caption;
};

constexpr TLabelDef kLabels[kDialogTextCount] = {
    {"lblWarning", "Warning"},
    {"lblError", "Error"},
    {"lblInformation", "Information"},
    {"lblConfirmation", "Confirmation"},
    {"lblCustom", "Info"},
    {"lblYes", "Yes"},
    {"lblNo", "No"},
    {"lblOk", "Ok"},
    {"lblCancel", "Cancel"},
    {"lblAbort", "Abort"},
    {"lblRetry", "Retry"},
    {"lblIgnore", "Ignore"},
    {"lblAll", "All"},
    {"lblNoToAll", "No to All"},
    {"lblYesToAll", "Yes to All"},
    {"lblHelp", "Help"},
};

} // namespace

TDialogsForm::TDialogsForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogsForm"));
    setWindowTitle(QStringLiteral("DialogsForm"));
    for (int i = 0; i < kDialogTextCount; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kLabels[i].caption), this);
        label->setObjectName(QString::fromLatin1(kLabels[i].name));
        label->setVisible(false);
        m_labels[i] = label;
    }
}

TDialogTexts TDialogsForm::Texts() const
{
    TDialogTexts texts;
    for (int i = 0; i < kDialogTextCount; ++i)
        texts[i] = m_labels[i]->text();
    return texts;
}

void CopyDialogTexts(const TDialogsForm& form) { SetDialogTexts(form.Texts()); }
