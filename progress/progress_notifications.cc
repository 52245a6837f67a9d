// The engine's notifications as the window shows them: generic progress
// (percentages, phase starts, messages) and restructure steps.
//
// Each text is composed in a 128-character buffer with wsprintfA, which cuts
// what does not fit (an index name may be 260 characters). The engine's
// texts are read only up to the end of their fields, so a field without its
// terminator cannot make a handler read past the notification.
#include <cstring>
#include <string>

#include "platform/application.h"
#include "platform/windows_api.h"
#include "progress/tkx_progress.h"

namespace kx {
namespace {

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

}  // namespace

CBRType TkxProgress::GenProgressCallback(void* CBInfo) {
  CBPROGRESSDesc info;
  std::memcpy(&info, CBInfo, sizeof info);
  char text[DBIMAXMSGLEN + 1];
  switch (info.iPercentDone) {
    case -1:
      prgBar->Visible = true;
      if (FVisiMode) {
        while (prgBar->FPosition < prgBar->FMax) {
          prgBar->StepIt();
          Application->ProcessMessages();
          Sleep(50);
        }
      }
      wsprintfA(text, "%s", FieldText(info.szMsg));
      Label2->Caption = text;
      break;
    case 0:
      if (!FRestructuring) {
        wsprintfA(text, "Rebuilding Index No. %d ", FIndexNo);
        Label1->Caption = text;
        ++FIndexNo;
      }
      prgBar->Max = 100;
      prgBar->Position = 0;
      prgBar->Visible = true;
      break;
    default:
      prgBar->Position = info.iPercentDone;
      break;
  }
  Application->ProcessMessages();
  return cbrUSEDEF;
}

CBRType TkxProgress::RestructureCallback(void* CBInfo) {
  RESTCbDesc info;
  std::memcpy(&info, CBInfo, sizeof info);
  char text[DBIMAXMSGLEN + 1];
  switch (info.eRestrObjType) {
    case restrNEWFLD:
      wsprintfA(text, "Adding Field : %s", FieldText(info.uObjDesc.fldDesc.szName));
      break;
    case restrOLDFLD:
      wsprintfA(text, "Dropping Field : %s", FieldText(info.uObjDesc.fldDesc.szName));
      break;
    case restrNEWINDEX:
      if (info.uObjDesc.idxDesc.bPrimary != 0) wsprintfA(text, "Adding Primary Index ... ");
      else wsprintfA(text, "Adding Index : %s", FieldText(info.uObjDesc.idxDesc.szName));
      break;
    case restrOLDINDEX:
      if (info.uObjDesc.idxDesc.bPrimary != 0) wsprintfA(text, "Removeing Primary Index ... ");
      else wsprintfA(text, "Removeing Index : %s", FieldText(info.uObjDesc.idxDesc.szName));
      break;
    case restrOLDRINT:
      wsprintfA(text, "%s", FieldText(info.uObjDesc.rintDesc.szRintName));
      break;
    case restrNEWSEC:
    case restrOLDSEC:
      wsprintfA(text, "%s", FieldText(info.uObjDesc.secDesc.szPassword));
      break;
    case restrNEWTABLE:
      wsprintfA(text, "Creating temporary %s", "Table");
      break;
    default:
      wsprintfA(text, " Processing ... ");
      break;
  }
  Label2->Caption = text;
  Application->ProcessMessages();
  return cbrUSEDEF;
}

}  // namespace kx
