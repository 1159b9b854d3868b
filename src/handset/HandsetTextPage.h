#pragma once

#include "StartupText.h"

#include <QWidget>
#include <memory>
#include <vector>

namespace Ui {
class THandsetTextPage;
}
class IHandsetSession;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TTypingLimit;

// "Handset Startup Text": the text a handset shows when it is switched on,
// one line of 10 characters or (the three-line models) three lines of 12.
// A text that does not fit the layout is refused before the handset is asked;
// three lines go into a handset that does not look like a three-line model
// only when the technician says so. After every write attempt that got past
// the checks the port is closed.
class THandsetTextPage final : public QWidget {
    Q_OBJECT
public:
    explicit THandsetTextPage(IHandsetSession& session, QWidget* parent = nullptr);
    ~THandsetTextPage() override;

    void CheckBox2Click();
    void Button1Click();

    // The typing limits of the three edits (10 or 12).
    [[nodiscard]] int MaxLength(const QLineEdit* edit) const;

    QCheckBox* CheckBox2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit9;
    QPushButton* Button1;
    QLabel* Label27;
    QLabel* Label28;
    QLabel* Label29;
    QLabel* lblCharacterNotStorable;
    QLabel* lblLineTooLong;
    QLabel* lblNotThreeLineModel;

private:
    // The text of the layout's lines in the handset's bytes, or why not (shown).
    [[nodiscard]] bool Encode(bool threeLine, std::vector<TTextBlock>& blocks);
    // The three lines into a handset that does not look like a three-line model: asked, default No.
    [[nodiscard]] bool LayoutConfirmed(const TTextLayoutDecision& decision);

    std::unique_ptr<Ui::THandsetTextPage> m_ui;
    IHandsetSession& m_session;
    TTypingLimit* m_limit1;
    TTypingLimit* m_limit2;
    TTypingLimit* m_limit9;
};
