#include "SerialMonitorForm.h"
#include "AtomicFile.h"

#include "DialogsTranslation.h"
#include "FileDialogs.h"
#include "MonitorGridDelegate.h"
#include "MonitorListModel.h"
#include "MonitorRules.h"
#include "MonitorTextWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <cmath>

namespace {

constexpr int kMargin = 8;
constexpr int kListTop = 40;
constexpr int kButtonGap = 4;
constexpr int kStatusSpare = 8;
constexpr int kPanelCount = 6;
constexpr int kPanelPadding = 10;
// Batches the list's view updates: at most ten repaints a second, whatever
// the traffic; a faster list cannot be read anyway and costs a core share.
constexpr int kRefreshMs = 100;

// Fills the first %s or %d of a translatable format with a value.
QString FillFormat(QString format, const QString& value)
{
    qsizetype at = format.indexOf(QLatin1String("%s"));
    if (at < 0)
        at = format.indexOf(QLatin1String("%d"));
    return at < 0 ? format + value : format.replace(at, 2, value);
}

// Keeps additions out while a command runs; survives the window being destroyed
// inside a nested event loop (a file dialog) by not touching it afterwards.
class TBusyGuard {
public:
    TBusyGuard(TSerialMonitorForm* form, bool& flag) : m_form(form), m_flag(flag) { m_flag = true; }
    ~TBusyGuard()
    {
        if (m_form)
            m_flag = false;
    }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;
    [[nodiscard]] bool FormAlive() const { return !m_form.isNull(); }

private:
    QPointer<TSerialMonitorForm> m_form;
    bool& m_flag;
};

} // namespace

TSerialMonitorForm::TSerialMonitorForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SerialMonitorForm"));
    setWindowTitle(QStringLiteral("Serial Monitor"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Wide enough that a read's answer shows in hex and in ASCII side by side.
    resize(800, 400);
    CreateControls();
    ShowTraceReset();
    ShowLinesUsed();
}

TSerialMonitorForm::~TSerialMonitorForm()
{
    m_busy = true;
    TrafficMonitorRegistry::Forget(this);
}

QLabel* TSerialMonitorForm::AddHiddenLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

void TSerialMonitorForm::CreateControls()
{
    m_model = new TMonitorListModel(this);
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("lvMonitor"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setItemDelegate(new TMonitorGridDelegate(m_list));
    // The columns fit the first traffic once; the last one takes what is left.
    m_list->header()->setStretchLastSection(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);

    m_follow = new QCheckBox(QStringLiteral("Follow Data"), this);
    m_follow->setObjectName(QStringLiteral("chkFollow"));
    m_follow->setChecked(true);
    m_stayOnTop = new QCheckBox(QStringLiteral("Stay On Top"), this);
    m_stayOnTop->setObjectName(QStringLiteral("chkStayOnTop"));
    m_stayOnTop->setChecked(true);
    m_maxLinesLabel = new QLabel(QStringLiteral("Max Lines (+/- 25)"), this);
    m_maxLinesLabel->setObjectName(QStringLiteral("lblMaxLines"));
    m_maxLines = new QSpinBox(this);
    m_maxLines->setObjectName(QStringLiteral("seMaxLines"));
    m_maxLines->setRange(0, 100000);
    m_maxLines->setValue(5000);
    m_maxLinesLabel->setBuddy(m_maxLines);
    m_omitNewData = new QCheckBox(QStringLiteral("Omit New Data"), this);
    m_omitNewData->setObjectName(QStringLiteral("chkOmitNewData"));

    m_save = new QPushButton(QStringLiteral("Save"), this);
    m_save->setObjectName(QStringLiteral("bbtnSave"));
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setObjectName(QStringLiteral("bbtnClear"));
    // Tab follows the rows, from the options above to the buttons below; the
    // list, made first, still has the focus when the window opens.
    QWidget* order[] = {m_follow, m_stayOnTop, m_maxLines, m_omitNewData, m_list, m_save, m_clear};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    m_list->setFocus();
    // Clear is the window's cancel button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_clear, &QPushButton::click);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < kPanelCount; ++i) {
        auto* panel = new QLabel(m_statusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(kPanelPadding);
        m_statusBar->addWidget(panel);
        m_panels += panel;
    }

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu"));
    QAction* copy = m_popup->addAction(QStringLiteral("Copy"));
    copy->setObjectName(QStringLiteral("miCopySelection"));
    QAction* concatenate = m_popup->addAction(QStringLiteral("Concatenate"));
    concatenate->setObjectName(QStringLiteral("miConcatenate"));
    QAction* show = m_popup->addAction(QStringLiteral("Show"));
    show->setObjectName(QStringLiteral("miShow"));

    m_lblCT = AddHiddenLabel("lblCT", QStringLiteral("CT"));
    m_lblTX = AddHiddenLabel("lblTX", QStringLiteral("TX"));
    m_lblRX = AddHiddenLabel("lblRX", QStringLiteral("RX"));
    m_lblTraceReset = AddHiddenLabel("lblTraceReset", QStringLiteral("Trace Reset: %s"));
    m_lblLinesUsed = AddHiddenLabel("lblLinesUsed", QStringLiteral("Lines Used: %d"));
    m_lblSaveFailed = AddHiddenLabel("lblSaveFailed", QStringLiteral("The trace could not be saved to \"%s\":"));

    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(kRefreshMs);

    const int widths[] = {40, 100, 60, 100, 100};
    for (int c = 0; c < TMonitorListModel::ColumnCount; ++c)
        m_list->setColumnWidth(c, widths[c]);

    connect(m_refresh, &QTimer::timeout, this, &TSerialMonitorForm::FlushPending);
    connect(m_follow, &QCheckBox::toggled, this, [this](bool on) {
        m_maxLines->setEnabled(on);
        m_maxLinesLabel->setEnabled(on);
    });
    connect(m_stayOnTop, &QCheckBox::toggled, this, &TSerialMonitorForm::SetStayOnTop);
    connect(m_save, &QPushButton::clicked, this, &TSerialMonitorForm::Save);
    connect(m_clear, &QPushButton::clicked, this, &TSerialMonitorForm::Clear);
    connect(copy, &QAction::triggered, this, &TSerialMonitorForm::CopySelection);
    connect(concatenate, &QAction::triggered, this, &TSerialMonitorForm::Concatenate);
    connect(show, &QAction::triggered, this, &TSerialMonitorForm::ShowSelection);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_popup->popup(m_list->viewport()->mapToGlobal(pos)); });
}

