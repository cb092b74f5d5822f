/*
 * Accelerator tables and their translation of key messages into commands.
 */
#include "user/accel.h"

#include <memory>
#include <unordered_map>

#include "kernel/lock.h"

namespace plat::user {
namespace {

Mutex g_lock;
std::unordered_map<HACCEL, std::unique_ptr<AccelTable>> g_tables;

bool Down(int vk) { return GetKeyState(vk) < 0; }

/* Whether an entry stands for this key message under the present key state:
 * a virtual key on WM_KEYDOWN/WM_SYSKEYDOWN with exactly the modifiers it
 * names, a character on WM_CHAR/WM_SYSCHAR. */
bool Matches(const ACCEL &a, const MSG &msg) {
  bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  bool charMsg = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
  if (a.fVirt & FVIRTKEY) {
    if (!keyDown || a.key != (WORD)msg.wParam) return false;
    return ((a.fVirt & FCONTROL) != 0) == Down(VK_CONTROL) &&
           ((a.fVirt & FSHIFT) != 0) == Down(VK_SHIFT) && ((a.fVirt & FALT) != 0) == Down(VK_MENU);
  }
  if (!charMsg || a.key != (WORD)msg.wParam) return false;
  return ((a.fVirt & FALT) != 0) == Down(VK_MENU);
}

}  // namespace

HACCEL MakeAccelTable(std::vector<ACCEL> entries) {
  if (entries.empty()) return nullptr;
  auto table = std::make_unique<AccelTable>(AccelTable{std::move(entries)});
  HACCEL handle = (HACCEL)table.get();
  Guard hold(g_lock);
  g_tables[handle] = std::move(table);
  return handle;
}

const AccelTable *FromAccel(HACCEL haccel) {
  Guard hold(g_lock);
  auto it = g_tables.find(haccel);
  return it == g_tables.end() ? nullptr : it->second.get();
}

}  // namespace plat::user

using namespace plat::user;

/* A table of cAccel entries copied from paccel; NULL when there are none. */
HACCEL CreateAcceleratorTableW(LPACCEL paccel, int cAccel) {
  if (!paccel || cAccel <= 0) return nullptr;
  return MakeAccelTable(std::vector<ACCEL>(paccel, paccel + cAccel));
}

/* Frees a table. FALSE for a handle that is no table. */
BOOL DestroyAcceleratorTable(HACCEL hAccel) {
  plat::Guard hold(g_lock);
  return g_tables.erase(hAccel) ? TRUE : FALSE;
}

/* If the key message matches an entry of the table, sends WM_COMMAND with
 * the entry's command and notification code 1 to hWnd, the window the caller
 * names, and returns nonzero: the caller does not dispatch the message.
 * Returns 0 for no match, no table or no window. */
int TranslateAcceleratorW(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
  const AccelTable *table = FromAccel(hAccTable);
  if (!table || !lpMsg || !IsWindow(hWnd)) return 0;
  for (const ACCEL &a : table->entries) {
    if (Matches(a, *lpMsg)) {
      SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
      return 1;
    }
  }
  return 0;
}
