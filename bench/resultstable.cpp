#include "resultstable.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace zol::bench {

std::optional<double> median(QList<double> values)
{
    if (values.isEmpty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

std::optional<double> ratioOf(std::optional<double> value, std::optional<double> reference)
{
    if (!value || !reference || !(*reference > 0.0) || !std::isfinite(*value))
        return std::nullopt;
    return *value / *reference;
}

QString formatRatio(std::optional<double> ratio)
{
    if (!ratio)
        return QStringLiteral("-");
    return QString::number(*ratio, 'f', *ratio >= 100.0 ? 0 : 2);
}

namespace {

QString cell(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('|'), QStringLiteral("\\|"));
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

QString markdownTable(const QList<ResultRow> &rows)
{
    QString table =
        QStringLiteral("| Measurement | Value | Floor / reference | Ratio | Goal | Met |\n"
                       "|---|---|---|---|---|---|\n");
    for (const ResultRow &row : rows) {
        const QString met =
            row.met ? (*row.met ? QStringLiteral("yes") : QStringLiteral("no")) : QString();
        const QStringList cells = {cell(row.measurement),  cell(row.value), cell(row.reference),
                                   formatRatio(row.ratio), cell(row.goal),  cell(met)};
        table += QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
    }
    return table;
}

} // namespace zol::bench
