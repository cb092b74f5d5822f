/*
 * user/findwnd.h - the directory through which processes of one user find
 * each other's top-level windows.
 *
 * Each top-level window with a class and a title listens on a Unix socket in
 * the user's runtime directory, named by a hash of class and title; a
 * FindWindowW that finds nothing claims the name in the same step for the
 * window the process is about to create (see findwnd.cpp). Another
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

/* $XDG_RUNTIME_DIR/<program>, or $TMPDIR/<program>-<uid> (/tmp without
 * TMPDIR) when XDG_RUNTIME_DIR is not set, created mode 0700, where
 * <program> is the program's name (host::ProgramName). A folder that
 * cannot be made or is not a folder of ours that only we may enter (a
 * symbolic link, a file, another owner, open permissions) is never used:
 * the process says so once in one line on standard error and takes the
 * $TMPDIR one instead, or, when that is no better, none (empty). */
std::string RuntimeDir();

/* Gives back every name this process still holds, stopping the threads
 * that answer on them: called where the program ends, before its globals
 * are destroyed (and from atexit for a program that ends otherwise). */
void ReleaseNames();

/* The socket path of a class and title; empty without a runtime directory. */
std::string SocketPath(const std::u16string &cls, const std::u16string &title);

/* The request bytes and the answers of the protocol. */
constexpr char kAskFind = 'F';
constexpr char kAskRaise = 'R';
constexpr char kYes = '1';
constexpr char kNo = '0';

}  // namespace plat::user

#endif
