#pragma once

// The list control in report view: a table view over a model of texts.
// Rows appended one by one are published to the view in one batch when the
// event loop next runs (or when anything needs the view), so filling a
// hundred thousand rows does not pay for a hundred thousand view updates.
#include <functional>

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include "platform/WindowTypes.h"

namespace platform {

class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setCheckBoxes(bool on);
    bool checkBoxes() const { return m_checkBoxes; }

    int insertColumn(int col, const QString& caption);
    int columns() const { return int(m_headers.size()); }
    QString caption(int col) const { return m_headers.value(col); }
    void setCaption(int col, const QString& caption);

    // Every row, published or not.
    int count() const { return m_ownerText ? m_ownerCount : int(m_rows.size()); }
    int insertRow(int row, const QString& text);
    bool setText(int row, int col, const QString& text);
    QString text(int row, int col) const;
    bool removeRowAt(int row);
    void clear();
    void setAll(QList<QStringList> rows);
    bool checked(int row) const { return row >= 0 && row < count() && m_checks[row]; }
    bool setChecked(int row, bool on);

    // Makes every appended row known to the view.
    void publish();

    // Owner data: the list keeps no texts, only the number of rows and their
    // check marks; `text` gives a cell's text when the view draws it.
    void setOwnerData(std::function<QString(int row, int col)> text);
    bool ownerData() const { return bool(m_ownerText); }
    // The owner's rows changed: every row is new and unchecked.
    void setOwnerCount(int count);
    // The owner's texts of these rows changed.
    void refresh(int first, int last);

signals:
    void checkChanged(int row, bool checked);

private:
    void schedulePublish();

    QStringList m_headers;
    QList<QStringList> m_rows;
    std::function<QString(int, int)> m_ownerText;
    int m_ownerCount = 0;
    QList<char> m_checks;
    int m_published = 0;
    bool m_publishQueued = false;
    bool m_checkBoxes = false;
};

class ListView : public QTableView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent);
    ListModel* listModel() const { return m_model; }

    DWORD extendedStyle() const { return m_exStyle; }
    void setExtendedStyle(DWORD style);
    // Notifications are held back while the control changes itself wholesale.
    bool notificationsBlocked() const { return m_blockNotify > 0; }
    struct NotifyBlocker {
        explicit NotifyBlocker(ListView* v) : view(v) { ++view->m_blockNotify; }
        ~NotifyBlocker() { --view->m_blockNotify; }
        ListView* view;
    };

signals:
    void listNotify(const NMLISTVIEW& nm);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void notifyState(int row, UINT oldState, UINT newState);

    ListModel* m_model;
    DWORD m_exStyle = 0;
    int m_blockNotify = 0;
};

} // namespace platform
