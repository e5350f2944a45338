#pragma once

// A stand-in for the phone's link library, built as a shared library for the tests of
// LibraryLink. It exports the library's functions (docs/link-library.md) and helpers that tell
// the tests what the last call received and make chosen functions fail.

#include <cstdint>

#if defined(_WIN32)
#define FAKE_LINK_EXPORT __declspec(dllexport)
#else
#define FAKE_LINK_EXPORT __attribute__((visibility("default")))
#endif

namespace fakelink {

// The answers of the fake library.
inline constexpr std::uint32_t Handle = 0x1234;
inline constexpr std::uint32_t OpenedPort = 7;
inline constexpr std::uint32_t SwitchOnValue = 0x0140A5A5;
inline constexpr std::uint32_t CurrentBaud = 921600;
inline constexpr std::uint32_t ConfPort = 3;
inline constexpr std::uint32_t ConfBaud = 460800;
inline constexpr std::uint32_t ConfThird = 2;
// ReadData fills this frame (cut to the buffer's size) and reports it on FrameSapi.
inline constexpr std::uint8_t Frame[] = {0x8E, 0x01, 0x02, 0x7E, 0x00, 0xFF};
inline constexpr std::uint8_t FrameSapi = 47;
// The most bytes of one SendData call that the fake keeps.
inline constexpr std::uint16_t SentCapacity = 64;

}  // namespace fakelink

extern "C" {
// Forgets the last call and every chosen failure.
FAKE_LINK_EXPORT void FakeLink_Reset();
// From now on the library function `name` fails: its status is 0 (InitThread: handle 0).
FAKE_LINK_EXPORT void FakeLink_Fail(const char* name);
// The name of the last library function called; "" after a reset.
FAKE_LINK_EXPORT const char* FakeLink_LastCall();
// The number of arguments of the last call and each of them as a 32-bit number; for a pointer,
// the value it pointed to on entry. A pointer to bytes is left out (see FakeLink_Sent).
FAKE_LINK_EXPORT unsigned FakeLink_ArgCount();
FAKE_LINK_EXPORT std::uint32_t FakeLink_Arg(unsigned index);
// Copies the bytes of the last SendData call (at most SentCapacity) and returns their count.
FAKE_LINK_EXPORT std::uint16_t FakeLink_Sent(std::uint8_t* out);
}
