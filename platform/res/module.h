/*
 * res/module.h - the module's resources: the compiled resource file linked
 * into the executable, or one a test puts in its place.
 *
 * The executable provides its resources by linking a definition of the
 * symbols plat_module_res_begin and plat_module_res_end around the bytes of
 * its .res file; without them the module has no resources. Everything here
 * belongs to the UI thread.
 */
#ifndef TONBROOK_PLATFORM_RES_MODULE_H
#define TONBROOK_PLATFORM_RES_MODULE_H

#include <windows.h>

#include <optional>
#include <vector>

#include "res/resfile.h"

extern "C" {
extern const unsigned char plat_module_res_begin[] __attribute__((weak));
extern const unsigned char plat_module_res_end[] __attribute__((weak));
}

namespace plat {

/* The instance handle of the executable, as the host hands it to WinMain. */
HINSTANCE ModuleInstance();

/* Puts a copy of the resource file in pv/cb in place of the module's
 * resources; pv NULL goes back to the linked ones. Handles, icons and
 * accelerator tables from the resources before are invalid afterwards.
 * Returns false, and leaves the module without resources, when the block is
 * not a well-formed resource file. */
bool SetModuleResources(const void *pv, size_t cb);

}  // namespace plat

namespace plat::res {

/* Every entry of the module's resources, in file order. */
const std::vector<ResEntry> &Entries();

/* The first byte of an entry's data. */
const BYTE *DataOf(const ResEntry &e);

/* The entry of the given type and name: in language lang when given, else
 * in English (United States) if there, else in the first language found.
 * nullptr when there is none. */
const ResEntry *FindEntry(const ResId &type, const ResId &name,
                          std::optional<WORD> lang = std::nullopt);

/* The id that a MAKEINTRESOURCE value or a string (where "#123" is the
 * ordinal 123) stands for; nothing for NULL. Names compare without regard
 * to ASCII case, as resource compilers store them upper-cased. */
std::optional<ResId> IdFromParam(LPCWSTR psz);

/* FindEntry with API-style arguments; nullptr for NULL arguments. */
const ResEntry *FindEntryW(LPCWSTR lpName, LPCWSTR lpType);

/* Handle and entry, both ways; EntryOf gives nullptr for a handle that
 * names no entry of the current resources. */
HRSRC HandleOf(const ResEntry *e);
const ResEntry *EntryOf(HRSRC h);

/* The bytes from p to the end of the resource data that holds p, or 0 when
 * p lies in no resource (a template handed over by address alone is read
 * within these bounds). */
size_t BytesAfter(const void *p);

/* Counts the changes of the module's resources, so that caches of objects
 * made from them know when to drop them. */
unsigned Generation();

}  // namespace plat::res

#endif
