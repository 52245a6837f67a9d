// The few Windows calls, types and constants that the components use.
//
// Sleep, GetTickCount and MessageBoxA go through the installed Platform
// (platform.h), so tests run them on a virtual clock and a scripted user.
// wsprintfA takes its destination as an array, so it knows the size and never
// writes past it: longer results are cut and always zero-terminated.
// PostMessage and SendMessage go through the application object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/format_core.h"

namespace kx {

struct HWND__;
using HWND = HWND__*;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD = std::uint32_t;

// A window message as a control's Dispatch sees it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_CAPTION = WS_BORDER | WS_DLGFRAME;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

void Sleep(DWORD milliseconds);
DWORD GetTickCount();
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

bool PostMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT SendMessage(HWND window, UINT msg, WPARAM wparam, LPARAM lparam);

// The %s %d subset of the Windows formatter, bounded by the array's size.
template <std::size_t N, typename... Args>
int wsprintfA(char (&buffer)[N], const char* format, const Args&... args) {
  const TVarRec recs[] = {TVarRec(args)..., TVarRec()};
  return FormatBounded(buffer, N, format, recs, sizeof...(Args));
}

}  // namespace kx
