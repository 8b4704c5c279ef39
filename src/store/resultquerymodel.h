#pragma once
#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <functional>

#include "store/resultquery.h"


// Grid model over a ResultQuery: the chosen columns with settable header
// texts and per-column display formats. Follows the query (open, close,
// calculated values, current row); setCurrentRow moves the query.
class ResultQueryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using Formatter = std::function<QString(const QVariant &)>;

    ResultQueryModel(ResultQuery *query, const QStringList &columns, QObject *parent = nullptr);

    ResultQuery *query() const { return m_query; }
    QStringList columns() const { return m_columns; }
    void setHeaderTexts(const QStringList &texts);
    // Display text of one column (e.g. "##0.0" for "MITTELWERT"); default
    // DataTableModel::displayText.
    void setFormatter(const QString &column, Formatter formatter);
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

public slots:
    bool setCurrentRow(int row);

signals:
    void currentRowChanged(int row);

private:
    QPointer<ResultQuery> m_query;
    QStringList m_columns;
    QStringList m_headers;
    QHash<QString, Formatter> m_formatters; // lower-case column name
    Qt::Alignment m_alignment;
};
