#pragma once

#include <QMessageBox>
#include <QString>
#include <array>
#include <vector>

// Every message box of the program goes through MessageDlg or ShowMessage:
// they build a QMessageBox, give it the caption and button texts of the
// program-wide dialog text table (so that dialogs follow the chosen language)
// and hand it to the dialog presenter, which shows it (or, in tests, answers
// for it).

// Dialog types, numbered as the platform's message dialog types.
enum TMsgDlgType : int { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

// Button set bits.
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
using TMsgDlgButtons = unsigned;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;       // 3
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel; // 12
inline constexpr int kMsgDlgButtonCount = 11;

// Modal results, with the platform's values.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// The dialog text table: slots 0-4 captions (warning, error, information,
// confirmation, any other type), 5-15 button texts (Yes, No, OK, Cancel,
// Abort, Retry, Ignore, All, No to All, Yes to All, Help).
inline constexpr int kDialogTextCount = 16;
using TDialogTexts = std::array<QString, kDialogTextCount>;
enum TDialogTextSlot : int {
    dtWarning = 0,
    dtError,
    dtInformation,
    dtConfirmation,
    dtCustom,
    dtYes,
    dtNo,
    dtOK,
    dtCancel,
    dtAbort,
    dtRetry,
    dtIgnore,
    dtAll,
    dtNoToAll,
    dtYesToAll,
    dtHelp,
};

// "Warning", "Error", "Information", "Confirmation", "Info", "Yes", "No", "OK",
// "Cancel", "Abort", "Retry", "Ignore", "All", "No to All", "Yes to All", "Help".
[[nodiscard]] TDialogTexts DefaultDialogTexts();
// The program-wide table; it holds the defaults until SetDialogTexts.
[[nodiscard]] const TDialogTexts& DialogTexts();
// Replaces all 16 texts at once.
void SetDialogTexts(const TDialogTexts& texts);

// Object name a button of the bit gets ("Yes", "No", "OK", "Cancel", "Abort",
// "Retry", "Ignore", "All", "NoToAll", "YesToAll", "Help"); its text slot; the
// result it closes the box with (Help: mrNone).
[[nodiscard]] QString ButtonObjectName(TMsgDlgBtn button);
[[nodiscard]] TDialogTextSlot ButtonTextSlot(TMsgDlgBtn button);
[[nodiscard]] TModalResult ButtonModalResult(TMsgDlgBtn button);
// The caption slot of a type: 0-3 for types 0-3, 4 for every other type.
[[nodiscard]] TDialogTextSlot CaptionSlot(int type);

// What a dialog shows, read back from the built and translated box.
struct TDialogButtonInfo {
    TMsgDlgBtn button = mbOK;
    QString name; // object name
    QString text; // the text on the button
    bool operator==(const TDialogButtonInfo&) const = default;
};
struct TDialogRecord {
    QString caption;
    QString text; // the message as the program passed it (CR line breaks kept)
    int type = mtCustom;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<TDialogButtonInfo> buttons; // in button-set bit order
    QString defaultButton;                  // object name, empty when none
    QString escapeButton;                   // object name, empty when none
    [[nodiscard]] QStringList ButtonTexts() const;
    [[nodiscard]] QStringList ButtonNames() const;
};

// Shows a built and translated box and returns what was chosen. The program's
// presenter runs the box modally; tests install a scripted one.
class IDialogPresenter {
public:
    virtual ~IDialogPresenter() = default;
    virtual TModalResult Present(QMessageBox& box, const TDialogRecord& record) = 0;
};

// The QMessageBox presenter: exec() and the result of the button clicked.
class TMessageBoxPresenter final : public IDialogPresenter {
public:
    TModalResult Present(QMessageBox& box, const TDialogRecord& record) override;
};

// The presenter in use; nullptr restores the QMessageBox one. Not owned.
void SetDialogPresenter(IDialogPresenter* presenter);
[[nodiscard]] IDialogPresenter& DialogPresenter();

// Installs a presenter for the lifetime of the object, then puts back the one before.
class TScopedDialogPresenter {
public:
    explicit TScopedDialogPresenter(IDialogPresenter& presenter);
    ~TScopedDialogPresenter();
    TScopedDialogPresenter(const TScopedDialogPresenter&) = delete;
    TScopedDialogPresenter& operator=(const TScopedDialogPresenter&) = delete;

private:
    IDialogPresenter* m_previous;
};

// The steps of MessageDlg, for presenters and tests.
// Adds the named buttons of the set (an empty set gets OK), icon, plain text,
// default button (OK, else Yes, else Retry) and escape button (Cancel, else
// No, else OK). CR and CR LF in the text become line breaks.
void BuildMessageBox(QMessageBox& box, const QString& text, int type, TMsgDlgButtons buttons);
// Caption from the caption slot of the type; every child named as a button
// gets the text of that button's slot.
void TranslateMessageBox(QMessageBox& box, int type);
[[nodiscard]] TDialogRecord DescribeMessageBox(const QMessageBox& box, const QString& text, int type);
// The result of the button that closed the box: mrCancel when none did.
[[nodiscard]] TModalResult ModalResultOf(const QMessageBox& box);

// The translated message dialog: text, type (0-4), button set -> modal result.
TModalResult MessageDlg(const QString& text, int type, TMsgDlgButtons buttons);
// The same with another default button: a question whose safe answer is No
// passes mbNo, so that Enter does not say Yes.
TModalResult MessageDlg(const QString& text, int type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton);
// The translated plain message box: type custom, one OK button.
void ShowMessage(const QString& text);
