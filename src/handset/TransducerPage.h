#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

namespace Ui {
class TTransducerPage;
}
class IHandsetSession;
class QLabel;
class QPushButton;

// "Volume adjust PP": fits a Pulsa handset's gain byte to the loudspeaker
// transducer fitted in it, writing only when the handset holds another value.
// The success text is the startup text page's (given at construction).
class TTransducerPage final : public QWidget {
    Q_OBJECT
public:
    TTransducerPage(IHandsetSession& session, const QLabel& successLabel, QWidget* parent = nullptr);
    ~TTransducerPage() override;

    void Button3Click();
    void Button4Click();

    QPushButton* Button3;
    QPushButton* Button4;
    QLabel* Label33;
    QLabel* Label34;
    QLabel* Label35;

private:
    void SetTransducer(std::uint8_t value);

    std::unique_ptr<Ui::TTransducerPage> m_ui;
    IHandsetSession& m_session;
    const QLabel& m_successLabel;
};
