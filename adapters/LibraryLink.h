#pragma once

#include <QLibrary>
#include <memory>
#include <string>

#include "LinkLibraryFunctions.h"
#include "link/LinkLibrary.h"

namespace kelvor {

// The phone's link library loaded from a file at run time. Every method calls the library's
// function of the same name with the same arguments and hands back its result. The library stays
// loaded while the object lives.
class LibraryLink final : public LinkLibrary {
 public:
  // Loads the library at `path` and resolves all its functions. Null, with a one-sentence
  // `error` naming the path (and the function that is missing), when the path is not absolute,
  // the file does not exist, it cannot be loaded or it lacks a function. Only the file at that
  // path is loaded: never one from the current folder or a search path.
  static std::unique_ptr<LibraryLink> load(const std::string& path, std::string& error);

  ~LibraryLink() override;
  LibraryLink(const LibraryLink&) = delete;
  LibraryLink& operator=(const LibraryLink&) = delete;

  LinkStatus init(std::uint32_t mode) override;
  LinkHandle initThread() override;
  LinkStatus openCom(LinkHandle handle, std::uint32_t& port) override;
  LinkStatus closeCom(LinkHandle handle) override;
  LinkStatus deInitThread(LinkHandle handle) override;
  std::uint32_t setPredefinedBootType(std::uint32_t bootType) override;
  LinkStatus pingMobile(LinkHandle handle) override;
  LinkStatus openSapi(LinkHandle handle, std::uint8_t sapi) override;
  LinkStatus sendData(LinkHandle handle, const std::uint8_t* data, std::uint16_t count,
                      std::uint8_t sapi) override;
  LinkStatus readData(LinkHandle handle, std::uint8_t* buffer, std::uint16_t& length,
                      std::uint8_t& sapi) override;
  LinkStatus requestMobAndPcBaudrate(LinkHandle handle, std::uint32_t baud) override;
  LinkStatus setNewPcBaudrate(LinkHandle handle, std::uint32_t baud) override;
  LinkStatus switchMobileOn(LinkHandle handle, std::uint32_t bootType) override;
  LinkStatus switchMobileOff(LinkHandle handle) override;
  LinkStatus getCurrentBaudrate(LinkHandle handle, std::uint32_t& baud) override;
  LinkStatus switchFromXtspToQflMode(LinkHandle handle) override;
  LinkStatus readConfData(std::uint32_t& port, std::uint32_t& baud, std::uint32_t& third) override;
  LinkStatus writeConfData(std::uint32_t port, std::uint32_t baud, std::uint32_t third,
                           std::uint32_t flag) override;

  // "Link library " and the library's file name.
  std::string versionText() const override;

 private:
  // The library's functions, all resolved before an object is made.
  struct Functions {
    QFL_L2_Init_Fn init = nullptr;
    QFL_L2_InitThread_Fn initThread = nullptr;
    QFL_L2_OpenCom_Fn openCom = nullptr;
    QFL_L2_CloseCom_Fn closeCom = nullptr;
    QFL_L2_DeInitThread_Fn deInitThread = nullptr;
    QFL_L2_SetPredefinedBootType_Fn setPredefinedBootType = nullptr;
    QFL_L2_PingMobile_Fn pingMobile = nullptr;
    QFL_L2EX_OpenSapi_Fn openSapi = nullptr;
    QFL_L2EX_SendData_Fn sendData = nullptr;
    QFL_L2EX_ReadData_Fn readData = nullptr;
    QFL_L2_RequestMobAndPcBaudrate_Fn requestMobAndPcBaudrate = nullptr;
    QFL_L2_SetNewPcBaudrate_Fn setNewPcBaudrate = nullptr;
    QFL_L2_SwitchMobileOn_Fn switchMobileOn = nullptr;
    QFL_L2_SwitchMobileOff_Fn switchMobileOff = nullptr;
    QFL_L2_GetCurrentBaudrate_Fn getCurrentBaudrate = nullptr;
    QFL_L2_SwitchFromXtspToQflMode_Fn switchFromXtspToQflMode = nullptr;
    QFL_L2_ReadConfData_Fn readConfData = nullptr;
    QFL_L2_WriteConfData_Fn writeConfData = nullptr;
  };

  LibraryLink(std::unique_ptr<QLibrary> library, const Functions& functions);

  std::unique_ptr<QLibrary> library_;
  Functions fn_;
};

}  // namespace kelvor
