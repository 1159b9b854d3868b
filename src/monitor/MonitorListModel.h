#pragma once

#include "TrafficEntry.h"

#include <QAbstractTableModel>
#include <QList>
#include <deque>
#include <vector>

// The monitor's list: a flat table of traffic entries with cheap appends and
// trims from the top. Appends and trims are held back and announced to the
// views in one batch by Flush(), so a burst of traffic costs one view update
// however often the event loop runs; EntryCount() and Entry() always give the
// current entries, held-back changes included.
class TMonitorListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColInfo, ColTime, ColCount, ColHexComment, ColAscii, ColumnCount };

    explicit TMonitorListModel(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;

    [[nodiscard]] TColumnCaptions Captions() const;

    void Append(TTrafficEntry entry);
    // Announces held-back appends to the views; false when there were none.
    bool Flush();
    [[nodiscard]] bool HasPending() const { return m_trimmed > 0 || !m_pending.empty(); }

    [[nodiscard]] int EntryCount() const;
    [[nodiscard]] const TTrafficEntry& Entry(int i) const;
    [[nodiscard]] std::vector<TTrafficEntry> Entries(const QList<int>& rows) const;
    [[nodiscard]] std::vector<TTrafficEntry> AllEntries() const;

    void RemoveFromTop(int n);
    // Removes the given rows (any order); flushes first.
    void RemoveEntries(QList<int> rows);
    void ReplaceEntry(int row, TTrafficEntry entry);
    void Clear();

private:
    [[nodiscard]] int Announced() const { return static_cast<int>(m_rows.size()) - m_trimmed; }

    std::deque<TTrafficEntry> m_rows;    // known to the views
    int m_trimmed = 0;                   // rows at the top of m_rows already removed, not yet announced
    std::deque<TTrafficEntry> m_pending; // appended, not yet announced
    QStringList m_captions;
};
