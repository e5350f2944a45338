#include "LibraryLink.h"

#include <QFileInfo>

namespace kelvor {
namespace {

// The two trailing arguments of QFL_L2EX_SendData, which the library wants as 0.
constexpr std::uint32_t SendDataReserved = 0;

// Resolves functions by name and remembers the first one the library lacks.
class Resolver {
 public:
  explicit Resolver(QLibrary& library) : library_(library) {}

  template <typename Fn>
  void operator()(const char* name, Fn& fn) {
    // QFunctionPointer is void(*)(), which converts to every function pointer type.
    fn = reinterpret_cast<Fn>(library_.resolve(name));
    if (fn == nullptr && missing_ == nullptr) {
      missing_ = name;
    }
  }

  const char* missing() const { return missing_; }

 private:
  QLibrary& library_;
  const char* missing_ = nullptr;
};

// Without a trailing full stop, so that it ends our own sentence.
std::string withoutFullStop(const QString& text) {
  std::string result = text.trimmed().toStdString();
  while (!result.empty() && result.back() == '.') {
    result.pop_back();
  }
  return result;
}

}  // namespace

std::unique_ptr<LibraryLink> LibraryLink::load(const std::string& path, std::string& error) {
  const QString fileName = QString::fromStdString(path);
  const QFileInfo info(fileName);
  if (path.empty()) {
    error = "No link library path is given.";
    return nullptr;
  }
  if (!info.isAbsolute()) {
    error = "The link library path " + path + " is not absolute.";
    return nullptr;
  }
  if (!info.exists()) {
    error = "The link library " + path + " does not exist.";
    return nullptr;
  }
  if (!info.isFile()) {
    error = "The link library " + path + " is not a file.";
    return nullptr;
  }

  // With an absolute path to a file that exists, QLibrary tries that file alone and no other
  // name or folder.
  auto library = std::make_unique<QLibrary>(fileName);
  if (!library->load()) {
    error = "The link library " + path +
            " could not be loaded: " + withoutFullStop(library->errorString()) + ".";
    return nullptr;
  }

  Functions fn;
  Resolver resolve(*library);
  resolve("QFL_L2_Init", fn.init);
  resolve("QFL_L2_InitThread", fn.initThread);
  resolve("QFL_L2_OpenCom", fn.openCom);
  resolve("QFL_L2_CloseCom", fn.closeCom);
  resolve("QFL_L2_DeInitThread", fn.deInitThread);
  resolve("QFL_L2_SetPredefinedBootType", fn.setPredefinedBootType);
  resolve("QFL_L2_PingMobile", fn.pingMobile);
  resolve("QFL_L2EX_OpenSapi", fn.openSapi);
  resolve("QFL_L2EX_SendData", fn.sendData);
  resolve("QFL_L2EX_ReadData", fn.readData);
  resolve("QFL_L2_RequestMobAndPcBaudrate", fn.requestMobAndPcBaudrate);
  resolve("QFL_L2_SetNewPcBaudrate", fn.setNewPcBaudrate);
  resolve("QFL_L2_SwitchMobileOn", fn.switchMobileOn);
  resolve("QFL_L2_SwitchMobileOff", fn.switchMobileOff);
  resolve("QFL_L2_GetCurrentBaudrate", fn.getCurrentBaudrate);
  resolve("QFL_L2_SwitchFromXtspToQflMode", fn.switchFromXtspToQflMode);
  resolve("QFL_L2_ReadConfData", fn.readConfData);
  resolve("QFL_L2_WriteConfData", fn.writeConfData);
  if (resolve.missing() != nullptr) {
    error = "The link library " + path + " has no function " + resolve.missing() + ".";
    library->unload();
    return nullptr;
  }
  return std::unique_ptr<LibraryLink>(new LibraryLink(std::move(library), fn));
}

LibraryLink::LibraryLink(std::unique_ptr<QLibrary> library, const Functions& functions)
    : library_(std::move(library)), fn_(functions) {}

LibraryLink::~LibraryLink() {
  library_->unload();
}

LinkStatus LibraryLink::init(std::uint32_t mode) {
  return fn_.init(mode);
}

LinkHandle LibraryLink::initThread() {
  return fn_.initThread();
}

LinkStatus LibraryLink::openCom(LinkHandle handle, std::uint32_t& port) {
  return fn_.openCom(handle, &port);
}

LinkStatus LibraryLink::closeCom(LinkHandle handle) {
  return fn_.closeCom(handle);
}

LinkStatus LibraryLink::deInitThread(LinkHandle handle) {
  return fn_.deInitThread(handle);
}

std::uint32_t LibraryLink::setPredefinedBootType(std::uint32_t bootType) {
  return fn_.setPredefinedBootType(bootType);
}

LinkStatus LibraryLink::pingMobile(LinkHandle handle) {
  return fn_.pingMobile(handle);
}

LinkStatus LibraryLink::openSapi(LinkHandle handle, std::uint8_t sapi) {
  return fn_.openSapi(handle, sapi);
}

LinkStatus LibraryLink::sendData(LinkHandle handle, const std::uint8_t* data, std::uint16_t count,
                                 std::uint8_t sapi) {
  return fn_.sendData(handle, data, count, sapi, SendDataReserved, SendDataReserved);
}

LinkStatus LibraryLink::readData(LinkHandle handle, std::uint8_t* buffer, std::uint16_t& length,
                                 std::uint8_t& sapi) {
  return fn_.readData(handle, buffer, &length, &sapi);
}

LinkStatus LibraryLink::requestMobAndPcBaudrate(LinkHandle handle, std::uint32_t baud) {
  return fn_.requestMobAndPcBaudrate(handle, baud);
}

LinkStatus LibraryLink::setNewPcBaudrate(LinkHandle handle, std::uint32_t baud) {
  return fn_.setNewPcBaudrate(handle, baud);
}

LinkStatus LibraryLink::switchMobileOn(LinkHandle handle, std::uint32_t bootType) {
  return fn_.switchMobileOn(handle, bootType);
}

LinkStatus LibraryLink::switchMobileOff(LinkHandle handle) {
  return fn_.switchMobileOff(handle);
}

LinkStatus LibraryLink::getCurrentBaudrate(LinkHandle handle, std::uint32_t& baud) {
  return fn_.getCurrentBaudrate(handle, &baud);
}

LinkStatus LibraryLink::switchFromXtspToQflMode(LinkHandle handle) {
  return fn_.switchFromXtspToQflMode(handle);
}

LinkStatus LibraryLink::readConfData(std::uint32_t& port, std::uint32_t& baud,
                                     std::uint32_t& third) {
  return fn_.readConfData(&port, &baud, &third);
}

LinkStatus LibraryLink::writeConfData(std::uint32_t port, std::uint32_t baud, std::uint32_t third,
                                      std::uint32_t flag) {
  return fn_.writeConfData(port, baud, third, flag);
}

std::string LibraryLink::versionText() const {
  return "Link library " + QFileInfo(library_->fileName()).fileName().toStdString();
}

}  // namespace kelvor
