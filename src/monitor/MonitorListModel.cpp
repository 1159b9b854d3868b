#include "MonitorListModel.h"

#include <QColor>
#include <algorithm>

namespace {
QColor KindColour(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Sent:
        return QColor(0xFF, 0x00, 0x00);
    case EntryKind::Received:
        return QColor(0x00, 0x80, 0x00);
    default:
        return QColor(0x00, 0x00, 0xFF);
    }
}

const QString& ColumnText(const TTrafficEntry& e, int column)
{
    switch (column) {
    case TMonitorListModel::ColInfo:
        return e.info;
    case TMonitorListModel::ColTime:
        return e.time;
    case TMonitorListModel::ColCount:
        return e.count;
    case TMonitorListModel::ColHexComment:
        return e.hexComment;
    default:
        return e.ascii;
    }
}
} // namespace

TMonitorListModel::TMonitorListModel(QObject* parent) : QAbstractTableModel(parent)
{
    const TColumnCaptions c;
    m_captions = {c.info, c.time, c.count, c.hexComment, c.ascii};
}

int TMonitorListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TMonitorListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TMonitorListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const TTrafficEntry& e = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return ColumnText(e, index.column());
    case Qt::ForegroundRole:
        return KindColour(e.kind);
    case Qt::ToolTipRole:
        // Qt's tool tips break lines at LF only; the hint itself is CR separated.
        return HintText(e, Captions()).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    default:
        return {};
    }
}

QVariant TMonitorListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return m_captions[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool TMonitorListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return false;
    m_captions[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

TColumnCaptions TMonitorListModel::Captions() const
{
    return TColumnCaptions{m_captions[ColInfo], m_captions[ColTime], m_captions[ColCount], m_captions[ColHexComment],
                           m_captions[ColAscii]};
}

void TMonitorListModel::Append(TTrafficEntry entry) { m_pending.push_back(std::move(entry)); }

bool TMonitorListModel::Flush()
{
    if (!HasPending())
        return false;
    if (m_trimmed > 0) {
        beginRemoveRows({}, 0, m_trimmed - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + m_trimmed);
        m_trimmed = 0;
        endRemoveRows();
    }
    if (m_pending.empty())
        return true;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(m_pending.size()) - 1);
    std::move(m_pending.begin(), m_pending.end(), std::back_inserter(m_rows));
    m_pending.clear();
    endInsertRows();
    return true;
}

int TMonitorListModel::EntryCount() const { return Announced() + static_cast<int>(m_pending.size()); }

const TTrafficEntry& TMonitorListModel::Entry(int i) const
{
    return i < Announced() ? m_rows[static_cast<std::size_t>(i + m_trimmed)]
                           : m_pending[static_cast<std::size_t>(i - Announced())];
}

std::vector<TTrafficEntry> TMonitorListModel::Entries(const QList<int>& rows) const
{
    std::vector<TTrafficEntry> out;
    out.reserve(static_cast<std::size_t>(rows.size()));
    for (const int row : rows)
        out.push_back(Entry(row));
    return out;
}

std::vector<TTrafficEntry> TMonitorListModel::AllEntries() const
{
    std::vector<TTrafficEntry> out(m_rows.begin() + m_trimmed, m_rows.end());
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    return out;
}

void TMonitorListModel::RemoveFromTop(int n)
{
    n = std::clamp(n, 0, EntryCount());
    // Rows the views know leave with the next Flush(); held-back ones go now.
    const int shown = std::min(n, Announced());
    m_trimmed += shown;
    m_pending.erase(m_pending.begin(), m_pending.begin() + (n - shown));
}

void TMonitorListModel::RemoveEntries(QList<int> rows)
{
    Flush();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Bottom-up in contiguous runs: one signal pair per run, indices stay valid.
    for (qsizetype i = 0; i < rows.size();) {
        const int last = rows[i];
        int first = last;
        while (++i < rows.size() && rows[i] == first - 1)
            first = rows[i];
        if (first < 0 || last >= rowCount())
            continue;
        beginRemoveRows({}, first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
    }
}

void TMonitorListModel::ReplaceEntry(int row, TTrafficEntry entry)
{
    Flush();
    if (row < 0 || row >= rowCount())
        return;
    m_rows[static_cast<std::size_t>(row)] = std::move(entry);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void TMonitorListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    m_trimmed = 0;
    m_pending.clear();
    endResetModel();
}
