#include "DialogsTranslation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace {

struct TButtonDef {
    TMsgDlgBtn button;
    const char* name;
    TDialogTextSlot slot;
    TModalResult result;
    QMessageBox::ButtonRole role;
};

// In button-set bit order.
constexpr TButtonDef kButtons[kMsgDlgButtonCount] = {
    {mbYes, "Yes", dtYes, mrYes, QMessageBox::YesRole},
    {mbNo, "No", dtNo, mrNo, QMessageBox::NoRole},
    {mbOK, "OK", dtOK, mrOk, QMessageBox::AcceptRole},
    {mbCancel, "Cancel", dtCancel, mrCancel, QMessageBox::RejectRole},
    {mbAbort, "Abort", dtAbort, mrAbort, QMessageBox::RejectRole},
    {mbRetry, "Retry", dtRetry, mrRetry, QMessageBox::AcceptRole},
    {mbIgnore, "Ignore", dtIgnore, mrIgnore, QMessageBox::AcceptRole},
    {mbAll, "All", dtAll, mrAll, QMessageBox::YesRole},
    {mbNoToAll, "NoToAll", dtNoToAll, mrNoToAll, QMessageBox::NoRole},
    {mbYesToAll, "YesToAll", dtYesToAll, mrYesToAll, QMessageBox::YesRole},
    {mbHelp, "Help", dtHelp, mrNone, QMessageBox::HelpRole},
};

const TButtonDef& Def(TMsgDlgBtn button)
{
    for (const TButtonDef& d : kButtons)
        if (d.button == button)
            return d;
    return kButtons[2]; // OK
}

const TButtonDef* DefByName(const QString& name)
{
    for (const TButtonDef& d : kButtons)
        if (name == QLatin1String(d.name))
            return &d;
    return nullptr;
}

TDialogTexts& Table()
{
    static TDialogTexts table = DefaultDialogTexts();
    return table;
}

TMessageBoxPresenter& DefaultPresenter()
{
    static TMessageBoxPresenter presenter;
    return presenter;
}

IDialogPresenter* g_presenter = nullptr;

