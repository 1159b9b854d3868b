#pragma once

#include "VersionInfo.h"

#include <QString>
#include <array>
#include <memory>

class QDialog;
class QWidget;

// The rows of the About window, top to bottom, and the ShowFields bit of each.
enum TAboutRow : int {
    arProductName,
    arInternalName,
    arOriginalFilename,
    arFileDescription,
    arProductVersion,
    arFileVersion,
    arPartNumber,
    arBuildTime,
    arLegalCopyright,
    arLegalTrademarks,
    arComments,
    arCompanyName,
    arEMail,
    arHomePage,
};
inline constexpr int kAboutRowCount = 14;
[[nodiscard]] quint16 AboutRowBit(TAboutRow row);
// The key naming the row's components ("ProductName", "EMail", ...).
[[nodiscard]] const char* AboutRowKey(TAboutRow row);

// The texts the About window shows besides the values; English until the
// main window hands over its translated hidden labels.
struct TAboutTexts {
    std::array<QString, kAboutRowCount> rows; // "Product Name", ..., "Home Page"
    QString caption = QStringLiteral("About");
    QString ok = QStringLiteral("OK");
    QString mailSubject = QStringLiteral("Software Question");
    TAboutTexts();
};

// Version information and, on request, the modal About window that lists
// the rows chosen in ShowFields.
class TAbout {
public:
    static constexpr quint16 kAllRows = 0x4000;
    static constexpr quint16 kMainWindowRows = 0x1104; // Product Version, File Version, Build Time
    // What the main window's About shows: those three with the product's name
    // above them and its copyright below (the three alone named nothing).
    static constexpr quint16 kNamedMainWindowRows = kMainWindowRows | 0x0080 | 0x0010;

    TAbout();

    TVersionInfo Info;
    QString BuildTime; // in the locale's date and time format
    quint16 ShowFields = 0x1D84;
    TAboutTexts Texts;

    // 15 pixels, scaled above 96 dots per inch (a half rounds to even).
    [[nodiscard]] static int RowStep(int dotsPerInch);
    // The address a click on the E-mail value opens.
    [[nodiscard]] QString MailLink() const;

    // The window as ShowDialog shows it, for a row step of `rowStep` pixels.
    [[nodiscard]] std::unique_ptr<QDialog> BuildDialog(QWidget* parent, int rowStep);
    // Builds the window for the screen's resolution and shows it modally.
    void ShowDialog(QWidget* parent);
};
