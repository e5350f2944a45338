#include "LibraryLink.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <vector>

#include "FakeLinkLibrary.h"

namespace kelvor {
namespace {

const std::string FakeLibrary = KELVOR_FAKE_LINK_LIBRARY;
const std::string FakeWithoutPing = KELVOR_FAKE_LINK_WITHOUT_PING;

class LibraryLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeLink_Reset();
    std::string error;
    link_ = LibraryLink::load(FakeLibrary, error);
    ASSERT_NE(link_, nullptr) << error;
  }

  std::vector<std::uint32_t> lastArgs() const {
    std::vector<std::uint32_t> args;
    for (unsigned i = 0; i < FakeLink_ArgCount(); ++i) {
      args.push_back(FakeLink_Arg(i));
    }
    return args;
  }

  std::unique_ptr<LibraryLink> link_;
};

constexpr LinkHandle H = fakelink::Handle;

// Each method reaches its own function with its arguments, and hands back its result, which is
// 0 once the function fails (setPredefinedBootType has no status and never fails).
TEST_F(LibraryLinkTest, EachMethodCallsItsFunctionWithItsArguments) {
  std::uint32_t port = 4;
  std::uint32_t baud = 0;
  std::uint32_t confPort = 11;
  std::uint32_t confBaud = 12;
  std::uint32_t confThird = 13;
  std::uint8_t buffer[16] = {};
  std::uint16_t length = sizeof buffer;
  std::uint8_t sapi = TraceSapi;
  const std::uint8_t bytes[] = {EnableTraceCommand, 0x00, 0x7E};
  struct Row {
    const char* function;
    std::function<std::uint32_t(LinkLibrary&)> call;
    std::vector<std::uint32_t> args;
    std::uint32_t result;
  };
  const std::vector<Row> rows = {
      {"QFL_L2_Init", [](LinkLibrary& l) { return l.init(0); }, {0}, LinkSuccess},
      {"QFL_L2_InitThread", [](LinkLibrary& l) { return l.initThread(); }, {}, H},
      {"QFL_L2_OpenCom", [&](LinkLibrary& l) { return l.openCom(H, port); }, {H, 4}, LinkSuccess},
      {"QFL_L2_CloseCom", [](LinkLibrary& l) { return l.closeCom(H + 1); }, {H + 1}, LinkSuccess},
      {"QFL_L2_DeInitThread",
       [](LinkLibrary& l) { return l.deInitThread(H + 2); },
       {H + 2},
       LinkSuccess},
      {"QFL_L2_SetPredefinedBootType",
       [](LinkLibrary& l) { return l.setPredefinedBootType(PredefinedBootType); },
       {PredefinedBootType},
       fakelink::SwitchOnValue},
      {"QFL_L2_PingMobile",
       [](LinkLibrary& l) { return l.pingMobile(H + 3); },
       {H + 3},
       LinkSuccess},
      {"QFL_L2EX_OpenSapi",
       [](LinkLibrary& l) { return l.openSapi(H, FrameSizeSapi); },
       {H, FrameSizeSapi},
       LinkSuccess},
      {"QFL_L2EX_SendData",
       [&](LinkLibrary& l) { return l.sendData(H, bytes, sizeof bytes, TraceSapi); },
       {H, sizeof bytes, TraceSapi, 0, 0},
       LinkSuccess},
      {"QFL_L2EX_ReadData",
       [&](LinkLibrary& l) { return l.readData(H, buffer, length, sapi); },
       {H, sizeof buffer, TraceSapi},
       LinkSuccess},
      {"QFL_L2_RequestMobAndPcBaudrate",
       [](LinkLibrary& l) { return l.requestMobAndPcBaudrate(H, 230400); },
       {H, 230400},
       LinkSuccess},
      {"QFL_L2_SetNewPcBaudrate",
       [](LinkLibrary& l) { return l.setNewPcBaudrate(H, 460800); },
       {H, 460800},
       LinkSuccess},
      {"QFL_L2_SwitchMobileOn",
       [](LinkLibrary& l) { return l.switchMobileOn(H, fakelink::SwitchOnValue); },
       {H, fakelink::SwitchOnValue},
       LinkSuccess},
      {"QFL_L2_SwitchMobileOff",
       [](LinkLibrary& l) { return l.switchMobileOff(H + 4); },
       {H + 4},
       LinkSuccess},
      {"QFL_L2_GetCurrentBaudrate",
       [&](LinkLibrary& l) { return l.getCurrentBaudrate(H, baud); },
       {H, 0},
       LinkSuccess},
      {"QFL_L2_SwitchFromXtspToQflMode",
       [](LinkLibrary& l) { return l.switchFromXtspToQflMode(H + 5); },
       {H + 5},
       LinkSuccess},
      {"QFL_L2_ReadConfData",
       [&](LinkLibrary& l) { return l.readConfData(confPort, confBaud, confThird); },
       {11, 12, 13},
       LinkSuccess},
      {"QFL_L2_WriteConfData",
       [](LinkLibrary& l) { return l.writeConfData(2, BaseBaudRate, 5, 1); },
       {2, BaseBaudRate, 5, 1},
       LinkSuccess},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.function);
    EXPECT_EQ(row.call(*link_), row.result);
    EXPECT_STREQ(FakeLink_LastCall(), row.function);
    EXPECT_EQ(lastArgs(), row.args);
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.function);
    FakeLink_Fail(row.function);
    const bool hasStatus = std::string(row.function) != "QFL_L2_SetPredefinedBootType";
    EXPECT_EQ(row.call(*link_), hasStatus ? 0u : row.result);
  }
}

