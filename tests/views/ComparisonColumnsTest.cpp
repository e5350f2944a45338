#include "views/ComparisonColumns.h"

#include <gtest/gtest.h>

namespace kelvor {
namespace {

const ComparisonColumn& columnNamed(const char* header) {
  for (const ComparisonColumn& column : comparisonColumns()) {
    if (std::string(column.header) == header) {
      return column;
    }
  }
  ADD_FAILURE() << "no column " << header;
  return comparisonColumns().front();
}

EntryComparison entryWith(ComparedFigure figure, double baseline, double file,
                          EntryPresence presence = EntryPresence::Both) {
  EntryComparison e;
  e.presence = presence;
  e.figures[static_cast<std::size_t>(figure)] = {baseline, file};
  return e;
}

TEST(ComparisonColumnsTest, CellTexts) {
  struct Case {
    const char* column;
    EntryComparison entry;
    const char* text;
  };
  const std::vector<Case> cases{
      {"\xCE\x94 % RunTime", entryWith(ComparedFigure::Share, 2.5, 3.75), "+1.2500"},
      {"Base % RunTime", entryWith(ComparedFigure::Share, 2.5, 3.75), "2.5000"},
      {"\xCE\x94 # Calls", entryWith(ComparedFigure::Calls, 40, 31), "-9"},
      {"\xCE\x94 Max w/o Int", entryWith(ComparedFigure::Max, 2e-4, 2.5e-4), "+50 \xC2\xB5s"},
      {"\xCE\x94 P99 w/o Int", entryWith(ComparedFigure::P99, 3e-3, 1e-3), "-2 ms"},
      {"\xCE\x94 Mean w/o Int", entryWith(ComparedFigure::Mean, 1e-7, 1.5e-7), "+50 ns"},
      {"Base Max w/o Int", entryWith(ComparedFigure::Max, 1.5, 1.0), "1.5 s"},
      {"\xCE\x94 Max w/o Int", entryWith(ComparedFigure::Max, 2e-4, 2e-4), "0 s"},
      {"Max Ratio", entryWith(ComparedFigure::Max, 2e-4, 3e-4), "1.500"},
      {"Max Ratio", entryWith(ComparedFigure::Max, 0.0, 3e-4), "-"},
      {"Max Ratio", entryWith(ComparedFigure::Max, 0.0, 3e-4, EntryPresence::OnlyFile), "new"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(comparisonCellText(columnNamed(c.column), &c.entry), c.text) << c.column;
  }
  EXPECT_EQ(comparisonCellText(comparisonColumns().front(), nullptr), "");
}

}  // namespace
}  // namespace kelvor
