#pragma once

#include "MenuFile.h"

#include <QWidget>

class IDeviceSession;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// The "Download" page: "Load Menu" plays a menu file into the connected
// handset with a gauge and the list of lines still to send; "Load Flash"
// frees the port and asks for the flash load utility.
class TDownloadPage final : public QWidget {
    Q_OBJECT
public:
    // settingsFile is the user's program INI, which keeps the last menu folder.
    TDownloadPage(IDeviceSession& session, QString programFolder, QString settingsFile, QWidget* parent = nullptr);

    void Button9Click();
    void Button10Click();

    // The problem texts of a bad menu line, from the hidden labels.
    [[nodiscard]] TMenuProblemTexts ProblemTexts() const;

    QPushButton* Button9;
    QPushButton* Button10;
    QListWidget* ListBox1;
    QProgressBar* MenuGauge;
    QLabel* lblReadHelpfile;
    QLabel* Label42;
    QLabel* Label43;
    QLabel* Label44;
    QLabel* Label56;
    QLabel* lblMenuLine;
    QLabel* lblMenuTooManyFields;
    QLabel* lblMenuFieldNotHex;
    QLabel* lblMenuCountOutOfRange;
    QLabel* lblMenuDataCount;
    QLabel* lblMenuPastEnd;
    QLabel* lblMenuReadError;

signals:
    // The link's port is closed: the flash load utility may take it.
    void LoadFlashRequested();

private:
    QLabel* AddHiddenLabel(const char* name, const QString& caption);
    void ShowBadLine(const TMenuCheck& check);
    // Runs the lines in the list; the list and the gauge follow the progress.
    void PlayListedLines(const QStringList& lines);

    IDeviceSession& m_session;
    QString m_programFolder;
    QString m_settingsFile;
};