TEST_F(LibraryLinkTest, FilledArgumentsComeBack) {
  std::uint32_t port = 2;
  EXPECT_EQ(link_->openCom(H, port), LinkSuccess);
  EXPECT_EQ(port, fakelink::OpenedPort);

  std::uint32_t baud = 0;
  EXPECT_EQ(link_->getCurrentBaudrate(H, baud), LinkSuccess);
  EXPECT_EQ(baud, fakelink::CurrentBaud);

  std::uint32_t confPort = 0;
  std::uint32_t confBaud = 0;
  std::uint32_t third = 0;
  EXPECT_EQ(link_->readConfData(confPort, confBaud, third), LinkSuccess);
  EXPECT_EQ(confPort, fakelink::ConfPort);
  EXPECT_EQ(confBaud, fakelink::ConfBaud);
  EXPECT_EQ(third, fakelink::ConfThird);

  const std::vector<std::uint8_t> sent = {DisableTraceCommand, 0x00, 0x7E, 0xFF};
  EXPECT_EQ(link_->sendData(H, sent.data(), static_cast<std::uint16_t>(sent.size()), TraceSapi),
            LinkSuccess);
  std::vector<std::uint8_t> received(fakelink::SentCapacity);
  received.resize(FakeLink_Sent(received.data()));
  EXPECT_EQ(received, sent);
}

// A frame longer than the buffer is cut to the buffer's size; the length and the channel
// coming back are the library's, and nothing is written past the bytes read.
TEST_F(LibraryLinkTest, ReadDataFillsBufferLengthAndSapi) {
  const std::vector<std::uint8_t> frame(std::begin(fakelink::Frame), std::end(fakelink::Frame));
  for (const std::uint16_t size : {std::uint16_t{64}, std::uint16_t{3}}) {
    SCOPED_TRACE(size);
    std::vector<std::uint8_t> buffer(size + 1u, 0xAA);
    std::uint16_t length = size;
    std::uint8_t sapi = FrameSizeSapi;
    EXPECT_EQ(link_->readData(H, buffer.data(), length, sapi), LinkSuccess);
    const std::size_t expected = std::min<std::size_t>(size, frame.size());
    EXPECT_EQ(length, expected);
    EXPECT_EQ(sapi, fakelink::FrameSapi);
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + expected, buffer.begin()));
    EXPECT_EQ(buffer[expected], 0xAA);
  }
}

TEST_F(LibraryLinkTest, StaysLoadedWhileItLivesAndNamesItsFile) {
  EXPECT_EQ(
      link_->versionText(),
      "Link library " + QFileInfo(QString::fromStdString(FakeLibrary)).fileName().toStdString());
  const QLibrary probe(QString::fromStdString(FakeLibrary));
  EXPECT_TRUE(probe.isLoaded());
  link_.reset();
  EXPECT_FALSE(probe.isLoaded());
}

// Each refusal names the path and what is wrong with it, and leaves nothing loaded.
TEST(LibraryLinkLoadTest, RefusesWhatIsNoUsableLibrary) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string notALibrary = dir.filePath("notalib.so").toStdString();
  {
    QFile file(QString::fromStdString(notALibrary));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is text, not a library\n");
  }
  const std::string missing = dir.filePath("missing.so").toStdString();
  const QFileInfo fake(QString::fromStdString(FakeLibrary));
  const std::string bareName = fake.fileName().toStdString();
  // The bare name and the relative path would find the fake library from the current folder.
  const QString previousFolder = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(fake.absolutePath()));

  struct Row {
    std::string path;
    std::string message;
    bool wholeMessage;
  };
  const std::vector<Row> rows = {
      {bareName, "The link library path " + bareName + " is not absolute.", true},
      {"./" + bareName, "The link library path ./" + bareName + " is not absolute.", true},
      {"", "No link library path is given.", true},
      {missing, "The link library " + missing + " does not exist.", true},
      {dir.path().toStdString(), "The link library " + dir.path().toStdString() + " is not a file.",
       true},
      {notALibrary, "The link library " + notALibrary + " could not be loaded: ", false},
      {FakeWithoutPing,
       "The link library " + FakeWithoutPing + " has no function QFL_L2_PingMobile.", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    std::string error;
    EXPECT_EQ(LibraryLink::load(row.path, error), nullptr);
    if (row.wholeMessage) {
      EXPECT_EQ(error, row.message);
    } else {
      EXPECT_EQ(error.rfind(row.message, 0), 0u) << error;
      EXPECT_GT(error.size(), row.message.size()) << "no reason given";
    }
    EXPECT_FALSE(QLibrary(QString::fromStdString(row.path)).isLoaded());
  }
  QDir::setCurrent(previousFolder);
}

}  // namespace
}  // namespace kelvor
