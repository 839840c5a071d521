#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace zol::bench {

struct ResultRow
{
    QString measurement;
    QString value;
    QString reference;
    std::optional<double> ratio;
    QString goal;
    // Nothing when the row has no goal, or could not be measured.
    std::optional<bool> met;
};

// The middle value, or the mean of the two middle ones; nothing for no values.
std::optional<double> median(QList<double> values);

// The median of a series of rounds with its lowest and highest value, so that
// a table shows how far one run's rounds spread.
struct Spread
{
    std::optional<double> median;
    std::optional<double> low;
    std::optional<double> high;
    qsizetype count = 0;
};
Spread spreadOf(const QList<double> &values);

// value / reference, when both are there and the reference is above zero.
std::optional<double> ratioOf(std::optional<double> value, std::optional<double> reference);

QString formatRatio(std::optional<double> ratio);

// A markdown table; a "|" inside a cell is escaped, so no cell can split a row.
QString markdownTable(const QList<ResultRow> &rows);

} // namespace zol::bench
