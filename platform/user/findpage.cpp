/*
 * FindWindowW in the browser: a page runs one program, and no other process
 * can be reached from it, so a window is looked for among the page's own.
 * One Tonbrook per browser is the page's rule (a Web Lock that a second tab
 * does not get, see web/host.js), not the program's: its FindWindowW for a
 * window of another start finds nothing, as on a handheld where none runs.
 * The names of windows are kept nowhere, and there are no proxies.
 */
#include "user/findwnd.h"
#include "user/user.h"

namespace plat::user {

void OnWindowCreated(HWND) {}

void OnWindowDestroyed(HWND) {}

void OnWindowTextChanged(HWND) {}

void ReleaseNames() {}

bool IsRemoteWindow(HWND) { return false; }

bool RaiseRemoteWindow(HWND) { return false; }

}  // namespace plat::user

/* The top-level window of the page whose class and title are these (NULL:
 * any); NULL when there is none. */
HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  if (lpClassName && IS_INTRESOURCE(lpClassName)) return nullptr;
  return plat::user::FindOwnWindow(lpClassName, lpWindowName);
}
