#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// The user guide in a window of the program: the Markdown guide and its
// pictures are built into the program, so help works wherever it runs.
class THelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    [[nodiscard]] QTextBrowser* Browser() const { return m_browser; }

    // The guide as built in.
    [[nodiscard]] static QString GuideUrl();
    // Scrolls the chapter whose heading reads so to the top; false when there is none.
    bool ShowChapter(const QString& heading);
    // The guide's chapter on flash downloads, where the flash window opens it.
    static constexpr const char* kFlashChapter = "Downloading new software (flash)";

private:
    QTextBrowser* m_browser;
};

// Shows the one help window of the program (created on first use), with the
// given caption, in front; at the chapter with that heading when one is given.
THelpWindow& ShowUserGuide(const QString& caption, const QString& chapter = {});
