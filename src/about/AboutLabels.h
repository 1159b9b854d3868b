#pragma once

#include "About.h"

#include <QWidget>
#include <array>

class QLabel;

// Hidden labels with the About window's texts, placed in the main window so
// that its language file translates them: lblAboutProductName "Product Name"
// ... lblAboutHomePage "Home Page" (one per row, named after the row's key),
// lblAboutWindow "About", lblAboutOk "OK", lblAboutSubject "Software Question".
class TAboutLabels final : public QWidget {
    Q_OBJECT
public:
    explicit TAboutLabels(QWidget* parent = nullptr);

    // The labels' current captions.
    [[nodiscard]] TAboutTexts Texts() const;

private:
    std::array<QLabel*, kAboutRowCount> m_rows{};
    QLabel* m_caption;
    QLabel* m_ok;
    QLabel* m_subject;
};
