#include "views/TimeStepDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTimer>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "views/PidSelectDialog.h"
#include "views/TimeStepFontMapping.h"
#include "views/TimeStepNumberDialogs.h"

namespace kelvor::test {
namespace {

using gui::DisplayFromToDialog;
using gui::GotoMode;
using gui::GotoPositionDialog;
using gui::NumberDialog;
using gui::PidSelectDialog;
using gui::ZoomDialog;
using Button = PidSelectDialog::Button;

// Runs `answer` on the next modal dialog that opens, as soon as the event loop turns.
template <typename Dialog, typename Answer>
void answerNextModal(Answer answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    answer(*dialog);
  });
}

// Selects the given rows of the list, as clicks with Ctrl held would.
void selectRows(PidSelectDialog& dialog, std::initializer_list<int> rows) {
  for (int row : rows) {
    dialog.list()->topLevelItem(row)->setSelected(true);
  }
}

// Records in id order: a start-bit process, a hidden class-4 entry, a process, a task, a hidden
// HISR and an interrupt.
class PidSelectTest : public ::testing::Test, public SessionFixture {
 protected:
  PidSelectTest() {
    const struct {
      std::uint32_t id;
      std::uint32_t entryClass;
      bool visible;
    } records[] = {{0x0001, 0, true}, {0x0007, 4, false}, {0x0105, 1, true},
                   {0x0210, 2, true}, {0x03FF, 3, false}, {0x10012, 5, true}};
    for (const auto& r : records) {
      ProcessStats& stats = session.engine->statsFor(r.id);
      stats.entryClass = r.entryClass;
      stats.visible = r.visible ? 1 : 0;
    }
    session.processTable.store("Startup", 0x0001, 1, OriginIdList);
    session.processTable.store("Uart RX", 0x10012, 1, OriginIdList);
  }

  std::vector<int> visibleFlags() const {
    std::vector<int> flags;
    for (const auto& [id, stats] : session.engine->statistics()) {
      flags.push_back(stats.visible);
    }
    return flags;
  }
  void setVisibleFlags(const std::vector<int>& flags) {
    std::size_t i = 0;
    for (const auto& entry : session.engine->statistics()) {
      session.engine->statsFor(entry.first).visible = static_cast<std::uint8_t>(flags.at(i++));
    }
  }

  std::vector<bool> condensedCalls;
  std::function<void(bool)> onCondensed = [this](bool on) { condensedCalls.push_back(on); };
};

TEST_F(PidSelectTest, ListsOneRowPerRecordInIdOrder) {
  PidSelectDialog dialog(session, true, onCondensed);
  EXPECT_EQ(dialog.windowTitle(), "PID Select");
  QTreeWidget* list = dialog.list();
  EXPECT_EQ(list->headerItem()->text(0), "ID");
  EXPECT_EQ(list->headerItem()->text(1), "Prozess Text");
  // 60 pixels of text beside the check box.
  EXPECT_GE(list->columnWidth(0), 60 + list->style()->pixelMetric(QStyle::PM_IndicatorWidth));
  EXPECT_EQ(list->columnWidth(1), 300);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  ASSERT_EQ(list->topLevelItemCount(), 6);
  const char* ids[] = {"0x1", "0x7", "0x105", "0x210", "0x3FF", "0x12"};
  const char* names[] = {"Startup", "", "", "", "", "Uart RX"};
  const bool checks[] = {true, false, true, true, false, true};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(list->topLevelItem(i)->text(0), ids[i]) << i;
    EXPECT_EQ(list->topLevelItem(i)->text(1), names[i]) << i;
    EXPECT_EQ(dialog.rowChecked(i), checks[i]) << i;
  }
  EXPECT_TRUE(dialog.condensedBox()->isChecked());
  EXPECT_EQ(dialog.condensedBox()->text(), "Condensed Thread View Visible");
  // "&&" shows one "&" rather than a mnemonic.
  EXPECT_EQ(dialog.button(Button::ToggleScheduler)->text(), "Toggle Scheduler && Idle");
  EXPECT_EQ(gui::pidIdText(0x1FFFF), "0xFFFF");  // the interrupt bit only, nothing else
}

