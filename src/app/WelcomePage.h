#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TWelcomePage;
}
class QLabel;

// The Welcome page: the logo, the version line, and the hidden labels that
// carry the shell's translatable menu and message texts.
class TWelcomePage final : public QWidget {
    Q_OBJECT
public:
    explicit TWelcomePage(QWidget* parent = nullptr);
    ~TWelcomePage() override;

    // Loads the picture at its own size; false (no picture) when it cannot be read.
    bool LoadPicture(const QString& path);
    // Picture in the middle, the version line 30 pixels below it.
    void LayoutPicture();
    void SetVersion(const QString& version);

    QLabel* Image1;
    QLabel* lblVersion;
    QLabel* Label50;
    QLabel* Label52;
    QLabel* Label53;
    QLabel* Label54;
    QLabel* Label55;
    QLabel* lblAbout;
    QLabel* lblVersionHidden;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<Ui::TWelcomePage> m_ui;
};
