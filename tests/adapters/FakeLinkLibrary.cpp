// The fake link library. Built twice: as a whole, and with FAKE_LINK_WITHOUT_PING_MOBILE
// lacking QFL_L2_PingMobile. All its state is internal, so that two copies loaded into one
// process never share it.

#include "FakeLinkLibrary.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>
#include <type_traits>

#include "LinkLibraryFunctions.h"

namespace {

constexpr std::uint16_t Success = 1;
constexpr std::uint16_t Failure = 0;
constexpr std::size_t MaxArgs = 6;

struct State {
  std::string lastCall;
  std::array<std::uint32_t, MaxArgs> args{};
  unsigned argCount = 0;
  std::array<std::uint8_t, fakelink::SentCapacity> sent{};
  std::uint16_t sentCount = 0;
  std::set<std::string> failing;
};

State& state() {
  static State instance;
  return instance;
}

// Records the call and returns its status.
std::uint16_t record(const char* name, std::initializer_list<std::uint32_t> args) {
  State& s = state();
  s.lastCall = name;
  s.argCount = static_cast<unsigned>(args.size());
  std::copy(args.begin(), args.end(), s.args.begin());
  return s.failing.count(name) != 0 ? Failure : Success;
}

}  // namespace

extern "C" {

FAKE_LINK_EXPORT void FakeLink_Reset() {
  state() = State{};
}

FAKE_LINK_EXPORT void FakeLink_Fail(const char* name) {
  state().failing.insert(name);
}

FAKE_LINK_EXPORT const char* FakeLink_LastCall() {
  return state().lastCall.c_str();
}

FAKE_LINK_EXPORT unsigned FakeLink_ArgCount() {
  return state().argCount;
}

FAKE_LINK_EXPORT std::uint32_t FakeLink_Arg(unsigned index) {
  return index < MaxArgs ? state().args[index] : 0;
}

FAKE_LINK_EXPORT std::uint16_t FakeLink_Sent(std::uint8_t* out) {
  std::memcpy(out, state().sent.data(), state().sentCount);
  return state().sentCount;
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_Init(std::uint32_t mode) {
  return record("QFL_L2_Init", {mode});
}

FAKE_LINK_EXPORT std::uint32_t KELVOR_LINK_CALL QFL_L2_InitThread() {
  return record("QFL_L2_InitThread", {}) == Success ? fakelink::Handle : 0;
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_OpenCom(std::uint32_t handle,
                                                               std::uint32_t* port) {
  const std::uint16_t status = record("QFL_L2_OpenCom", {handle, *port});
  if (status == Success) {
    *port = fakelink::OpenedPort;
  }
  return status;
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_CloseCom(std::uint32_t handle) {
  return record("QFL_L2_CloseCom", {handle});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_DeInitThread(std::uint32_t handle) {
  return record("QFL_L2_DeInitThread", {handle});
}

FAKE_LINK_EXPORT std::uint32_t KELVOR_LINK_CALL
QFL_L2_SetPredefinedBootType(std::uint32_t bootType) {
  record("QFL_L2_SetPredefinedBootType", {bootType});
  return fakelink::SwitchOnValue;
}

#ifndef FAKE_LINK_WITHOUT_PING_MOBILE
FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_PingMobile(std::uint32_t handle) {
  return record("QFL_L2_PingMobile", {handle});
}
#endif

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2EX_OpenSapi(std::uint32_t handle,
                                                                  std::uint8_t sapi) {
  return record("QFL_L2EX_OpenSapi", {handle, sapi});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL
QFL_L2EX_SendData(std::uint32_t handle, const std::uint8_t* data, std::uint16_t count,
                  std::uint8_t sapi, std::uint32_t reserved1, std::uint32_t reserved2) {
  State& s = state();
  s.sentCount = std::min(count, fakelink::SentCapacity);
  std::memcpy(s.sent.data(), data, s.sentCount);
  return record("QFL_L2EX_SendData", {handle, count, sapi, reserved1, reserved2});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2EX_ReadData(std::uint32_t handle,
                                                                  std::uint8_t* buffer,
                                                                  std::uint16_t* length,
                                                                  std::uint8_t* sapi) {
  const std::uint16_t status = record("QFL_L2EX_ReadData", {handle, *length, *sapi});
  if (status == Success) {
    const auto count = std::min(*length, static_cast<std::uint16_t>(sizeof fakelink::Frame));
    std::memcpy(buffer, fakelink::Frame, count);
    *length = count;
    *sapi = fakelink::FrameSapi;
  }
  return status;
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_RequestMobAndPcBaudrate(std::uint32_t handle,
                                                                               std::uint32_t baud) {
  return record("QFL_L2_RequestMobAndPcBaudrate", {handle, baud});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_SetNewPcBaudrate(std::uint32_t handle,
                                                                        std::uint32_t baud) {
  return record("QFL_L2_SetNewPcBaudrate", {handle, baud});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_SwitchMobileOn(std::uint32_t handle,
                                                                      std::uint32_t bootType) {
  return record("QFL_L2_SwitchMobileOn", {handle, bootType});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_SwitchMobileOff(std::uint32_t handle) {
  return record("QFL_L2_SwitchMobileOff", {handle});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_GetCurrentBaudrate(std::uint32_t handle,
                                                                          std::uint32_t* baud) {
  const std::uint16_t status = record("QFL_L2_GetCurrentBaudrate", {handle, *baud});
  if (status == Success) {
    *baud = fakelink::CurrentBaud;
  }
  return status;
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL
QFL_L2_SwitchFromXtspToQflMode(std::uint32_t handle) {
  return record("QFL_L2_SwitchFromXtspToQflMode", {handle});
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_ReadConfData(std::uint32_t* port,
                                                                    std::uint32_t* baud,
                                                                    std::uint32_t* third) {
  const std::uint16_t status = record("QFL_L2_ReadConfData", {*port, *baud, *third});
  if (status == Success) {
    *port = fakelink::ConfPort;
    *baud = fakelink::ConfBaud;
    *third = fakelink::ConfThird;
  }
  return status;
}

FAKE_LINK_EXPORT std::uint16_t KELVOR_LINK_CALL QFL_L2_WriteConfData(std::uint32_t port,
                                                                     std::uint32_t baud,
                                                                     std::uint32_t third,
                                                                     std::uint32_t flag) {
  return record("QFL_L2_WriteConfData", {port, baud, third, flag});
}

}  // extern "C"

// The definitions above have exactly the types the program resolves them as.
static_assert(std::is_same_v<decltype(&QFL_L2_Init), QFL_L2_Init_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_InitThread), QFL_L2_InitThread_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_OpenCom), QFL_L2_OpenCom_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_CloseCom), QFL_L2_CloseCom_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_DeInitThread), QFL_L2_DeInitThread_Fn>);
static_assert(
    std::is_same_v<decltype(&QFL_L2_SetPredefinedBootType), QFL_L2_SetPredefinedBootType_Fn>);
#ifndef FAKE_LINK_WITHOUT_PING_MOBILE
static_assert(std::is_same_v<decltype(&QFL_L2_PingMobile), QFL_L2_PingMobile_Fn>);
#endif
static_assert(std::is_same_v<decltype(&QFL_L2EX_OpenSapi), QFL_L2EX_OpenSapi_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2EX_SendData), QFL_L2EX_SendData_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2EX_ReadData), QFL_L2EX_ReadData_Fn>);
static_assert(
    std::is_same_v<decltype(&QFL_L2_RequestMobAndPcBaudrate), QFL_L2_RequestMobAndPcBaudrate_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_SetNewPcBaudrate), QFL_L2_SetNewPcBaudrate_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_SwitchMobileOn), QFL_L2_SwitchMobileOn_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_SwitchMobileOff), QFL_L2_SwitchMobileOff_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_GetCurrentBaudrate), QFL_L2_GetCurrentBaudrate_Fn>);
static_assert(
    std::is_same_v<decltype(&QFL_L2_SwitchFromXtspToQflMode), QFL_L2_SwitchFromXtspToQflMode_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_ReadConfData), QFL_L2_ReadConfData_Fn>);
static_assert(std::is_same_v<decltype(&QFL_L2_WriteConfData), QFL_L2_WriteConfData_Fn>);
