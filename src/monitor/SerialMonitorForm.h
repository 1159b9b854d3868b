#pragma once

#include "TrafficEntry.h"
#include "TrafficMonitor.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTimer;
class QTreeView;
class TMonitorListModel;

// The serial traffic monitor window ("Serial Monitor"). The device link adds
// entries through ITrafficMonitor; the technician trims, saves, copies,
// merges and views them. Closing the window destroys it. The save question
// and the error box go through the translated dialogs (their presenters).
class TSerialMonitorForm : public QWidget, public ITrafficMonitor {
    Q_OBJECT
public:
    explicit TSerialMonitorForm(QWidget* parent = nullptr);
    ~TSerialMonitorForm() override;

    void AddTraffic(TrafficDirection direction, const QByteArray& bytes) override;
    void AddInfoLine(InfoKind kind, const QString& text, const QString& comment) override;
    void ShowMonitor() override;
    void Dispose() override;

    [[nodiscard]] TTrafficEntryBuilder& Builder() { return m_builder; }

    [[nodiscard]] TMonitorListModel* ListModel() const { return m_model; }
    [[nodiscard]] int EntryCount() const;
    [[nodiscard]] bool IsBusy() const { return m_busy; }
    [[nodiscard]] QList<int> SelectedRows() const;
    // Hands held-back entries to the list now (normally a short timer does).
    void FlushPending();

    // The window's commands; the buttons and the popup menu call them.
    void Save();
    void Clear();
    void CopySelection();
    void Concatenate();
    void ShowSelection();

    static constexpr const char* kSaveFilter = "Text files (*.txt)|*.TXT";
    static constexpr const char* kSaveExtension = "txt";

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    QLabel* AddHiddenLabel(const char* name, const QString& text);
    void AddEntry(TTrafficEntry entry);
    void ApplyLineLimit();
    void ShowLinesUsed();
    void ShowTraceReset();
    void SetPanelText(int panel, const QString& text);
    void SetStayOnTop(bool on);
    void LayoutControls();
    void FitColumnsToContent();
    [[nodiscard]] QString SelectionText() const;
    [[nodiscard]] TEntryLabels CurrentLabels() const;

    TMonitorListModel* m_model = nullptr;
    QTreeView* m_list = nullptr;
    QCheckBox* m_follow = nullptr;
    QCheckBox* m_stayOnTop = nullptr;
    QLabel* m_maxLinesLabel = nullptr;
    QSpinBox* m_maxLines = nullptr;
    QCheckBox* m_omitNewData = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_clear = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QLabel*> m_panels;
    QMenu* m_popup = nullptr;
    QLabel* m_lblCT = nullptr;
    QLabel* m_lblTX = nullptr;
    QLabel* m_lblRX = nullptr;
    QLabel* m_lblTraceReset = nullptr;
    QLabel* m_lblLinesUsed = nullptr;
    QLabel* m_lblSaveFailed = nullptr;
    QTimer* m_refresh = nullptr;
    TTrafficEntryBuilder m_builder;
    bool m_busy = false;
    bool m_shownOnce = false;
    bool m_fitPending = false;
    bool m_columnsFitted = false;
};

// Makes the program's monitor a TSerialMonitorForm (called once at start).
void InstallSerialMonitorFactory();