TEST_F(PidSelectTest, ButtonsThenOkWriteTheRowsToTheRecords) {
  const std::vector<int> before = {1, 0, 1, 1, 0, 1};
  ASSERT_EQ(visibleFlags(), before);
  const struct {
    const char* name;
    std::function<void(PidSelectDialog&)> act;
    std::vector<int> visible;
    bool unchanged;
  } cases[] = {
      {"nothing", [](auto&) {}, before, true},
      {"Clear All",
       [](auto& d) { d.button(Button::ClearAll)->click(); },
       {0, 0, 0, 0, 0, 0},
       false},
      {"Set All", [](auto& d) { d.button(Button::SetAll)->click(); }, {1, 1, 1, 1, 1, 1}, false},
      {"Toggle IRQ",
       [](auto& d) { d.button(Button::ToggleIrq)->click(); },
       {1, 1, 1, 1, 0, 0},
       false},
      {"Toggle Startbit-Process",
       [](auto& d) { d.button(Button::ToggleStartbit)->click(); },
       {0, 0, 1, 1, 0, 1},
       false},
      {"Toggle Message-Process",
       [](auto& d) { d.button(Button::ToggleMessage)->click(); },
       {1, 0, 0, 1, 0, 1},
       false},
      {"Toggle Tasks",
       [](auto& d) { d.button(Button::ToggleTasks)->click(); },
       {1, 0, 1, 0, 0, 1},
       false},
      {"Toggle HISRs twice",
       [](auto& d) {
         d.button(Button::ToggleHisrs)->click();
         d.button(Button::ToggleHisrs)->click();
       },
       before, false},
      {"Toggle Scheduler & Idle", [](auto& d) { d.button(Button::ToggleScheduler)->click(); },
       before, true},
      // "Toggle" inverts the selected rows without counting as a change.
      {"Toggle",
       [](auto& d) {
         selectRows(d, {0, 1});
         d.button(Button::Toggle)->click();
       },
       {0, 1, 1, 1, 0, 1},
       true},
      {"double click",
       [](auto& d) {
         selectRows(d, {2, 4});
         QTreeWidgetItem* item = d.list()->topLevelItem(2);
         emit d.list()->itemDoubleClicked(item, 0);
       },
       {1, 0, 0, 1, 1, 1},
       false},
  };
  for (const auto& c : cases) {
    setVisibleFlags(before);
    PidSelectDialog dialog(session, false, onCondensed);
    c.act(dialog);
    dialog.button(Button::Ok)->click();
    EXPECT_TRUE(dialog.result().accepted) << c.name;
    EXPECT_EQ(dialog.result().selectionUnchanged, c.unchanged) << c.name;
    EXPECT_EQ(visibleFlags(), c.visible) << c.name;
  }
  EXPECT_TRUE(condensedCalls.empty());
}

TEST_F(PidSelectTest, CondensedSwitchTakesEffectAtOnceAndSurvivesCancel) {
  PidSelectDialog dialog(session, true, onCondensed);
  dialog.button(Button::ClearAll)->click();
  dialog.condensedBox()->click();
  EXPECT_EQ(condensedCalls, std::vector<bool>{false});
  dialog.button(Button::Cancel)->click();
  EXPECT_EQ(condensedCalls, std::vector<bool>{false});
  EXPECT_FALSE(dialog.result().accepted);
  EXPECT_FALSE(dialog.result().selectionUnchanged);
  EXPECT_EQ(visibleFlags(), (std::vector<int>{1, 0, 1, 1, 0, 1}));

  // Only the condensed switch, then OK: the flags stay, the change is reported.
  PidSelectDialog again(session, false, onCondensed);
  again.condensedBox()->click();
  again.button(Button::Ok)->click();
  EXPECT_EQ(condensedCalls, (std::vector<bool>{false, true}));
  EXPECT_FALSE(again.result().selectionUnchanged);
  EXPECT_EQ(visibleFlags(), (std::vector<int>{1, 0, 1, 1, 0, 1}));
}

TEST_F(PidSelectTest, WithoutAnEngineTheListIsEmpty) {
  session.engine.reset();
  PidSelectDialog dialog(session, false, onCondensed);
  EXPECT_EQ(dialog.list()->topLevelItemCount(), 0);
  dialog.button(Button::SetAll)->click();
  dialog.button(Button::Ok)->click();
  EXPECT_TRUE(dialog.result().accepted);
}

