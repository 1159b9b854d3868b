#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class THandsetIpeiPage;
}
class IHandsetSession;
class QLabel;
class QPushButton;

// "Handset IPEI": reads the handset's identity and shows it as its printed
// IPEI. The read error text is the internal gain page's (given at construction).
class THandsetIpeiPage final : public QWidget {
    Q_OBJECT
public:
    THandsetIpeiPage(IHandsetSession& session, const QLabel& readErrorLabel, QWidget* parent = nullptr);
    ~THandsetIpeiPage() override;

    void btnSerialNoClick();

    QPushButton* btnSerialNo;
    QLabel* Label57;
    QLabel* lblSerialNo;

private:
    std::unique_ptr<Ui::THandsetIpeiPage> m_ui;
    IHandsetSession& m_session;
    const QLabel& m_readErrorLabel;
};