TEntryLabels TSerialMonitorForm::CurrentLabels() const
{
    return TEntryLabels{m_lblCT->text(), m_lblTX->text(), m_lblRX->text()};
}

void TSerialMonitorForm::AddTraffic(TrafficDirection direction, const QByteArray& bytes)
{
    if (m_busy || m_omitNewData->isChecked())
        return;
    m_builder.SetLabels(CurrentLabels());
    AddEntry(m_builder.FromTraffic(direction, bytes));
}

void TSerialMonitorForm::AddInfoLine(InfoKind kind, const QString& text, const QString& comment)
{
    if (m_busy || m_omitNewData->isChecked())
        return;
    m_builder.SetLabels(CurrentLabels());
    AddEntry(m_builder.FromInfo(kind, text, comment));
}

void TSerialMonitorForm::ShowMonitor()
{
    show();
    raise();
    activateWindow();
}

void TSerialMonitorForm::AddEntry(TTrafficEntry entry)
{
    if (!m_columnsFitted && (entry.kind == EntryKind::Sent || entry.kind == EntryKind::Received))
        m_fitPending = true;
    m_model->Append(std::move(entry));
    ApplyLineLimit();
    if (!m_refresh->isActive())
        m_refresh->start();
}

void TSerialMonitorForm::ApplyLineLimit()
{
    if (!m_maxLines->isEnabledTo(this))
        return;
    const int excess = EntriesToTrim(m_model->EntryCount(), m_maxLines->value());
    if (excess <= 0)
        return;
    m_model->RemoveFromTop(excess);
}

void TSerialMonitorForm::FlushPending()
{
    m_refresh->stop();
    m_model->Flush();
    ShowLinesUsed();
    if (m_follow->isChecked())
        m_list->scrollToBottom();
    if (m_fitPending && isVisible())
        FitColumnsToContent();
}

int TSerialMonitorForm::EntryCount() const { return m_model->EntryCount(); }

void TSerialMonitorForm::SetPanelText(int panel, const QString& text)
{
    QLabel* label = m_panels[panel];
    label->setText(text);
    label->setFixedWidth(label->fontMetrics().horizontalAdvance(text) + kPanelPadding);
}

void TSerialMonitorForm::ShowLinesUsed()
{
    SetPanelText(1, FillFormat(m_lblLinesUsed->text(), QString::number(m_model->EntryCount())));
}

void TSerialMonitorForm::ShowTraceReset()
{
    const QString now = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    SetPanelText(0, FillFormat(m_lblTraceReset->text(), now));
}

QList<int> TSerialMonitorForm::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows += index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString TSerialMonitorForm::SelectionText() const
{
    const QList<int> rows = SelectedRows();
    const TColumnCaptions captions = m_model->Captions();
    if (rows.size() == 1)
        return LineText(m_model->Entry(rows.front()), captions);
    const std::vector<TTrafficEntry> entries = m_model->Entries(rows);
    return LinesText(entries, captions);
}