TEST_F(PidSelectTest, ModalRunReportsTheResult) {
  gui::QtTimeStepDialogs dialogs(prompter);
  answerNextModal<PidSelectDialog>([](PidSelectDialog& d) {
    d.button(Button::ClearAll)->click();
    d.button(Button::Ok)->click();
  });
  const gui::PidSelectResult result = dialogs.pidSelect(nullptr, session, false, onCondensed);
  EXPECT_TRUE(result.accepted);
  EXPECT_FALSE(result.selectionUnchanged);
  EXPECT_EQ(visibleFlags(), (std::vector<int>(6, 0)));
}

class NumberDialogsTest : public ::testing::Test {
 protected:
  RecordingPrompter prompter;
};

TEST_F(NumberDialogsTest, ValuesRoundTripThroughTheEdits) {
  ZoomDialog zoom(2.5, prompter);
  EXPECT_EQ(zoom.windowTitle(), "Zoom");
  EXPECT_EQ(zoom.factorEdit()->text(), "2.5");
  zoom.factorEdit()->setText(" 0.25 ");
  zoom.okButton()->click();
  EXPECT_EQ(zoom.result(), QDialog::Accepted);
  EXPECT_DOUBLE_EQ(zoom.factor(), 0.25);

  DisplayFromToDialog fromTo({0.000123456789012345, 12.0}, prompter);
  EXPECT_EQ(fromTo.windowTitle(), "Display From/To");
  EXPECT_EQ(fromTo.fromEdit()->text(), "0.000123456789012345");
  EXPECT_EQ(fromTo.toEdit()->text(), "12");
  fromTo.fromEdit()->setText("5");
  fromTo.toEdit()->setText("2e-3");
  fromTo.okButton()->click();
  EXPECT_EQ(fromTo.result(), QDialog::Accepted);
  EXPECT_DOUBLE_EQ(fromTo.interval().from, 5.0);
  EXPECT_DOUBLE_EQ(fromTo.interval().to, 0.002);

  GotoPositionDialog go(GotoMode::Position, 1.75, prompter);
  EXPECT_EQ(go.windowTitle(), "Goto Position");
  EXPECT_EQ(go.timeRadio()->text(), "Time (s)");
  EXPECT_EQ(go.positionRadio()->text(), "Position");
  EXPECT_TRUE(go.positionRadio()->isChecked());
  EXPECT_EQ(go.valueEdit()->text(), "1.75");
  go.timeRadio()->click();
  go.okButton()->click();
  EXPECT_EQ(go.request().mode, GotoMode::Time);
  EXPECT_DOUBLE_EQ(go.request().value, 1.75);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(NumberDialogsTest, TextThatIsNoNumberIsRefusedAndTheDialogStaysOpen) {
  for (const char* text : {"abc", "", "1,5", "2x", "inf", "nan"}) {
    prompter.shown.clear();
    DisplayFromToDialog dialog({1.0, 2.0}, prompter);
    dialog.open();
    dialog.toEdit()->setText(text);
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible()) << text;
    ASSERT_EQ(prompter.shown.size(), 1u) << text;
    EXPECT_EQ(prompter.shown[0].text, NumberDialog::NotANumberText);
    EXPECT_EQ(dialog.toEdit()->selectedText(), QString(text)) << text;
    dialog.toEdit()->setText("3");
    dialog.okButton()->click();
    EXPECT_FALSE(dialog.isVisible()) << text;
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << text;
  }
}