QMessageBox::Icon IconOf(int type)
{
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

TDialogTexts DefaultDialogTexts()
{
    return {QStringLiteral("Warning"),      QStringLiteral("Error"),     QStringLiteral("Information"),
            QStringLiteral("Confirmation"), QStringLiteral("Info"),      QStringLiteral("Yes"),
            QStringLiteral("No"),           QStringLiteral("OK"),        QStringLiteral("Cancel"),
            QStringLiteral("Abort"),        QStringLiteral("Retry"),     QStringLiteral("Ignore"),
            QStringLiteral("All"),          QStringLiteral("No to All"), QStringLiteral("Yes to All"),
            QStringLiteral("Help")};
}

const TDialogTexts& DialogTexts() { return Table(); }

void SetDialogTexts(const TDialogTexts& texts) { Table() = texts; }

QString ButtonObjectName(TMsgDlgBtn button) { return QString::fromLatin1(Def(button).name); }

TDialogTextSlot ButtonTextSlot(TMsgDlgBtn button) { return Def(button).slot; }

TModalResult ButtonModalResult(TMsgDlgBtn button) { return Def(button).result; }

TDialogTextSlot CaptionSlot(int type)
{
    return type >= mtWarning && type <= mtConfirmation ? static_cast<TDialogTextSlot>(type) : dtCustom;
}

QStringList TDialogRecord::ButtonTexts() const
{
    QStringList texts;
    for (const TDialogButtonInfo& b : buttons)
        texts.append(b.text);
    return texts;
}

QStringList TDialogRecord::ButtonNames() const
{
    QStringList names;
    for (const TDialogButtonInfo& b : buttons)
        names.append(b.name);
    return names;
}

TModalResult TMessageBoxPresenter::Present(QMessageBox& box, const TDialogRecord& /*record*/)
{
    box.exec();
    return ModalResultOf(box);
}

void SetDialogPresenter(IDialogPresenter* presenter) { g_presenter = presenter; }

IDialogPresenter& DialogPresenter() { return g_presenter != nullptr ? *g_presenter : DefaultPresenter(); }

TScopedDialogPresenter::TScopedDialogPresenter(IDialogPresenter& presenter) : m_previous(g_presenter)
{
    SetDialogPresenter(&presenter);
}

TScopedDialogPresenter::~TScopedDialogPresenter() { SetDialogPresenter(m_previous); }

void BuildMessageBox(QMessageBox& box, const QString& text, int type, TMsgDlgButtons buttons)
{
    if ((buttons & ((1u << kMsgDlgButtonCount) - 1)) == 0)
        buttons = mbOK;
    // The program's messages break lines with CR, which Qt's labels do not.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    box.setIcon(IconOf(type));
    for (const TButtonDef& d : kButtons) {
        if ((buttons & d.button) == 0)
            continue;
        auto* button = new QPushButton(QString::fromLatin1(d.name), &box);
        button->setObjectName(QString::fromLatin1(d.name));
        box.addButton(button, d.role);
    }
    const auto find = [&box](TMsgDlgBtn b) { return box.findChild<QPushButton*>(ButtonObjectName(b)); };
    for (TMsgDlgBtn b : {mbOK, mbYes, mbRetry})
        if (QPushButton* button = find(b)) {
            box.setDefaultButton(button);
            break;
        }
    for (TMsgDlgBtn b : {mbCancel, mbNo, mbOK})
        if (QPushButton* button = find(b)) {
            box.setEscapeButton(button);
            break;
        }
}

void TranslateMessageBox(QMessageBox& box, int type)
{
    const TDialogTexts& texts = DialogTexts();
    box.setWindowTitle(texts[CaptionSlot(type)]);
    for (QAbstractButton* child : box.findChildren<QAbstractButton*>())
        if (const TButtonDef* d = DefByName(child->objectName()))
            child->setText(texts[d->slot]);
}

TDialogRecord DescribeMessageBox(const QMessageBox& box, const QString& text, int type)
{
    TDialogRecord record;
    record.caption = box.windowTitle();
    record.text = text;
    record.type = type;
    record.icon = box.icon();
    for (const TButtonDef& d : kButtons)
        if (const auto* button = box.findChild<QAbstractButton*>(QString::fromLatin1(d.name)))
            record.buttons.push_back({d.button, button->objectName(), button->text()});
    if (const QPushButton* b = box.defaultButton())
        record.defaultButton = b->objectName();
    if (const QAbstractButton* b = box.escapeButton())
        record.escapeButton = b->objectName();
    return record;
}

TModalResult ModalResultOf(const QMessageBox& box)
{
    const QAbstractButton* clicked = box.clickedButton();
    if (clicked == nullptr)
        return mrCancel;
    const TButtonDef* d = DefByName(clicked->objectName());
    return d != nullptr ? d->result : mrCancel;
}

TModalResult MessageDlg(const QString& text, int type, TMsgDlgButtons buttons)
{
    QMessageBox box(QApplication::activeWindow());
    BuildMessageBox(box, text, type, buttons);
    TranslateMessageBox(box, type);
    return DialogPresenter().Present(box, DescribeMessageBox(box, text, type));
}

TModalResult MessageDlg(const QString& text, int type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton)
{
    QMessageBox box(QApplication::activeWindow());
    BuildMessageBox(box, text, type, buttons);
    if (auto* button = box.findChild<QPushButton*>(ButtonObjectName(defaultButton)))
        box.setDefaultButton(button);
    TranslateMessageBox(box, type);
    return DialogPresenter().Present(box, DescribeMessageBox(box, text, type));
}

void ShowMessage(const QString& text) { MessageDlg(text, mtCustom, mbOK); }
