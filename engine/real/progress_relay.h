// ProgressRelay: turns the storage engine's progress into the engine's
// callback notifications (generic progress and restructure steps).
#pragma once

#include <cstring>

#include "engine/engine.h"
#include "storage/api/table_api.h"

namespace kx {

class ProgressRelay : public storage::ProgressSink {
 public:
  void PhaseStart(const std::string& what) override { Progress(0, what); }
  void Percent(int percent) override {
    if (percent > 0) Progress(percent > 100 ? 100 : percent, {});
  }
  void Message(const std::string& text) override { Progress(-1, text); }
  void RestructureStep(std::uint32_t kind, const std::string& name) override {
    RESTCbDesc d{};
    d.eRestrObjType = kind;
    if (kind == restrNEWINDEX || kind == restrOLDINDEX)
      CopyName(d.uObjDesc.idxDesc.szName, name.c_str());
    else
      CopyName(d.uObjDesc.fldDesc.szName, name.c_str());
    NotifyCallback(cbRESTRUCTURE, &d, sizeof d);
  }

 private:
  static void Progress(int percent, const std::string& text) {
    CBPROGRESSDesc d{};
    d.iPercentDone = static_cast<std::int16_t>(percent);
    CopyName(d.szMsg, text.c_str());
    NotifyCallback(cbGENPROGRESS, &d, sizeof d);
  }
};

}  // namespace kx
