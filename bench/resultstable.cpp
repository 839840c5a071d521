#include "resultstable.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

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

Spread spreadOf(const QList<double> &values)
{
    Spread spread;
    spread.count = values.size();
    if (values.isEmpty())
        return spread;
    spread.median = median(values);
    const auto [low, high] = std::minmax_element(values.cbegin(), values.cend());
    spread.low = *low;
    spread.high = *high;
    return spread;
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
        return u"-"_s;
    return QString::number(*ratio, 'f', *ratio >= 100.0 ? 0 : 2);
}

namespace {

QString cell(QString text)
{
    text.replace(u'\n', u' ');
    text.replace(u'|', u"\\|"_s);
    return text.isEmpty() ? u"-"_s : text;
}

} // namespace

QString markdownTable(const QList<ResultRow> &rows)
{
    QString table = u"| Measurement | Value | Floor / reference | Ratio | Goal | Met |\n"
                    u"|---|---|---|---|---|---|\n"_s;
    for (const ResultRow &row : rows) {
        const QString met = row.met ? (*row.met ? u"yes"_s : u"no"_s) : QString();
        const QStringList cells = {cell(row.measurement),  cell(row.value), cell(row.reference),
                                   formatRatio(row.ratio), cell(row.goal),  cell(met)};
        table += u"| "_s + cells.join(u" | "_s) + u" |\n"_s;
    }
    return table;
}

} // namespace zol::bench
