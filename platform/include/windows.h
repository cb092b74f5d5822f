/*
 * windows.h - the handheld's API as the application sees it.
 */
#ifndef TONBROOK_WINDOWS_H
#define TONBROOK_WINDOWS_H

#include <windef.h>
#include <winbase.h>
#include <winuser.h>

#endif
