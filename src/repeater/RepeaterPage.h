#pragma once

#include "RepeaterDevice.h"
#include "RepeaterRules.h"

#include <QWidget>
#include <cstdint>
#include <vector>

class IDeviceSession;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The "Repeater" page: reads, checks and writes a repeater's configuration in
// the multi-cell or single-cell layout. The main window hosts it in TabSheet4,
// calls TabSheet4Enter when the tab becomes current and PrepareAfterDetection
// after "Set Comport" found a repeater.
class TRepeaterPage : public QWidget, private IRepeaterView {
    Q_OBJECT
public:
    explicit TRepeaterPage(IDeviceSession& session, QWidget* parent = nullptr);

    // Start-up and detection joins.
    void ApplyMemoText(const QString& memoCaption);
    void PrepareAfterDetection();

    // 1 multi-cell, 0 single-cell; anything else: EAssertionFailed.
    void SetRepeaterTypeGui(int mode);
    [[nodiscard]] int GetRepeaterTypeGui() const;
    [[nodiscard]] static bool IsMultiCellType(int type) { return TRepeaterRules::IsMultiCellType(type); }

    [[nodiscard]] bool ZeroBlindSlot();
    void ShowBusyBitHint(bool fourAllowed) override;
    [[nodiscard]] bool AltSyncSupported();
    void ShowAltFields(bool visible);
    [[nodiscard]] bool AltFieldsShown() const;
    [[nodiscard]] std::uint8_t ReadAltBase();
    [[nodiscard]] std::uint8_t ReadAltRepeater();
    void WriteAltBase(int value);
    void WriteAltRepeater(int value);
    bool WriteCellsHex(std::uint16_t address, const QString& hexText, std::uint8_t count);

    [[nodiscard]] static QString MultiCellCodeToText(const QString& answer)
    {
        return TRepeaterRules::MultiCellCodeToText(answer);
    }
    [[nodiscard]] static QString TextToMultiCellCode(const QString& code)
    {
        return TRepeaterRules::TextToMultiCellCode(code);
    }
    [[nodiscard]] static QString SingleCellCodeToText(const QString& answer)
    {
        return TRepeaterRules::SingleCellCodeToText(answer);
    }
    [[nodiscard]] static QString TextToSingleCellCode(const QString& code, int base)
    {
        return TRepeaterRules::TextToSingleCellCode(code, base);
    }

    // Show their message on failure.
    bool ValidateRepeaterInput();
    bool AltBaseNumberGuiValid();
    bool AltRepeaterNumberGuiValid();

    // Handlers.
    void TabSheet4Enter();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Edit3Change();
    void Edit4Change();
    void Edit5Change();
    void Edit6Change();
    void Edit7Change();
    void Edit8Change();
    void edtAltBaseToSyncOnChange();
    void edtAltRepeaterNumberChange();

private:
    void BuildControls();
    QLabel* MakeLabel(const char* name, const QString& caption, bool visible = true);
    QLineEdit* MakeEdit(const char* name, int maxLength);
    QLabel* MakeMessageLabel(const char* name, const QString& caption);
    void ConnectHandlers();

    void LimitCodeTyping();

    // Kept apart from the captions, which a translation may make equal.
    int m_layout = kMultiCellLayout;

    void SetChanged(QLineEdit* edit, bool changed);
    void SetTextNormal(QLineEdit* edit, const QString& text);
    void ShowInfo(const QLabel* label);
    [[nodiscard]] const QLabel* MessageLabel(RepeaterCheck check) const;
    [[nodiscard]] TRepeaterInput Input() const;
    [[nodiscard]] QLineEdit* FieldEdit(RepeaterField field) const;
    [[nodiscard]] const QLabel* FieldCaption(RepeaterField field) const;
    [[nodiscard]] QString NotWrittenText(const TRepeaterWriteResult& result) const;
    [[nodiscard]] std::vector<QWidget*> Buttons() const;
    [[nodiscard]] TRepeaterDevice Device();

    // IRepeaterView: what the read and write sequences report.
    void SetLayout(int layout) override { SetRepeaterTypeGui(layout); }
    void ShowField(RepeaterField field, const QString& text) override;
    void SetDebugBeep(bool on) override;
    void FieldSent(RepeaterField field) override { SetChanged(FieldEdit(field), false); }

    IDeviceSession& m_session;
    bool m_filling = false;
    int m_codeLimit = 11;

public:
    // Controls by their design names (the language files and tests find them by objectName too).
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* lblBaseValues = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* lblRepeaterValues = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* lblZeroBlindSlot = nullptr;
    QLabel* lblAltBaseToSync = nullptr;
    QLineEdit* edtAltBaseToSyncOn = nullptr;
    QLabel* lblAltBaseValues = nullptr;
    QLabel* lblAltRepeaterNumber = nullptr;
    QLineEdit* edtAltRepeaterNumber = nullptr;
    QLabel* lblAltRepeaterValues = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

    // Hidden message labels.
    QLabel* lblNotDavoWRFP = nullptr;
    QLabel* Label32 = nullptr;
    QLabel* Label31 = nullptr;
    QLabel* lblCCFPCodeNotValid = nullptr;
    QLabel* lblBaseNotInInterval = nullptr;
    QLabel* lblBaseIsNotNumber = nullptr;
    QLabel* lblRepeaterNoOutOfRange = nullptr;
    QLabel* lblWRFPNotInteger = nullptr;
    QLabel* Label30 = nullptr;
    QLabel* lblBusyBitOutOfRange = nullptr;
    QLabel* lblBusyBitOutOfRange4 = nullptr;
    QLabel* lblAltBaseNotInInterval = nullptr;
    QLabel* lblAltBaseIsNotNumber = nullptr;
    QLabel* lblAltWRFPNotInteger = nullptr;
    QLabel* lblAltRepeaterNoOutOfRange = nullptr;
    QLabel* lblAltRepeaterNumberOutOfRange = nullptr;
    // A write the repeater did not confirm: the first line, and the name of the
    // cells without a field.
    QLabel* lblWriteNotConfirmed = nullptr;
    QLabel* lblFixedCells = nullptr;
    // A confirmed write; the question before single-cell cells go into a multi-cell repeater.
    QLabel* lblWriteDone = nullptr;
    QLabel* lblSingleCellOnMultiCell = nullptr;

    // Caption sources of the layout switch.
    QLabel* lblResidentielBase = nullptr;
    QLabel* lblCCFPRepeater = nullptr;
    QLabel* lblCCFP2700 = nullptr;
    QLabel* lblResideltielBaseDectQ700 = nullptr;
    QLabel* lblDec0_255 = nullptr;
    QLabel* lblDec0_7 = nullptr;
    QLabel* lblDec2_7 = nullptr;
};
