#include "platform/ListView.h"

#include <utility>

#include <QHeaderView>
#include <QMouseEvent>
#include <QTimer>

namespace platform {

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_published;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return text(index.row(), index.column());
    if (role == Qt::CheckStateRole && m_checkBoxes && index.column() == 0)
        return m_checks[index.row()] ? Qt::Checked : Qt::Unchecked;
    return QVariant();
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0)
        return false;
    return setChecked(index.row(), value.toInt() == Qt::Checked);
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    return QVariant();
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_checkBoxes && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void ListModel::setCheckBoxes(bool on)
{
    if (on == m_checkBoxes)
        return;
    m_checkBoxes = on;
    if (m_published > 0 && columns() > 0)
        emit dataChanged(index(0, 0), index(m_published - 1, 0), {Qt::CheckStateRole});
}

int ListModel::insertColumn(int col, const QString& caption)
{
    publish();
    col = qBound(0, col, columns());
    beginInsertColumns(QModelIndex(), col, col);
    m_headers.insert(col, caption);
    for (QStringList& row : m_rows)
        if (col < row.size())
            row.insert(col, QString());
    endInsertColumns();
    return col;
}

void ListModel::setCaption(int col, const QString& caption)
{
    if (col < 0 || col >= columns())
        return;
    m_headers[col] = caption;
    emit headerDataChanged(Qt::Horizontal, col, col);
}

int ListModel::insertRow(int row, const QString& text)
{
    if (m_ownerText)
        return -1;
    // Room for every column at once: the cells are set right after.
    QStringList cells;
    cells.reserve(qMax(1, columns()));
    cells.append(text);
    if (row < 0 || row >= count()) {
        // Appending: the view learns of it in one batch.
        m_rows.append(std::move(cells));
        m_checks.append(0);
        schedulePublish();
        return count() - 1;
    }
    publish();
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(row, std::move(cells));
    m_checks.insert(row, 0);
    ++m_published;
    endInsertRows();
    return row;
}

bool ListModel::setText(int row, int col, const QString& text)
{
    if (row < 0 || row >= count() || col < 0 || col >= columns() || m_ownerText)
        return false;
    QStringList& cells = m_rows[row];
    while (cells.size() <= col)
        cells.append(QString());
    cells[col] = text;
    if (row < m_published) {
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
    return true;
}

QString ListModel::text(int row, int col) const
{
    if (row < 0 || row >= count())
        return QString();
    if (m_ownerText)
        return col >= 0 && col < columns() ? m_ownerText(row, col) : QString();
    return m_rows[row].value(col);
}

bool ListModel::removeRowAt(int row)
{
    if (row < 0 || row >= count())
        return false;
    publish();
    beginRemoveRows(QModelIndex(), row, row);
    if (m_ownerText)
        --m_ownerCount;
    else
        m_rows.removeAt(row);
    m_checks.removeAt(row);
    --m_published;
    endRemoveRows();
    return true;
}

void ListModel::clear()
{
    if (m_ownerText)
        setOwnerCount(0);
    else
        setAll({});
}

void ListModel::setOwnerData(std::function<QString(int, int)> text)
{
    beginResetModel();
    m_rows.clear();
    m_checks.clear();
    m_ownerCount = 0;
    m_published = 0;
    m_ownerText = std::move(text);
    endResetModel();
}

void ListModel::setOwnerCount(int count)
{
    beginResetModel();
    m_ownerCount = qMax(0, count);
    // A fresh list, not a cleared one: the old marks' memory goes back.
    m_checks = QList<char>(m_ownerCount, 0);
    m_published = m_ownerCount;
    endResetModel();
}

void ListModel::refresh(int first, int last)
{
    first = qMax(first, 0);
    last = qMin(last, m_published - 1);
    if (first <= last && columns() > 0)
        emit dataChanged(index(first, 0), index(last, columns() - 1), {Qt::DisplayRole});
}

void ListModel::setAll(QList<QStringList> rows)
{
    beginResetModel();
    QList<QStringList> previous = std::exchange(m_rows, std::move(rows));
    m_checks = QList<char>(m_rows.size(), 0);
    m_published = int(m_rows.size());
    endResetModel();
    // Freeing tens of thousands of old cells is left to the next idle
    // moment, so a search as you type shows its rows first.
    if (previous.size() > 1000)
        QTimer::singleShot(0, this, [previous = std::move(previous)] {});
}

bool ListModel::setChecked(int row, bool on)
{
    if (row < 0 || row >= count())
        return false;
    if (bool(m_checks[row]) == on)
        return true;
    m_checks[row] = on ? 1 : 0;
    if (row < m_published && m_checkBoxes && columns() > 0) {
        const QModelIndex i = index(row, 0);
        emit dataChanged(i, i, {Qt::CheckStateRole});
    }
    emit checkChanged(row, on);
    return true;
}

void ListModel::publish()
{
    if (m_published >= count())
        return;
    beginInsertRows(QModelIndex(), m_published, count() - 1);
    m_published = count();
    endInsertRows();
}

void ListModel::schedulePublish()
{
    if (m_publishQueued)
        return;
    m_publishQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_publishQueued = false;
        publish();
    });
}

ListView::ListView(QWidget* parent) : QTableView(parent), m_model(new ListModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (notificationsBlocked())
                    return;
                for (const QModelIndex& i : deselected.indexes())
                    if (i.column() == 0)
                        notifyState(i.row(), LVIS_SELECTED, 0);
                for (const QModelIndex& i : selected.indexes())
                    if (i.column() == 0)
                        notifyState(i.row(), 0, LVIS_SELECTED);
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (notificationsBlocked())
                    return;
                if (previous.isValid())
                    notifyState(previous.row(), LVIS_FOCUSED, 0);
                if (current.isValid())
                    notifyState(current.row(), 0, LVIS_FOCUSED);
            });
    connect(m_model, &ListModel::checkChanged, this, [this](int row, bool on) {
        if (!notificationsBlocked())
            notifyState(row, INDEXTOSTATEIMAGEMASK(on ? 1 : 2), INDEXTOSTATEIMAGEMASK(on ? 2 : 1));
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) {
        NMLISTVIEW nm;
        nm.code = NM_DBLCLK;
        nm.iItem = i.row();
        nm.iSubItem = i.column();
        emit listNotify(nm);
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) {
        NMLISTVIEW nm;
        nm.code = NM_CLICK;
        nm.iItem = i.row();
        nm.iSubItem = i.column();
        emit listNotify(nm);
    });
}

void ListView::setExtendedStyle(DWORD style)
{
    m_exStyle = style;
    m_model->setCheckBoxes(style & LVS_EX_CHECKBOXES);
    setShowGrid(style & LVS_EX_GRIDLINES);
    setMouseTracking(style & LVS_EX_TRACKSELECT);
}

void ListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) {
        const QModelIndex i = indexAt(event->position().toPoint());
        NMLISTVIEW nm;
        nm.code = NM_RCLICK;
        nm.iItem = i.isValid() ? i.row() : -1;
        nm.iSubItem = i.isValid() ? i.column() : 0;
        emit listNotify(nm);
    }
}

void ListView::notifyState(int row, UINT oldState, UINT newState)
{
    NMLISTVIEW nm;
    nm.code = LVN_ITEMCHANGED;
    nm.iItem = row;
    nm.uOldState = oldState;
    nm.uNewState = newState;
    nm.uChanged = LVIF_STATE;
    emit listNotify(nm);
}

} // namespace platform
