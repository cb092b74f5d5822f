/*
 * FindWindowW.
 */
#include "user/user.h"

namespace plat::user {

void OnWindowCreated(HWND) {}
void OnWindowDestroyed(HWND) {}
void OnWindowTextChanged(HWND) {}
bool IsRemoteWindow(HWND) { return false; }
bool RaiseRemoteWindow(HWND) { return false; }

}  // namespace plat::user

using namespace plat::user;

/* The top-level window with this class and title (NULL: any), or NULL. */
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  for (HWND top : TopLevelWindows()) {
    Window *w = FromHandle(top);
    if (lpClassName && w->cls->name != lpClassName) continue;
    if (lpWindowName && w->text != lpWindowName) continue;
    return top;
  }
  return nullptr;
}
