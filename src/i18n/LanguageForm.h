#pragma once

#include "LanguageFile.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The language editor (object name "LanguageForm"), a modeless window: lists
// the translatable components of one of the program's windows, with their
// translations from a language file, saves them, and chooses the language the
// program uses from its next start.
class TLanguageForm final : public QDialog {
    Q_OBJECT
public:
    // languageFolders: where language files are listed and looked up; the
    // first is where the file dialogs start (the user's own folder).
    TLanguageForm(QStringList languageFolders, QString machineSettingsPath, TWindowFinder findWindow,
                  QWidget* parent = nullptr);

    // The language file that loading and saving share (empty at start).
    [[nodiscard]] const QString& CurrentFile() const { return m_currentFile; }

    void FormShow();
    void FormResize();
    // Lists the window chosen in cbForms, then loads its translations when
    // "Auto Load" is on.
    void cbFormsChange();
    // fromComboBox: reuse the current file without asking when there is one.
    void btnLoadLanguageClick(bool fromComboBox = false);
    void btnSaveLanguageClick();
    void cbAdditionalInfoClick();
    void cbSelectLanguageChange();
    // Refills cbSelectLanguage: English, then the folder's language files.
    void RefreshLanguageList();

    QTableWidget* sgLanguage;
    QComboBox* cbForms;
    QPushButton* btnLoadLanguage;
    QPushButton* btnSaveLanguage;
    QCheckBox* cbAdditionalInfo;
    QCheckBox* cbLoadCaptions;
    QCheckBox* cbLoadHints;
    QCheckBox* cbAutoLoad;
    QComboBox* cbSelectLanguage;
    QLabel* Label0;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* lblChoose;
    QLabel* lblUseThisLang;
    QLabel* lblMessage;
    QLabel* NAME_OF_THE_FORM;
    QLabel* lblFileFilter;
    QLabel* lblNotInCodePage;
    QLabel* lblTooLong;
    QLabel* lblSaveFailed;
    QLabel* lblLoadFailed;
    QLabel* lblChoiceFailed;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    QLabel* HiddenLabel(const char* name, const char* caption);
    [[nodiscard]] QWidget* ListedWindow() const;
    [[nodiscard]] QString Section() const;
    [[nodiscard]] QString FileFilter() const;
    void ApplyColumnWidths(const std::array<int, 7>& widths);
    // Names the rows whose translations cannot be stored; true when there are none.
    bool TranslationsStorable();

    QStringList m_languageFolders;
    QString m_machineSettingsPath;
    TWindowFinder m_findWindow;
    QString m_currentFile;
    int m_listedForm = -1;
};
