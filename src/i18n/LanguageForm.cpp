#include "LanguageForm.h"

#include "DialogsTranslation.h"
#include "FileDialogs.h"
#include "LanguageGrid.h"
#include "MachineSettings.h"
#include "ProfileFile.h"
#include "TranslatableComponents.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

QString CaptionKey(const QString& name) { return name + QStringLiteral(".Caption"); }
QString HintKey(const QString& name) { return name + QStringLiteral(".Hint"); }

// A combo box sizes itself to its items only: its placeholder was cut.
void FitPlaceholder(QComboBox& box)
{
    QStyleOptionComboBox option;
    option.initFrom(&box);
    const QSize text(box.fontMetrics().horizontalAdvance(box.placeholderText()), box.fontMetrics().height());
    box.setMinimumWidth(box.style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, &box).width());
}

} // namespace

TLanguageForm::TLanguageForm(QStringList languageFolders, QString machineSettingsPath, TWindowFinder findWindow,
                             QWidget* parent)
    : QDialog(parent), m_languageFolders(std::move(languageFolders)),
      m_machineSettingsPath(std::move(machineSettingsPath)), m_findWindow(std::move(findWindow))
{
    CreateControls();
    ApplyColumnWidths(InitialLanguageColumnWidths(sgLanguage->width()));
}

QLabel* TLanguageForm::HiddenLabel(const char* name, const char* caption)
{
    auto* label = new QLabel(QString::fromLatin1(caption), this);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

void TLanguageForm::CreateControls()
{
    setObjectName(QStringLiteral("LanguageForm"));
    setWindowTitle(QStringLiteral("Language Config"));
    setModal(false);
    resize(760, 480);

    cbForms = new QComboBox(this);
    cbForms->setObjectName(QStringLiteral("cbForms"));
    cbForms->setProperty("Tag", 1);
    cbForms->addItems(TranslatedWindowNames());
    cbForms->setCurrentIndex(-1);
    btnLoadLanguage = new QPushButton(QStringLiteral("Load Language"), this);
    btnLoadLanguage->setObjectName(QStringLiteral("btnLoadLanguage"));
    btnSaveLanguage = new QPushButton(QStringLiteral("Save Language"), this);
    btnSaveLanguage->setObjectName(QStringLiteral("btnSaveLanguage"));
    cbAdditionalInfo = new QCheckBox(QStringLiteral("Additional Info"), this);
    cbAdditionalInfo->setObjectName(QStringLiteral("cbAdditionalInfo"));
    cbLoadCaptions = new QCheckBox(QStringLiteral("Load Captions"), this);
    cbLoadCaptions->setObjectName(QStringLiteral("cbLoadCaptions"));
    cbLoadCaptions->setChecked(true);
    cbLoadHints = new QCheckBox(QStringLiteral("Load Hints"), this);
    cbLoadHints->setObjectName(QStringLiteral("cbLoadHints"));
    cbAutoLoad = new QCheckBox(QStringLiteral("Auto Load"), this);
    cbAutoLoad->setObjectName(QStringLiteral("cbAutoLoad"));
    cbAutoLoad->setChecked(true);
    cbAutoLoad->hide();
    cbSelectLanguage = new QComboBox(this);
    cbSelectLanguage->setObjectName(QStringLiteral("cbSelectLanguage"));
    cbSelectLanguage->setMinimumContentsLength(12);

    sgLanguage = new QTableWidget(0, kLanguageColumnCount, this);
    sgLanguage->setObjectName(QStringLiteral("sgLanguage"));
    sgLanguage->verticalHeader()->hide();
    sgLanguage->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    sgLanguage->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    sgLanguage->setEditTriggers(QAbstractItemView::AllEditTriggers);

    Label0 = HiddenLabel("Label0", "ClassName");
    Label1 = HiddenLabel("Label1", "Name");
    Label2 = HiddenLabel("Label2", "Parent");
    Label3 = HiddenLabel("Label3", "Caption");
    Label4 = HiddenLabel("Label4", "Translation of Caption");
    Label5 = HiddenLabel("Label5", "Hint");
    Label6 = HiddenLabel("Label6", "Translation of Hint");
    lblChoose = HiddenLabel("lblChoose", "Choose a form to edit");
    lblUseThisLang = HiddenLabel("lblUseThisLang", "Use this language");
    lblMessage = HiddenLabel("lblMessage", "Restart program to make changes take effect");
    NAME_OF_THE_FORM = HiddenLabel("NAME_OF_THE_FORM", "Language Config");
    lblFileFilter = HiddenLabel("lblFileFilter", "Language Files");
    lblNotInCodePage = HiddenLabel("lblNotInCodePage", "A language file cannot hold some characters of these rows:");
    lblTooLong = HiddenLabel("lblTooLong", "These rows hold translations longer than 2047 characters:");
    lblSaveFailed = HiddenLabel("lblSaveFailed", "The language file was not saved.");
    lblLoadFailed = HiddenLabel("lblLoadFailed", "The language file was not read.");
    lblChoiceFailed = HiddenLabel("lblChoiceFailed", "The language choice was not stored.");

    // Two rows: in one, the longer German texts made the window wider than the screen.
    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{cbForms, btnLoadLanguage, btnSaveLanguage})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(cbSelectLanguage);
    auto* options = new QHBoxLayout;
    for (QCheckBox* box : {cbAdditionalInfo, cbLoadCaptions, cbLoadHints, cbAutoLoad})
        options->addWidget(box);
    options->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(options);
    layout->addWidget(sgLanguage, 1);
    // Tab follows the rows: the language choice ends the first.
    QWidget* order[] = {cbForms,        btnLoadLanguage, btnSaveLanguage, cbSelectLanguage, cbAdditionalInfo,
                        cbLoadCaptions, cbLoadHints,     cbAutoLoad,      sgLanguage};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    // The user's choices only: refilling the lists must not act.
    connect(cbForms, &QComboBox::activated, this, [this](int) { cbFormsChange(); });
    connect(cbSelectLanguage, &QComboBox::activated, this, [this](int) { cbSelectLanguageChange(); });
    connect(btnLoadLanguage, &QPushButton::clicked, this, [this] { btnLoadLanguageClick(false); });
    connect(btnSaveLanguage, &QPushButton::clicked, this, [this] { btnSaveLanguageClick(); });
    for (QCheckBox* box : {cbAdditionalInfo, cbLoadCaptions, cbLoadHints})
        connect(box, &QCheckBox::clicked, this, [this] { cbAdditionalInfoClick(); });
}

void TLanguageForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TLanguageForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TLanguageForm::FormShow()
{
    setWindowTitle(NAME_OF_THE_FORM->text());
    RefreshLanguageList();
    sgLanguage->setHorizontalHeaderLabels({Label0->text(), Label1->text(), Label2->text(), Label3->text(),
                                           Label4->text(), Label5->text(), Label6->text()});
    cbForms->setPlaceholderText(lblChoose->text());
    cbSelectLanguage->setPlaceholderText(lblUseThisLang->text());
    for (QComboBox* box : {cbForms, cbSelectLanguage})
        FitPlaceholder(*box);
    FormResize();
}

void TLanguageForm::FormResize() { cbAdditionalInfoClick(); }

void TLanguageForm::cbAdditionalInfoClick()
{
    ApplyColumnWidths(LanguageColumnWidths(sgLanguage->width(), cbAdditionalInfo->isChecked(),
                                           cbLoadCaptions->isChecked(), cbLoadHints->isChecked()));
}

void TLanguageForm::ApplyColumnWidths(const std::array<int, 7>& widths)
{
    for (int column = 0; column < kLanguageColumnCount; ++column) {
        sgLanguage->setColumnHidden(column, widths[column] < 0);
        if (widths[column] >= 0)
            sgLanguage->setColumnWidth(column, widths[column]);
    }
}

QWidget* TLanguageForm::ListedWindow() const
{
    if (m_listedForm < 0)
        return nullptr;
    const QString name = TranslatedWindowNames().value(m_listedForm);
    if (name == objectName())
        return const_cast<TLanguageForm*>(this);
    return m_findWindow ? m_findWindow(name) : nullptr;
}

QString TLanguageForm::Section() const { return TranslatedWindowNames().value(m_listedForm); }

void TLanguageForm::cbFormsChange()
{
    const int index = cbForms->currentIndex();
    if (index < 0 || index >= TranslatedWindowNames().size())
        return;
    m_listedForm = index;
    // Nothing of the window listed before may stay behind.
    sgLanguage->clearContents();
    sgLanguage->setRowCount(0);
    if (QWidget* window = ListedWindow()) {
        for (QObject* component : WindowComponents(*window)) {
            if (!ListedInEditor(*component))
                continue;
            const int row = sgLanguage->rowCount();
            sgLanguage->setRowCount(row + 1);
            const QString cells[kLanguageColumnCount] = {QString::fromLatin1(component->metaObject()->className()),
                                                         component->objectName(),
                                                         ParentComponentName(*component),
                                                         ComponentCaption(*component),
                                                         QString(),
                                                         ComponentHint(*component),
                                                         QString()};
            for (int column = 0; column < kLanguageColumnCount; ++column) {
                auto* item = new QTableWidgetItem(cells[column]);
                if (column != lcCaptionTranslation && column != lcHintTranslation)
                    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                sgLanguage->setItem(row, column, item);
            }
        }
    }
    if (cbAutoLoad->isChecked())
        btnLoadLanguageClick(true);
}

QString TLanguageForm::FileFilter() const { return lblFileFilter->text() + QStringLiteral(" (*.lng *.LNG)"); }

