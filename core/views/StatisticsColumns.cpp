#include "views/StatisticsColumns.h"

#include <charconv>

#include "common/TextFormat.h"
#include "common/TextNumbers.h"
#include "model/EntryNaming.h"

namespace kelvor {

namespace {

template <auto Field>
double fieldValue(const ProcessStats& stats, double /*windowSpan*/) {
  return static_cast<double>(stats.*Field);
}

double noValue(const ProcessStats& /*stats*/, double /*windowSpan*/) {
  return 0.0;
}

using Id = StatisticsColumnId;
using Kind = StatisticsValueKind;
using S = ProcessStats;

constexpr StatisticsColumn kColumns[FullStatisticsColumns] = {
    {Id::EntryId, Kind::EntryId, "PID", false, 60, "PID", 5, "PID", &fieldValue<&S::id>},
    {Id::Name, Kind::EntryName, "Text", false, 150, "Function", 28, "Text", &noValue},
    {Id::RunTimeShare, Kind::Percent, "% RT", false, 90, "% RT", 5, "% RuntTime", &runTimePercent},
    {Id::Calls, Kind::Count, "# Calls", true, 60, "#Cnt", 5, "# Calls", &fieldValue<&S::calls>},
    {Id::TotalWithInt, Kind::Duration, "Total w Int", true, 90, "Tot w Int", 10, "Total w Int",
     &fieldValue<&S::totalWithInt>},
    {Id::TotalWithoutInt, Kind::Duration, "Total w/o. Int", true, 90, "Tot w/o. Int", 10,
     "Total w/o. Int", &fieldValue<&S::totalWithoutInt>},
    {Id::MinWithInt, Kind::Duration, "Minimal w Int.", true, 90, "Min w Int.", 10, "Minimal w Int.",
     &fieldValue<&S::minWithInt>},
    {Id::MinWithoutInt, Kind::Duration, "Minimal w/o Int", true, 90, "Min w/o Int", 10,
     "Minimal w/o Int", &fieldValue<&S::minWithoutInt>},
    {Id::MaxWithInt, Kind::Duration, "Maximal w Int.", true, 90, "Max w Int.", 10, "Maximal w Int.",
     &fieldValue<&S::maxWithInt>},
    {Id::MaxWithoutInt, Kind::Duration, "Maximal w/o Int", true, 90, "Max w/o Int", 10,
     "Maximal w/o Int", &fieldValue<&S::maxWithoutInt>},
    {Id::TotalNested, Kind::Count, "# Int.", true, 60, "# Int.", 5, "# Int.",
     &fieldValue<&S::totalNested>},
    {Id::MaxNested, Kind::Count, "max Int.", true, 60, "maxInt.", 5, "max # Int.",
     &fieldValue<&S::maxNested>},
    {Id::MinNested, Kind::Count, "min Int", true, 60, "mixInt", 5, "min # Int",
     &fieldValue<&S::minNested>},
    {Id::MinClock, Kind::ClockRate, "Min Sp.", true, 60, "MinF Sp.", 4, "Min CPU-Speed",
     &fieldValue<&S::minClock>},
    {Id::MaxClock, Kind::ClockRate, "Max Sp.", true, 60, "MaxF Sp.", 4, "Max CPU-Speed",
     &fieldValue<&S::maxClock>},
    {Id::MeanClock, Kind::ClockRate, "Mid Sp.", true, 90, "MidF Sp.", 4, "Mid CPU-Speed",
     &fieldValue<&S::meanClock>},
    {Id::ActTim, Kind::Count, "Act Tim", true, 60, "ActTim", 4, nullptr, &fieldValue<&S::actTim>},
    {Id::GotTim, Kind::Count, "Got Tim", true, 60, "GotTim", 4, nullptr, &fieldValue<&S::gotTim>},
    {Id::SendMes, Kind::Count, "SendMes", true, 60, "SendMes", 4, nullptr,
     &fieldValue<&S::sendMes>},
    {Id::ReceMes, Kind::Count, "ReceMes", true, 60, "ReceMes", 4, nullptr,
     &fieldValue<&S::receMes>},
};

constexpr bool columnsInIdOrder() {
  for (int i = 0; i < FullStatisticsColumns; ++i) {
    if (static_cast<int>(kColumns[i].id) != i) {
      return false;
    }
  }
  for (int i = 0; i < FullStatisticsColumns; ++i) {
    if ((kColumns[i].fileHeader != nullptr) != (i < FileStatisticsColumns)) {
      return false;
    }
  }
  return true;
}
static_assert(columnsInIdOrder(), "a column's position is its id; the file holds the first ones");

std::uint32_t countOf(const StatisticsColumn& column, const StatisticsEntry& entry) {
  return static_cast<std::uint32_t>(column.value(entry.stats, entry.windowSpan));
}

}  // namespace

std::span<const StatisticsColumn, FullStatisticsColumns> statisticsColumns() {
  return std::span<const StatisticsColumn, FullStatisticsColumns>(kColumns);
}

const StatisticsColumn& statisticsColumn(int column) {
  return kColumns[column];
}

const StatisticsColumn& statisticsColumn(StatisticsColumnId id) {
  return kColumns[static_cast<int>(id)];
}

double tableCellText(const StatisticsColumn& column, const StatisticsEntry& entry,
                     std::string& out) {
  const double value = column.value(entry.stats, entry.windowSpan);
  switch (column.kind) {
    case Kind::EntryId:
      out = entryIdText(entry.stats.id, IdTextStyle::View);
      break;
    case Kind::EntryName:
      out.assign(entry.name);
      break;
    case Kind::Count: {
      char buffer[16];
      const auto result =
          std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint32_t>(value));
      out.assign(buffer, result.ptr);
      break;
    }
    case Kind::Percent:
    case Kind::Duration:
    case Kind::ClockRate:
      out.clear();
      appendFixed6(out, value);
      break;
  }
  return value;
}

void appendPrintedCell(std::string& out, const StatisticsColumn& column,
                       const StatisticsEntry& entry) {
  const double value = column.value(entry.stats, entry.windowSpan);
  switch (column.kind) {
    case Kind::EntryId:
      appendFormat(out, "%6s ", entryIdText(entry.stats.id, IdTextStyle::View).c_str());
      return;
    case Kind::EntryName:
      // A name is cut at an embedded zero, as C text.
      appendFormat(out, "%-28s ", std::string(entry.name).c_str());
      return;
    case Kind::Percent:
      appendFormat(out, "%5.2f ", value);
      return;
    case Kind::Count:
      appendFormat(out, "%5u ", static_cast<unsigned>(countOf(column, entry)));
      return;
    case Kind::Duration:
      out += FormatDuration(value);
      return;
    case Kind::ClockRate:
      appendFormat(out, "%4.1f ", value);
      return;
  }
}

void appendFileField(std::string& out, const StatisticsColumn& column,
                     const StatisticsEntry& entry) {
  switch (column.kind) {
    case Kind::EntryId:
      out += entryIdText(entry.stats.id, IdTextStyle::File);
      return;
    case Kind::EntryName:
      out += entry.name;
      return;
    case Kind::Percent:
      appendFormat(out, "%f", column.value(entry.stats, entry.windowSpan));
      return;
    case Kind::Count:
      out += std::to_string(countOf(column, entry));
      return;
    case Kind::Duration:
    case Kind::ClockRate:
      appendGeneral(out, column.value(entry.stats, entry.windowSpan));
      return;
  }
}

}  // namespace kelvor
