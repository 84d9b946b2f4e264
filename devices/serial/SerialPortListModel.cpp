// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialPortListModel.h"

SerialPortListModel::SerialPortListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int SerialPortListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

QVariant SerialPortListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const Entry &entry = m_entries.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return entry.text;
    if (role == Qt::UserRole)
        return entry.portName;
    return QVariant();
}

bool SerialPortListModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_entries.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_entries.erase(m_entries.begin() + row, m_entries.begin() + row + count);
    endRemoveRows();
    return true;
}

int SerialPortListModel::rowOf(const QString &text) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).text == text)
            return i;
    }
    return -1;
}

void SerialPortListModel::append(const QString &text, const QString &portName)
{
    const int row = m_entries.size();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append({text, portName});
    endInsertRows();
}

void SerialPortListModel::setPortName(int row, const QString &portName)
{
    if (row < 0 || row >= m_entries.size() || m_entries.at(row).portName == portName)
        return;
    m_entries[row].portName = portName;
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {Qt::UserRole});
}
