/*
 * winres_api.h - the program's own resources: finding and loading them,
 * strings, icons, bitmaps, accelerator tables, and the layouts of the menu
 * and dialog templates.
 *
 * The process is one module: every instance or module handle names the
 * resources linked into the executable, and so does NULL except for icons
 * and bitmaps, where NULL asks for the system's own (there are none).
 */
#ifndef TONBROOK_WINRES_API_H
#define TONBROOK_WINRES_API_H

#include <windef.h>
#include <winuser.h>

#ifndef RC_INVOKED

/* A resource name or type given by number instead of by string. */

#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_FONTDIR MAKEINTRESOURCE(7)
#define RT_FONT MAKEINTRESOURCE(8)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_MESSAGETABLE MAKEINTRESOURCE(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_VERSION MAKEINTRESOURCE(16)

/* Languages */
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define PRIMARYLANGID(l) ((WORD)(l) & 0x3ff)
#define SUBLANGID(l) ((WORD)(l) >> 10)
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01

/* Menu item flags of a menu template */
#define MF_STRING 0x0000
#define MF_GRAYED 0x0001
#define MF_DISABLED 0x0002
#define MF_CHECKED 0x0008
#define MF_POPUP 0x0010
#define MF_MENUBARBREAK 0x0020
#define MF_MENUBREAK 0x0040
#define MF_END 0x0080
#define MF_SEPARATOR 0x0800

/* The dialog templates (DLGTEMPLATE, DLGITEMTEMPLATE) are in winuser.h. */

/* Finds the resource lpName of type lpType, in English (United States) when
 * the module has it in several languages. Returns NULL when there is none. */
HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
/* The same in the language wLanguage only. */
HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
/* The data of a found resource, read-only, alive as long as the module;
 * NULL for a handle FindResourceW did not return. */
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
/* The address of loaded resource data (the handle itself). */
LPVOID LockResource(HGLOBAL hResData);
/* The size in bytes of a found resource; 0 for an unknown handle. */
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);

/* Copies string uID into lpBuffer, cut to cchBufferMax - 1 characters and
 * always terminated; returns the characters copied, 0 when there is no such
 * string. With cchBufferMax 0, stores a read-only pointer to the string
 * itself (not terminated) at lpBuffer and returns its length. */
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
/* The image of icon group lpIconName that suits the 32 x 32 icon size best.
 * The icon is shared: loading it again returns the same handle. NULL when
 * there is no such icon or it cannot be read; NULL for hInstance NULL
 * (there are no system icons). */
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
/* A new bitmap from bitmap resource lpBitmapName; free it with DeleteObject.
 * NULL when there is none or it is not an uncompressed DIB of 1, 4 or 8 bits
 * per pixel; NULL for hInstance NULL (there are no system bitmaps). */
HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName);

#endif /* RC_INVOKED */

#endif
