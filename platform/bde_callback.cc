// TBDECallback.
#include "platform/bde_callback.h"

#include <cstring>

#include "engine/dbi.h"
#include "platform/db_errors.h"

namespace kx {

TBDECallback::TBDECallback(TObject* owner, hDBICur handle, CBType type, void* buffer, std::uint16_t size,
                           TBDECallbackEvent event, bool chain)
    : handle_(handle), type_(type), buffer_(buffer), size_(size), event_(std::move(event)), chain_(chain) {
  if (chain_) {
    DbiGetCallBack(handle_, type_, &previous_.client_data, &previous_.size, &previous_.buffer,
                   &previous_.callback);
  }
  Check(DbiRegisterCallBack(handle_, type_, reinterpret_cast<std::uintptr_t>(this), size_, buffer_,
                            &TBDECallback::Invoke));
}

TBDECallback::~TBDECallback() {
  std::uintptr_t data = 0;
  std::uint16_t size = 0;
  void* buffer = nullptr;
  pfDBICallBack callback = nullptr;
  DbiGetCallBack(handle_, type_, &data, &size, &buffer, &callback);
  if (callback != &TBDECallback::Invoke || data != reinterpret_cast<std::uintptr_t>(this)) return;
  if (chain_ && previous_.callback) {
    DbiRegisterCallBack(handle_, type_, previous_.client_data, previous_.size, previous_.buffer,
                        previous_.callback);
  } else {
    DbiRegisterCallBack(handle_, type_, 0, 0, nullptr, nullptr);
  }
}

CBRType TBDECallback::Invoke(CBType type, std::uintptr_t client_data, void* info) {
  return reinterpret_cast<TBDECallback*>(client_data)->Deliver(info);
}

CBRType TBDECallback::Deliver(void* info) {
  CBRType answer = event_ ? event_(info) : cbrUSEDEF;
  if (!chain_ || !previous_.callback) return answer;
  if (previous_.buffer && previous_.size && info) {
    std::size_t n = previous_.size < size_ ? previous_.size : size_;
    std::memmove(previous_.buffer, info, n);
  }
  CBRType theirs = previous_.callback(type_, previous_.client_data, previous_.buffer ? previous_.buffer : info);
  return answer == cbrUSEDEF ? theirs : answer;
}

}  // namespace kx
