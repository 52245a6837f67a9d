// EDBEngineError and Check.
#include "platform/db_errors.h"

#include "engine/dbi.h"

namespace kx {

EDBEngineError::EDBEngineError(DBIResult code) : EDBEngineError(FromEngine(code)) {}

EDBEngineError::EDBEngineError(DBIResult code, std::string message, std::string engine_message,
                               std::vector<std::string> contexts)
    : EDatabaseError(std::move(message)), code_(code), engine_message_(std::move(engine_message)),
      contexts_(std::move(contexts)) {}

EDBEngineError EDBEngineError::FromEngine(DBIResult code) {
  DBIErrInfo info{};
  DbiGetErrorInfo(1, &info);
  std::string engine_message;
  std::vector<std::string> contexts;
  if (info.iError == code) {
    engine_message = info.szErrCode;
    for (const char* context : {info.szContext1, info.szContext2, info.szContext3, info.szContext4}) {
      if (context[0]) contexts.emplace_back(context);
    }
  } else {
    DBIMSG text{};
    DbiGetErrorString(code, text);
    engine_message = text;
  }
  std::string message = engine_message;
  for (const std::string& c : contexts) message += "\n" + c;
  return EDBEngineError(code, std::move(message), std::move(engine_message), std::move(contexts));
}

void Check(DBIResult status) {
  if (status != 0) throw EDBEngineError(status);
}

}  // namespace kx
