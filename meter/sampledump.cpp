#include "sampledump.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <numeric>
#include <string_view>

namespace zol::meter {

namespace {

struct Group
{
    int species;
    // Code page 437 bytes: 0x82 é, 0x8A è, 0x84 ä, 0x81 ü, 0x88 ê, 0xA4 ñ,
    // 0x83 â, 0xA1 í, 0x94 ö, 0x87 ç.
    std::string_view name;
    int density; // kg/m3
    const char *startTime;
    std::array<int, 6> tenths; // moisture readings in tenths of a percent
    std::array<int, 6> temperatures;
};

constexpr std::array<Group, 4> kGroups = {{
    {7,
     "M\x82l\x8Aze / L\x84rche",
     590,
     "09:12",
     {142, 151, 138, 147, 160, 144},
     {18, 18, 17, 18, 19, 18}},
    {15,
     "R\x81ster / Orme champ\x88tre",
     680,
     "09:31",
     {117, 124, 121, 119, 130, 126},
     {18, 19, 19, 18, 19, 19}},
    {23,
     "Casta\xA4o / Ch\x83taignier",
     560,
     "10:04",
     {186, 179, 192, 201, 188, 183},
     {16, 16, 17, 16, 16, 17}},
    {31,
     "Pino mar\xA1timo / Pin maritime",
     530,
     "10:22",
     {97, 103, 99, 108, 101, 95},
     {20, 20, 21, 20, 21, 20}},
}};

constexpr int kPages = static_cast<int>(kGroups.size()) + 1;

__attribute__((format(printf, 2, 3))) void line(std::string &out, const char *format, ...)
{
    char text[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0)
        out.append(text, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
    out += "\r\n";
}

void heading(std::string &out, int page)
{
    line(out, "ZOL 5 moisture meter         S/N 00012345");
    line(out, "Report 14-03-2024 11:05      Page %d/%d", page, kPages);
    line(out, "Operator: K. Schr\x94"
              "der");
    line(out, "Site: Scierie Fran\x87ois, hall 2");
    out += "\r\n";
}

// Tenths as the meter prints them: "14.6".
void tenths(char (&text)[16], int value)
{
    std::snprintf(text, sizeof text, "%d.%d", value / 10, value % 10);
}

int average(const std::array<int, 6> &values)
{
    const int sum = std::accumulate(values.begin(), values.end(), 0);
    const int n = static_cast<int>(values.size());
    return (sum + n / 2) / n;
}

void groupPage(std::string &out, int number, const Group &group)
{
    heading(out, number);
    line(out, "Group %d   Species %02d  %.*s", number, group.species,
         static_cast<int>(group.name.size()), group.name.data());
    line(out, "Density %d kg/m3   Correction +0.4", group.density);
    out += "\r\n";
    line(out, "  No.  Date        Time   Moist.%%  Temp.C");
    int hour = 0;
    int minute = 0;
    std::sscanf(group.startTime, "%d:%d", &hour, &minute);
    for (std::size_t i = 0; i < group.tenths.size(); ++i) {
        char moisture[16];
        tenths(moisture, group.tenths[i]);
        const int at = hour * 60 + minute + static_cast<int>(i) * 2;
        line(out, "  %3zu  14-03-2024  %02d:%02d  %7s  %6d", i + 1, at / 60, at % 60, moisture,
             group.temperatures[i]);
    }
    char avg[16];
    char low[16];
    char high[16];
    tenths(avg, average(group.tenths));
    tenths(low, *std::min_element(group.tenths.begin(), group.tenths.end()));
    tenths(high, *std::max_element(group.tenths.begin(), group.tenths.end()));
    out += "\r\n";
    line(out, "Readings: %zu", group.tenths.size());
    line(out, "Average:  %s %%", avg);
    line(out, "Min: %s %%   Max: %s %%", low, high);
    out += '\f';
}

void summaryPage(std::string &out)
{
    heading(out, kPages);
    line(out, "Summary");
    out += "\r\n";
    line(out, "Grp  Species                       n  Avg.%%  Min.%%  Max.%%");
    std::size_t total = 0;
    for (std::size_t i = 0; i < kGroups.size(); ++i) {
        const Group &group = kGroups[i];
        char avg[16];
        char low[16];
        char high[16];
        tenths(avg, average(group.tenths));
        tenths(low, *std::min_element(group.tenths.begin(), group.tenths.end()));
        tenths(high, *std::max_element(group.tenths.begin(), group.tenths.end()));
        line(out, "%3zu  %-28.*s %2zu  %5s  %5s  %5s", i + 1, static_cast<int>(group.name.size()),
             group.name.data(), group.tenths.size(), avg, low, high);
        total += group.tenths.size();
    }
    out += "\r\n";
    line(out, "Total readings: %zu", total);
    out += '\f';
}

} // namespace

std::string sampleDump()
{
    std::string out;
    for (std::size_t i = 0; i < kGroups.size(); ++i)
        groupPage(out, static_cast<int>(i) + 1, kGroups[i]);
    summaryPage(out);
    return out;
}

} // namespace zol::meter
