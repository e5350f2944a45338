#include "link/LinkResult.h"

namespace kelvor {

std::string_view linkResultName(LinkResult result) {
  switch (result) {
    case LinkResult::Success:
      return "Success";
    case LinkResult::InitFailed:
      return "InitFailed";
    case LinkResult::NoThreadHandle:
      return "NoThreadHandle";
    case LinkResult::OpenComFailed:
      return "OpenComFailed";
    case LinkResult::CloseComFailed:
      return "CloseComFailed";
    case LinkResult::PingUnanswered:
      return "PingUnanswered";
    case LinkResult::EnableTraceFailed:
      return "EnableTraceFailed";
    case LinkResult::DisableTraceFailed:
      return "DisableTraceFailed";
    case LinkResult::DeInitThreadFailed:
      return "DeInitThreadFailed";
    case LinkResult::NoBuffer:
      return "NoBuffer";
    case LinkResult::ReadFailed:
      return "ReadFailed";
    case LinkResult::FrameSizeFailed:
      return "FrameSizeFailed";
    case LinkResult::FrameSizeChanged:
      return "FrameSizeChanged";
    case LinkResult::MobileAndPcBaudFailed:
      return "MobileAndPcBaudFailed";
    case LinkResult::PcBaudFailed:
      return "PcBaudFailed";
    case LinkResult::OpenSapiFailed:
      return "OpenSapiFailed";
    case LinkResult::BaudStepFailed:
      return "BaudStepFailed";
    case LinkResult::SwitchOnFailed:
      return "SwitchOnFailed";
    case LinkResult::SwitchOffFailed:
      return "SwitchOffFailed";
    case LinkResult::TraceNotEnabledOnPhone:
      return "TraceNotEnabledOnPhone";
  }
  return "Unknown";
}

}  // namespace kelvor
