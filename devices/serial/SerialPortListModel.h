// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

// The serial ports a link can open, as a list model a window's combo box shows
// directly: each row's display text is its USB device's description, and the
// port name to open rides along as its Qt::UserRole data. Qt Core only, so the
// link that keeps it current needs no widget.
class SerialPortListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Entry
    {
        QString text;
        QString portName;
    };

    explicit SerialPortListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // A combo box's clear() empties the list through this.
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    const QList<Entry> &entries() const { return m_entries; }
    // The row whose text is exactly text (case-sensitive), or -1.
    int rowOf(const QString &text) const;
    void append(const QString &text, const QString &portName);
    void setPortName(int row, const QString &portName);

private:
    QList<Entry> m_entries;
};
