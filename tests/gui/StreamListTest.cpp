#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSortFilterProxyModel>

#include "GuiTestSupport.h"
#include "views/StreamListModel.h"

namespace kelvor::test {
namespace {

using gui::StreamListModel;

class StreamListTest : public ::testing::Test, public SessionFixture {
 protected:
  void add(double time, std::uint16_t id, EventKind kind, std::uint32_t number = 0,
           std::uint32_t address = 0) {
    session.engine->append(TraceEvent(time, id, kind, number, address, 0.0, 0));
  }

  StreamCellFormatter::Source source() {
    StreamCellFormatter::Source s = streamRowSource(session);
    s.marker1Time = marker1;
    s.marker2Time = marker2;
    return s;
  }

  void rebuild() { model.rebuild(*session.engine, source()); }

  QString cell(int row, int column) { return model.data(model.index(row, column)).toString(); }
  std::vector<std::size_t> listedEvents() {
    std::vector<std::size_t> events;
    for (int row = 0; row < model.rowCount(); ++row) {
      events.push_back(*model.eventAt(row));
    }
    return events;
  }

  std::optional<double> marker1;
  std::optional<double> marker2;
  StreamListModel model;
  QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(StreamListTest, EmptyStreamListsNothingUnderItsHeaders) {
  rebuild();
  EXPECT_EQ(model.rowCount(), 0);
  ASSERT_EQ(model.columnCount(), 8);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Pos");
  EXPECT_EQ(model.headerData(7, Qt::Horizontal).toString(), "INT-Adr");
}

TEST_F(StreamListTest, CellsOfInterruptAndUserEvents) {
  add(1.5, 0, EventKind::START_IRQ, 5, 0x1234);
  add(2.0, 0, EventKind::USER_MARK, 0x2A);
  add(2.25, 0, EventKind::USER_ENTER, 3);
  rebuild();
  ASSERT_EQ(model.rowCount(), 3);
  const std::vector<QString> irq = {" 0",       "0x05",     "unknown ID", "START_IRQ",
                                    "1.500000", "0.500000", "0x5",        "1234"};
  const std::vector<QString> mark = {" 1",       "*0x002A*", "* UserMark:2a *", "USER_MARK",
                                     "2.000000", "0.250000", "**********",      "0"};
  for (int column = 0; column < 8; ++column) {
    EXPECT_EQ(cell(0, column), irq[static_cast<std::size_t>(column)]) << column;
    EXPECT_EQ(cell(1, column), mark[static_cast<std::size_t>(column)]) << column;
  }
  EXPECT_EQ(cell(2, 2), "USER_ENTER ");
  EXPECT_EQ(cell(2, 5), "0.000000");  // the last event of the stream
  const auto colour = [&](int row) {
    return model.data(model.index(row, 0), Qt::DecorationRole)
        .value<QIcon>()
        .pixmap(18, 18)
        .toImage()
        .pixelColor(9, 9);
  };
  EXPECT_EQ(colour(0), gui::ArrowIcons::arrowColour(IconInterrupt));
  EXPECT_EQ(colour(1), gui::ArrowIcons::arrowColour(IconUserMark));
  EXPECT_EQ(colour(2), gui::ArrowIcons::arrowColour(IconUserEnterExit));
}

TEST_F(StreamListTest, ProcessCellsTakeNamesAndPrioritiesByOrigin) {
  session.processTable.store("Task", 0x0302, 0x9800, OriginIdList);
  add(0.0, 0x0302, EventKind::START_PROC, 0x1000);
  add(0.1, 0x0302, EventKind::END_PROC, UnknownPriority);
  add(0.2, 0x0400, EventKind::START_PROC, 0);
  // A process below 256 is named as a process, not as the interrupt of the same number.
  session.processTable.store("TimerTask", 0x00FE, 0x0200, OriginIdList);
  session.processTable.store("IRQ_254", InterruptIdBase + 0xFE, 0, OriginHeaderProcesses);
  add(0.3, 0x00FE, EventKind::START_PROC, 0);
  rebuild();
  EXPECT_EQ(cell(0, 1), "0x0302");
  EXPECT_EQ(cell(0, 2), "Task");
  EXPECT_EQ(cell(3, 2), "TimerTask");
  EXPECT_EQ(cell(0, 6), "0x9800");
  EXPECT_EQ(cell(2, 6), "unknown");

  // Data of a .run file carry their priorities in the events' numbers.
  session.runFileLoaded = 1;
  session.acquisitionState = AcquisitionState::RunFile;
  RunNameRecord record;
  record.id = 0x0302;
  std::snprintf(record.name.data(), record.name.size(), "RunTask");
  record.priority = 0x0100;
  session.runNameTable = {record};
  rebuild();
  EXPECT_EQ(cell(0, 6), "0x1000");
  EXPECT_EQ(cell(1, 6), "unknown");
  EXPECT_EQ(cell(0, 2), "RunTask ");
  const QColor colour = model.data(model.index(0, 0), Qt::DecorationRole)
                            .value<QIcon>()
                            .pixmap(18, 18)
                            .toImage()
                            .pixelColor(9, 9);
  EXPECT_EQ(colour, gui::ArrowIcons::arrowColour(IconPriorityLowest));
}

TEST_F(StreamListTest, MarkerTwoWinsOverMarkerOneOnTheSameRow) {
  for (int i = 0; i < 10; ++i) {
    add(i * 0.1, 0, EventKind::USER_MARK, 1);
  }
  marker1 = 0.7;
  marker2 = 0.65;  // both at or before event 7
  rebuild();
  EXPECT_EQ(cell(7, 0), " 7 MARKER_2");
  marker2 = 0.25;
  rebuild();
  EXPECT_EQ(cell(3, 0), " 3 MARKER_2");
  EXPECT_EQ(cell(7, 0), " 7 MARKER_1");
}

TEST_F(StreamListTest, HiddenProcessTakesTheLevelAndClockEventsAfterItAlong) {
  add(0.0, 0, EventKind::CLK_SPEED);  // before any process: listed
  add(0.1, 0x0201, EventKind::START_PROC);
  add(0.2, 0, EventKind::RAISE_IRQ_LEVEL);
  add(0.3, 0, EventKind::CLK_SPEED);
  add(0.4, 0, EventKind::PSEUDO_PROCESS, 0x100);  // never listed, changes nothing
  add(0.5, 0, EventKind::SET_IRQ_LEVEL);
  add(0.6, 0, EventKind::START_IRQ, 2);
  add(0.7, 0, EventKind::RESTORE_IRQ_LEVEL);
  add(0.8, 0x0201, EventKind::END_PROC);
  add(0.9, 0, EventKind::CLK_SPEED);
  add(1.0, 0, static_cast<EventKind>(40));
  add(1.1, 0, EventKind::START_PROC);  // id 0 has no record
  rebuild();
  EXPECT_EQ(listedEvents(), (std::vector<std::size_t>{0, 1, 2, 3, 5, 6, 7, 8, 9}));

  session.engine->statsFor(0x0201).visible = 0;
  rebuild();
  EXPECT_EQ(listedEvents(), (std::vector<std::size_t>{0, 6, 7}));
  EXPECT_EQ(model.rowAtOrAfter(2), 1);
  EXPECT_EQ(model.rowAtOrAfter(7), 2);
}

TEST_F(StreamListTest, SortRoleOrdersPositionsAndTimesByValue) {
  // Positions 9 and 10 and times whose texts sort the other way round.
  for (int i = 0; i < 12; ++i) {
    add(i < 11 ? i * 1.0 : 0.5, 0, EventKind::USER_MARK, 1);
  }
  rebuild();
  QSortFilterProxyModel proxy;
  proxy.setSourceModel(&model);
  proxy.setSortRole(StreamListModel::SortRole);
  proxy.sort(0, Qt::AscendingOrder);
  EXPECT_EQ(proxy.index(9, 0).data().toString(), " 9");
  EXPECT_EQ(proxy.index(10, 0).data().toString(), " 10");
  proxy.sort(4, Qt::AscendingOrder);  // start times 0, 0.5, 1, 2, ..., 10
  EXPECT_EQ(proxy.index(1, 0).data().toString(), " 11");
  EXPECT_EQ(proxy.index(11, 4).data().toString(), "10.000000");
  proxy.sort(5, Qt::AscendingOrder);  // the delta from 10 s back to 0.5 s comes first
  EXPECT_EQ(proxy.index(0, 0).data().toString(), " 10");
  proxy.sort(3, Qt::AscendingOrder);  // a column of texts sorts by its text
  EXPECT_EQ(proxy.index(0, 3).data().toString(), "USER_MARK");
}

TEST_F(StreamListTest, AnyRowMapsToTheSameEventInAnyOrder) {
  for (int i = 0; i < 50; ++i) {
    add(i * 0.01, static_cast<std::uint16_t>(0x0200 + i % 3), EventKind::START_PROC);
    add(i * 0.01, 0, EventKind::CLK_SPEED);
  }
  session.engine->statsFor(0x0201).visible = 0;
  rebuild();
  const QString row3 = cell(3, 0);
  EXPECT_FALSE(cell(10, 0).isEmpty());
  EXPECT_EQ(cell(3, 0), row3);
  StreamListModel fresh;
  fresh.rebuild(*session.engine, source());
  EXPECT_EQ(fresh.data(fresh.index(3, 0)).toString(), row3);
  EXPECT_FALSE(model.data(model.index(model.rowCount(), 0)).isValid());
}

}  // namespace
}  // namespace kelvor::test