void TLanguageForm::btnLoadLanguageClick(bool fromComboBox)
{
    QString path = m_currentFile;
    if (!fromComboBox || path.isEmpty() || !QFileInfo(path).isFile()) {
        // The user's own folder is empty until the first save: then the shipped files are shown.
        QString folder = m_languageFolders.value(0);
        for (const QString& candidate : m_languageFolders)
            if (!QDir(candidate).entryList({QStringLiteral("*.lng"), QStringLiteral("*.LNG")}, QDir::Files).isEmpty()) {
                folder = candidate;
                break;
            }
        path = ChooseOpenFile(this,
                              {NAME_OF_THE_FORM->text(), folder, m_currentFile, FileFilter(), QStringLiteral("lng")});
        if (path.isEmpty())
            return;
    }
    const TWaitCursor wait;
    m_currentFile = path;
    const TProfileFile file(path, TProfileFile::TEncoding::Windows1252, TFileKind::Language);
    // The rows keep what they hold.
    if (const QString problem = file.ReadProblem(); !problem.isEmpty()) {
        MessageDlg(lblLoadFailed->text() + QLatin1Char('\r') + problem, mtError, mbOK);
        return;
    }
    const QString section = Section();
    for (int row = 0; row < sgLanguage->rowCount(); ++row) {
        const QString name = sgLanguage->item(row, lcName)->text();
        sgLanguage->item(row, lcCaptionTranslation)->setText(file.ReadString(section, CaptionKey(name)));
        sgLanguage->item(row, lcHintTranslation)->setText(file.ReadString(section, HintKey(name)));
    }
}

bool TLanguageForm::TranslationsStorable()
{
    QStringList foreign;
    QStringList tooLong;
    for (int row = 0; row < sgLanguage->rowCount(); ++row)
        for (int column : {lcCaptionTranslation, lcHintTranslation}) {
            const TTranslationProblem problem = CheckTranslation(sgLanguage->item(row, column)->text());
            QStringList& list = problem == TTranslationProblem::NotInCodePage ? foreign : tooLong;
            const QString rowName = QStringLiteral("%1 (%2)").arg(row + 1).arg(sgLanguage->item(row, lcName)->text());
            if (problem != TTranslationProblem::None && !list.contains(rowName))
                list << rowName;
        }
    if (foreign.isEmpty() && tooLong.isEmpty())
        return true;
    QStringList message;
    if (!foreign.isEmpty())
        message << lblNotInCodePage->text() + QLatin1Char('\r') + foreign.join(QStringLiteral(", "));
    if (!tooLong.isEmpty())
        message << lblTooLong->text() + QLatin1Char('\r') + tooLong.join(QStringLiteral(", "));
    MessageDlg(message.join(QStringLiteral("\r\r")), mtError, mbOK);
    return false;
}

void TLanguageForm::btnSaveLanguageClick()
{
    if (m_listedForm < 0)
        MessageDlg(lblChoose->text(), mtCustom, mbOK);
    else if (TranslationsStorable()) {
        const QString path = ChooseSaveFile(this, {NAME_OF_THE_FORM->text(), m_languageFolders.value(0), m_currentFile,
                                                   FileFilter(), QStringLiteral("lng")});
        if (!path.isEmpty()) {
            const TWaitCursor wait;
            m_currentFile = path;
            TProfileFile file(path, TProfileFile::TEncoding::Windows1252, TFileKind::Language);
            const QString section = Section();
            file.BeginUpdate();
            for (int row = 0; row < sgLanguage->rowCount(); ++row) {
                const QString name = sgLanguage->item(row, lcName)->text();
                file.WriteString(section, CaptionKey(name),
                                 EncodeTranslation(sgLanguage->item(row, lcCaptionTranslation)->text()));
                file.WriteString(section, HintKey(name),
                                 EncodeTranslation(sgLanguage->item(row, lcHintTranslation)->text()));
            }
            if (!file.EndUpdate())
                MessageDlg(lblSaveFailed->text() + QLatin1Char('\r') + file.ErrorString(), mtError, mbOK);
        }
    }
    RefreshLanguageList();
}

void TLanguageForm::RefreshLanguageList()
{
    cbSelectLanguage->clear();
    cbSelectLanguage->addItems(LanguageNames(m_languageFolders));
    cbSelectLanguage->setCurrentIndex(-1);
}

void TLanguageForm::cbSelectLanguageChange()
{
    const int index = cbSelectLanguage->currentIndex();
    bool stored = false;
    TMachineSettings settings(m_machineSettingsPath);
    {
        const TWaitCursor wait;
        stored = settings.WriteString(QStringLiteral("Language"),
                                      index > 0 ? cbSelectLanguage->currentText() : QLatin1String(kEnglish));
    }
    if (stored)
        MessageDlg(lblMessage->text(), mtInformation, mbOK);
    else
        MessageDlg(lblChoiceFailed->text() + QLatin1Char('\r') + settings.ErrorString(), mtError, mbOK);
}
