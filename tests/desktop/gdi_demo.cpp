/*
 * A window with a few shapes and a line of text, for the desktop test:
 * a tap leaves a green mark where it landed, Ctrl+Q closes the window and
 * ends the program with exit code 0.
 */
#include <windows.h>

#include <vector>

#include "host/desktop.h"

namespace {

std::vector<POINT> g_marks;

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH grey = CreateSolidBrush(RGB(100, 100, 100));
  FillRect(hdc, &rc, grey);
  DeleteObject(grey);

  RECT red{20, 20, 60, 40};
  HBRUSH redBrush = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(hdc, &red, redBrush);
  DeleteObject(redBrush);

  HPEN orange = CreatePen(PS_SOLID, 1, RGB(255, 100, 0));
  HGDIOBJ oldPen = SelectObject(hdc, orange);
  POINT frame[5] = {{10, 60}, {110, 60}, {110, 100}, {10, 100}, {10, 60}};
  Polyline(hdc, frame, 5);
  SelectObject(hdc, oldPen);
  DeleteObject(orange);

  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ oldBrush = SelectObject(hdc, blue);
  Rectangle(hdc, 130, 20, 200, 80);
  SelectObject(hdc, oldBrush);
  DeleteObject(blue);

  SetTextColor(hdc, RGB(255, 255, 255));
  SetBkMode(hdc, TRANSPARENT);
  RECT text{10, 120, 230, 145};
  DrawTextW(hdc, u"Hello, handheld", -1, &text, DT_SINGLELINE | DT_VCENTER);

  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  for (POINT p : g_marks) {
    RECT mark{p.x - 3, p.y - 3, p.x + 3, p.y + 3};
    FillRect(hdc, &mark, green);
  }
  DeleteObject(green);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      g_marks.push_back(POINT{(SHORT)LOWORD(lParam), (SHORT)HIWORD(lParam)});
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      if (wParam == 'Q' && (GetKeyState(VK_CONTROL) & 0x8000)) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

int WINAPI DemoMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = hInstance;
  wc.lpszClassName = u"GDIDEMO";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, u"GDIDEMO", u"GDI demo", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, hInstance, nullptr);
  if (!hwnd) return 2;
  ShowWindow(hwnd, nCmdShow);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return (int)msg.wParam;
}

}  // namespace

int main() { return plat::host::RunProgram(DemoMain, (HINSTANCE)1); }
