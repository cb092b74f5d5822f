/*
 * user/findwnd.h - the directory through which processes of one user find
 * each other's top-level windows.
 *
 * Each top-level window with a class and a title listens on a Unix socket in
 * the user's runtime directory, named by a hash of class and title. Another
 * process connects, checks that the listener is of its own user, and sends
 * a request: "is this you" (FindWindowW) or "come to the front"
 * (SetForegroundWindow). The listener checks the caller's user the same way
 * and answers; a raise reaches the owner's UI thread as a posted message.
 */
#ifndef TONBROOK_PLATFORM_FINDWND_H
#define TONBROOK_PLATFORM_FINDWND_H

#include <windows.h>

#include <string>

namespace plat::user {

/* $XDG_RUNTIME_DIR/tonbrook, or /tmp/tonbrook-<uid> without it, created
 * mode 0700. Empty when it cannot be made or is not a directory of ours that
 * only we may enter (a symbolic link, another owner, open permissions). */
std::string RuntimeDir();

/* The socket path of a class and title; empty without a runtime directory. */
std::string SocketPath(const std::u16string &cls, const std::u16string &title);

/* The request bytes and the answers of the protocol. */
constexpr char kAskFind = 'F';
constexpr char kAskRaise = 'R';
constexpr char kYes = '1';
constexpr char kNo = '0';

}  // namespace plat::user

#endif