TEST_F(NumberDialogsTest, ModalRunsAnswerAndGotoKeepsTheLastMode) {
  gui::QtTimeStepDialogs dialogs(prompter);
  answerNextModal<ZoomDialog>([](ZoomDialog& d) {
    d.factorEdit()->setText("30");
    d.okButton()->click();
  });
  EXPECT_EQ(dialogs.zoomFactor(nullptr, 1.0), std::optional<double>(30.0));
  answerNextModal<ZoomDialog>([](ZoomDialog& d) { d.cancelButton()->click(); });
  EXPECT_FALSE(dialogs.zoomFactor(nullptr, 1.0).has_value());

  GotoMode shownMode = GotoMode::Position;
  answerNextModal<GotoPositionDialog>([&](GotoPositionDialog& d) {
    shownMode = d.mode();
    d.positionRadio()->click();
    d.valueEdit()->setText("42.9");
    d.okButton()->click();
  });
  const auto request = dialogs.gotoPosition(nullptr, 0.5);
  EXPECT_EQ(shownMode, GotoMode::Time);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->mode, GotoMode::Position);
  EXPECT_DOUBLE_EQ(request->value, 42.9);

  QString shownValue;
  answerNextModal<GotoPositionDialog>([&](GotoPositionDialog& d) {
    shownMode = d.mode();
    shownValue = d.valueEdit()->text();
    d.cancelButton()->click();
  });
  EXPECT_FALSE(dialogs.gotoPosition(nullptr, 0.5).has_value());
  EXPECT_EQ(shownMode, GotoMode::Position);
  EXPECT_EQ(shownValue, "0.5");

  answerNextModal<DisplayFromToDialog>([](DisplayFromToDialog& d) { d.okButton()->click(); });
  const auto interval = dialogs.displayFromTo(nullptr, {0.25, 0.75});
  ASSERT_TRUE(interval.has_value());
  EXPECT_DOUBLE_EQ(interval->from, 0.25);
  EXPECT_DOUBLE_EQ(interval->to, 0.75);
}

TEST(TimeStepFontMappingTest, StoredFontsBecomePaintingFonts) {
  const struct {
    std::int32_t height;
    std::int32_t weight;
    int pixelSize;
    int qtWeight;
  } cases[] = {{-12, 400, 12, QFont::Normal}, {20, 700, 16, QFont::Bold},
               {1, 0, 1, QFont::Normal},      {-9, 550, 9, QFont::DemiBold},
               {-30, 1200, 30, QFont::Black}, {-10, 100, 10, QFont::Thin}};
  for (const auto& c : cases) {
    LogFont stored = defaultLogFont(TimeStepFont::Label);
    stored.height = c.height;
    stored.weight = c.weight;
    const QFont font = gui::toQFont(stored);
    EXPECT_EQ(font.family(), "Courier New");
    EXPECT_EQ(font.pixelSize(), c.pixelSize) << c.height;
    EXPECT_EQ(font.weight(), c.qtWeight) << c.weight;
    EXPECT_FALSE(font.italic());
  }
  const QFont title = gui::toQFont(defaultLogFont(TimeStepFont::Title));
  EXPECT_TRUE(title.italic());     // byte 15
  EXPECT_TRUE(title.underline());  // byte 3
  EXPECT_FALSE(title.strikeOut());
}

TEST(TimeStepFontMappingTest, ChosenFontsBecomeStoredFonts) {
  const LogFont base = defaultLogFont(TimeStepFont::Title);
  QFont chosen("Liberation Serif");
  chosen.setPixelSize(14);
  chosen.setWeight(QFont::Normal);
  chosen.setItalic(true);
  chosen.setStrikeOut(true);
  const LogFont stored = gui::toLogFont(chosen, base);
  EXPECT_EQ(stored.faceName, "Liberation Serif");
  EXPECT_EQ(stored.height, -14);
  EXPECT_EQ(stored.weight, 400);
  EXPECT_EQ(stored.italic, 15);  // still on: the stored byte stays
  EXPECT_EQ(stored.underline, 0);
  EXPECT_EQ(stored.strikeOut, 1);
  EXPECT_EQ(stored.charSet, base.charSet);
  EXPECT_EQ(stored.outPrecision, base.outPrecision);

  QFont points(QString(40, QLatin1Char('F')));
  points.setPointSize(9);
  points.setBold(true);
  const LogFont fromPoints = gui::toLogFont(points, base);
  EXPECT_EQ(fromPoints.height, -12);  // 9 pt at 96 dpi
  EXPECT_EQ(fromPoints.weight, 700);
  EXPECT_EQ(fromPoints.faceName, std::string(31, 'F'));
  // Back and forth keeps a character-height font as it was.
  EXPECT_EQ(gui::toLogFont(gui::toQFont(base), base), base);
}

}  // namespace
}  // namespace kelvor::test
