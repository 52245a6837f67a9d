// TBDECallback: one registration of an engine callback for as long as the
// object lives.
//
// The constructor registers `event` for callbacks of `type` through
// DbiRegisterCallBack; the engine writes each notification into `buffer`
// (`size` bytes, the caller's storage, which must outlive the object) and the
// event gets a pointer to it. With `chain`, a registration that already
// existed for the type is remembered: each notification is passed on to it
// after the event (its answer counts when the event answers cbrUSEDEF), and
// it is registered again when this object is destroyed. Registrations of one
// type must end in the reverse order of their creation; one that is no longer
// the engine's current registration at destruction leaves the engine alone.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/dbi_types.h"
#include "platform/persistent.h"

namespace kx {

using TBDECallbackEvent = std::function<CBRType(void* info)>;

class TBDECallback : public TObject {
 public:
  TBDECallback(TObject* owner, hDBICur handle, CBType type, void* buffer, std::uint16_t size,
               TBDECallbackEvent event, bool chain);
  ~TBDECallback() override;
  TBDECallback(const TBDECallback&) = delete;
  TBDECallback& operator=(const TBDECallback&) = delete;
  const char* ClassName() const override { return "TBDECallback"; }

  CBType Type() const { return type_; }

 private:
  static CBRType Invoke(CBType type, std::uintptr_t client_data, void* info);
  CBRType Deliver(void* info);

  hDBICur handle_;
  CBType type_;
  void* buffer_;
  std::uint16_t size_;
  TBDECallbackEvent event_;
  bool chain_;
  struct Previous {
    std::uintptr_t client_data = 0;
    std::uint16_t size = 0;
    void* buffer = nullptr;
    pfDBICallBack callback = nullptr;
  } previous_;
};

}  // namespace kx