void TSerialMonitorForm::Save()
{
    TBusyGuard busy(this, m_busy);
    FlushPending();
    TFileDialogRequest request;
    request.filter = DialogFilterToQt(QLatin1String(kSaveFilter));
    request.defaultSuffix = QLatin1String(kSaveExtension);
    QString fileName = ChooseSaveFile(this, request);
    if (!busy.FormAlive() || fileName.isEmpty())
        return;
    fileName = WithDefaultExtension(fileName, QLatin1String(kSaveExtension));

    const std::vector<TTrafficEntry> entries = m_model->AllEntries();
    QString error;
    if (!WriteFileAtomically(fileName, LinesText(entries, m_model->Captions()).toUtf8(), &error)) {
        // Saying nothing would let the technician believe the trace was kept.
        MessageDlg(FillFormat(m_lblSaveFailed->text(), QDir::toNativeSeparators(fileName)) + QLatin1Char('\r') + error,
                   mtError, mbOK);
    }
}

void TSerialMonitorForm::Clear()
{
    TBusyGuard busy(this, m_busy);
    ShowTraceReset();
    m_refresh->stop();
    m_model->Clear();
    ShowLinesUsed();
}

void TSerialMonitorForm::CopySelection()
{
    FlushPending();
    if (SelectedRows().isEmpty())
        return;
    QGuiApplication::clipboard()->setText(SelectionText());
}

void TSerialMonitorForm::Concatenate()
{
    FlushPending();
    const QList<int> rows = SelectedRows();
    if (rows.size() < 2)
        return;
    const std::vector<TTrafficEntry> selected = m_model->Entries(rows);
    m_list->setUpdatesEnabled(false);
    m_model->ReplaceEntry(rows.front(), ConcatenateEntries(selected));
    m_model->RemoveEntries(rows.mid(1));
    m_list->setUpdatesEnabled(true);
    ShowLinesUsed();
}

void TSerialMonitorForm::ShowSelection()
{
    FlushPending();
    if (SelectedRows().isEmpty())
        return;
    ShowMonitorText(this, SelectionText());
}

void TSerialMonitorForm::SetStayOnTop(bool on)
{
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing window flags hides a top-level window.
    if (visible)
        show();
}

void TSerialMonitorForm::Dispose()
{
    m_busy = true;
    hide();
    deleteLater();
}

void TSerialMonitorForm::closeEvent(QCloseEvent* event)
{
    m_busy = true;
    TrafficMonitorRegistry::Forget(this);
    event->accept();
}

void TSerialMonitorForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    LayoutControls();
    if (!m_shownOnce) {
        m_shownOnce = true;
        const int widths[] = {40, 100, 60, 100, 100};
        for (int c = 0; c < TMonitorListModel::ColumnCount; ++c)
            m_list->setColumnWidth(c, widths[c]);
    }
    if (m_fitPending)
        FitColumnsToContent();
}

void TSerialMonitorForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls();
}

void TSerialMonitorForm::LayoutControls()
{
    int x = kMargin;
    for (QWidget* w :
         {static_cast<QWidget*>(m_follow), static_cast<QWidget*>(m_stayOnTop), static_cast<QWidget*>(m_maxLinesLabel),
          static_cast<QWidget*>(m_maxLines), static_cast<QWidget*>(m_omitNewData)}) {
        const QSize hint = w->sizeHint();
        w->setGeometry(x, (kListTop - hint.height()) / 2, hint.width(), hint.height());
        x += hint.width() + (w == m_maxLinesLabel ? 4 : 16);
    }
    const int statusHeight = m_statusBar->sizeHint().height();
    m_statusBar->setGeometry(0, height() - statusHeight, width(), statusHeight);
    const QSize button = m_save->sizeHint().expandedTo(m_clear->sizeHint());
    const int buttonTop = height() - statusHeight - kStatusSpare - button.height();
    const int listWidth = std::max(0, width() - 2 * kMargin);
    m_list->setGeometry(kMargin, kListTop, listWidth, std::max(0, buttonTop - kButtonGap - kListTop));
    m_save->setGeometry(kMargin, buttonTop, button.width(), button.height());
    m_clear->setGeometry(kMargin + listWidth - button.width(), buttonTop, button.width(), button.height());
}

void TSerialMonitorForm::FitColumnsToContent()
{
    // Once, so that a column the user has set stays as set.
    m_fitPending = false;
    m_columnsFitted = true;
    for (int c = 0; c < TMonitorListModel::ColumnCount - 1; ++c)
        m_list->resizeColumnToContents(c);
}

void InstallSerialMonitorFactory()
{
    TrafficMonitorRegistry::SetFactory([]() -> ITrafficMonitor* { return new TSerialMonitorForm(); });
}
