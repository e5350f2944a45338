#pragma once

// The C functions of the phone's link library, as pointer types for the functions resolved
// from it. C and C++ alike may include this header, so a library built for another platform can
// check its own definitions against these types (docs/link-library.md describes each function).

#ifdef __cplusplus
#include <cstdint>
#else
#include <stdint.h>
#endif

// The calling convention of the library's functions: __stdcall on 32-bit Windows, where
// libraries of this kind use it; the platform's C convention everywhere else.
#if defined(_WIN32) && !defined(_WIN64)
#define KELVOR_LINK_CALL __stdcall
#else
#define KELVOR_LINK_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Every function returns a 16-bit status, 1 on success, unless its line says otherwise.
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_Init_Fn)(uint32_t mode);
// A non-zero handle of a new link thread, 0 on failure.
typedef uint32_t(KELVOR_LINK_CALL* QFL_L2_InitThread_Fn)(void);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_OpenCom_Fn)(uint32_t handle, uint32_t* port);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_CloseCom_Fn)(uint32_t handle);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_DeInitThread_Fn)(uint32_t handle);
// The value to hand to QFL_L2_SwitchMobileOn.
typedef uint32_t(KELVOR_LINK_CALL* QFL_L2_SetPredefinedBootType_Fn)(uint32_t bootType);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_PingMobile_Fn)(uint32_t handle);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2EX_OpenSapi_Fn)(uint32_t handle, uint8_t sapi);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2EX_SendData_Fn)(uint32_t handle, const uint8_t* data,
                                                         uint16_t count, uint8_t sapi,
                                                         uint32_t reserved1, uint32_t reserved2);
// Non-zero when a frame was read.
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2EX_ReadData_Fn)(uint32_t handle, uint8_t* buffer,
                                                         uint16_t* length, uint8_t* sapi);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_RequestMobAndPcBaudrate_Fn)(uint32_t handle,
                                                                      uint32_t baud);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_SetNewPcBaudrate_Fn)(uint32_t handle, uint32_t baud);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_SwitchMobileOn_Fn)(uint32_t handle, uint32_t bootType);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_SwitchMobileOff_Fn)(uint32_t handle);
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_GetCurrentBaudrate_Fn)(uint32_t handle, uint32_t* baud);
// Non-zero when switched.
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_SwitchFromXtspToQflMode_Fn)(uint32_t handle);
// Non-zero when read.
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_ReadConfData_Fn)(uint32_t* port, uint32_t* baud,
                                                           uint32_t* third);
// Non-zero when stored.
typedef uint16_t(KELVOR_LINK_CALL* QFL_L2_WriteConfData_Fn)(uint32_t port, uint32_t baud,
                                                            uint32_t third, uint32_t flag);

#ifdef __cplusplus
}
#endif
