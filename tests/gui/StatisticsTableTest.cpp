#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QImage>
#include <QSortFilterProxyModel>

#include "GuiTestSupport.h"
#include "app/CKelvorDoc.h"
#include "views/CKelvorView.h"
#include "views/StatisticsTableModel.h"

namespace kelvor::test {
namespace {

using gui::ArrowIcons;
using gui::StatisticsTableModel;

class StatisticsTableTest : public ::testing::Test, public SessionFixture {
 protected:
  StatisticsEngine& engine() { return *session.engine; }

  StatisticsRowSource source(bool live = false) {
    StatisticsRowSource s = statisticsRowSource(session);
    s.live = live;
    return s;
  }

  QString cell(int row, int column) { return model.data(model.index(row, column)).toString(); }

  // The colour in the middle of the row's icon, or an invalid colour without one.
  QColor iconColour(int row) {
    const QVariant icon = model.data(model.index(row, 0), Qt::DecorationRole);
    if (!icon.isValid()) {
      return {};
    }
    return icon.value<QIcon>().pixmap(16, 16).toImage().pixelColor(8, 8);
  }

  StatisticsTableModel model;
  QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(StatisticsTableTest, EmptyEngineShowsTheHeadersOfTheFullSet) {
  model.refreshRows(source());
  EXPECT_EQ(model.rowCount(), 0);
  ASSERT_EQ(model.columnCount(), 20);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "PID");
  EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "% RT");
  EXPECT_EQ(model.headerData(19, Qt::Horizontal).toString(), "ReceMes");
  model.rebuildColumns(true);
  EXPECT_EQ(model.columnCount(), 16);
  EXPECT_EQ(model.headerData(15, Qt::Horizontal).toString(), "Mid Sp.");
}

TEST_F(StatisticsTableTest, IdTextAndIconFollowThePriority) {
  struct Case {
    std::uint32_t id;
    std::uint32_t priority;  // stored in the process table; 0 stores nothing
    const char* idText;
    int icon;
  };
  const Case cases[] = {
      {0x10000, 0, "0x00", IconInterrupt},
      {0x20003, 0, "0x10003", IconInterrupt},          // a user mark shows its offset from 0x10000
      {0x0103, 0x0200, "0x0103", IconPriorityLow},     // block 1 below 0x03FF: magenta
      {0x0503, 0x0200, "0x0503", IconPriorityLowest},  // other blocks below 0x03FF: purple
      {0x0604, UnknownPriority, "0x0604", IconPriorityUnknown},  // no block entry either
      {0x0705, 0x32FF, "0x0705", IconPriorityLow},
      {0x0706, 0x3300, "0x0706", IconPriorityMedium},
      {0x0707, 0x6500, "0x0707", IconPriorityRaised},
      {0x0708, 0x9700, "0x0708", IconPriorityHigh},
      {0x0709, 0xC900, "0x0709", IconPriorityTop},
      {0x070A, 0x10000, "0x070A", NoIcon},
  };
  for (const Case& c : cases) {
    if (c.priority != 0) {
      session.processTable.store("entry", c.id, c.priority, OriginIdList);
    }
    engine().statsFor(c.id);
  }
  model.refreshRows(source());
  ASSERT_EQ(model.rowCount(), static_cast<int>(std::size(cases)));
  for (int row = 0; row < model.rowCount(); ++row) {
    // Rows come in ascending entry id.
    const auto& row_data = model.rows()[static_cast<std::size_t>(row)];
    const Case& c = *std::find_if(std::begin(cases), std::end(cases),
                                  [&](const Case& k) { return k.id == row_data.id; });
    SCOPED_TRACE(c.idText);
    EXPECT_EQ(cell(row, 0), c.idText);
    EXPECT_EQ(row_data.icon, c.icon);
    if (c.icon == NoIcon) {
      EXPECT_FALSE(iconColour(row).isValid());
    } else {
      EXPECT_EQ(iconColour(row), ArrowIcons::arrowColour(c.icon));
    }
  }
}

TEST_F(StatisticsTableTest, BlockPriorityStandsInForAnUnknownOne) {
  session.processTable.store("block", 0x05FF, 0x9800, OriginIdList);
  session.processTable.store("task", 0x0510, UnknownPriority, OriginIdList);
  engine().statsFor(0x0510);
  model.refreshRows(source());
  EXPECT_EQ(model.rows()[0].icon, IconPriorityHigh);
  EXPECT_EQ(cell(0, 1), "task");
}

TEST_F(StatisticsTableTest, FiguresOfARowAndTheShareOfTheWindow) {
  // Process 0x200 runs 0.5 s of a 2 s trace.
  engine().append(TraceEvent(0.0, 0x200, EventKind::START_PROC, 0, 0, 0.0, 0));
  engine().append(TraceEvent(0.5, 0x200, EventKind::END_PROC, 0, 0, 0.0, 0));
  engine().append(TraceEvent(0.5, 0x201, EventKind::START_PROC, 0, 0, 0.0, 0));
  engine().append(TraceEvent(2.0, 0x201, EventKind::END_PROC, 0, 0, 0.0, 0));
  engine().statsFor(0x300);  // never charged: the initial minima
  engine().analyse(TimeWindow::wholeTrace());
  model.refreshRows(source());
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(cell(0, 1), "unknown ID");
  EXPECT_EQ(cell(0, 2), "25.000000");
  EXPECT_EQ(cell(0, 3), "1");
  EXPECT_EQ(cell(0, 5), "0.500000");
  EXPECT_EQ(cell(2, 6), "999999.000000");
  EXPECT_EQ(cell(2, 12), "999999");
  EXPECT_EQ(model.data(model.index(0, 3), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
            Qt::AlignRight);
  EXPECT_EQ(model.data(model.index(0, 2), Qt::TextAlignmentRole).toInt() & Qt::AlignLeft,
            Qt::AlignLeft);
}

TEST_F(StatisticsTableTest, NamesOfARunFileStandInForMissingIdFiles) {
  session.processTable.store("FromTable", 0x0200, 0x0100, OriginIdList);
  engine().statsFor(0x0200);
  engine().statsFor(0x10007);
  RunNameRecord process;
  process.id = 0x0200;
  std::snprintf(process.name.data(), process.name.size(), "FromRun");
  process.priority = 0x9800;
  RunNameRecord interrupt;
  interrupt.id = 7;
  std::snprintf(interrupt.name.data(), interrupt.name.size(), "Timer");
  session.runNameTable = {process, interrupt};
  session.runFileLoaded = 1;

  model.refreshRows(source());  // no ID file configured
  EXPECT_EQ(cell(0, 1), "FromRun ");
  EXPECT_EQ(model.rows()[0].icon, IconPriorityHigh);
  EXPECT_EQ(cell(1, 1), "Timer ");

  session.settings.Set("pid", "ids.txt");
  model.refreshRows(source());
  EXPECT_EQ(cell(0, 1), "FromTable");
  EXPECT_EQ(model.rows()[0].icon, IconPriorityLow);  // block 2 below 0x03FF
  EXPECT_EQ(cell(1, 1), "Timer ");

  // While recording the names come from the process table only.
  session.settings.Set("pid", "");
  model.refreshRows(source(true));
  EXPECT_EQ(cell(0, 1), "FromTable");
}

TEST_F(StatisticsTableTest, SortRoleOrdersColumnsByValue) {
  // Counts and times whose texts sort differently from their values ("10" before "9",
  // "10.000000" before "2.000000"), an interrupt id above the process ids, and names by text.
  struct Entry {
    std::uint32_t id;
    const char* name;
    std::uint32_t calls;
    double total;
  };
  const Entry entries[] = {
      {0x0200, "beta", 10, 2.0},
      {0x0300, "alpha", 9, 10.0},
      {InterruptIdBase + 1, "gamma", 100, 0.0005},  // "0x01": first by text
  };
  for (const Entry& e : entries) {
    session.processTable.store(e.name, e.id, 0x0100, OriginIdList);
    ProcessStats& record = engine().statsFor(e.id);
    record.calls = e.calls;
    record.totalWithInt = e.total;
  }
  model.refreshRows(source());
  QSortFilterProxyModel proxy;
  proxy.setSourceModel(&model);
  proxy.setSortRole(StatisticsTableModel::SortRole);
  const auto sortedNames = [&](StatisticsColumnId column, Qt::SortOrder order) {
    proxy.sort(static_cast<int>(column), order);
    QStringList names;
    for (int row = 0; row < proxy.rowCount(); ++row) {
      names << proxy.index(row, static_cast<int>(StatisticsColumnId::Name)).data().toString();
    }
    return names.join(' ');
  };
  EXPECT_EQ(sortedNames(StatisticsColumnId::Calls, Qt::AscendingOrder), "alpha beta gamma");
  EXPECT_EQ(sortedNames(StatisticsColumnId::Calls, Qt::DescendingOrder), "gamma beta alpha");
  EXPECT_EQ(sortedNames(StatisticsColumnId::TotalWithInt, Qt::AscendingOrder), "gamma beta alpha");
  EXPECT_EQ(sortedNames(StatisticsColumnId::EntryId, Qt::AscendingOrder), "beta alpha gamma");
  EXPECT_EQ(sortedNames(StatisticsColumnId::Name, Qt::AscendingOrder), "alpha beta gamma");
  // The display texts alone would order them otherwise.
  proxy.setSortRole(Qt::DisplayRole);
  EXPECT_EQ(sortedNames(StatisticsColumnId::Calls, Qt::AscendingOrder), "beta gamma alpha");
}

TEST_F(StatisticsTableTest, ViewTakesTheColumnSetOfTheAcquisitionState) {
  ScriptedFileDialogs dialogs;
  gui::CKelvorDoc document(session, prompter, dialogs);
  session.acquisitionState = AcquisitionState::Recording;
  gui::CKelvorView view(document);
  EXPECT_EQ(view.model()->columnCount(), 16);
  session.acquisitionState = AcquisitionState::Loaded;
  engine().statsFor(0x0200);
  emit document.viewsRebuild();
  document.updateAllViews(gui::UpdateHint::StatisticsChanged);
  EXPECT_EQ(view.model()->columnCount(), 20);
  EXPECT_EQ(view.model()->rowCount(), 1);
  emit document.viewsDetach();
  EXPECT_EQ(view.model()->rowCount(), 0);
}

}  // namespace
}  // namespace kelvor::test
