/*
 * res/accel_table.h - accelerator tables behind HACCEL handles.
 *
 * A table is the list of its entries in their order; the first entry that
 * matches a key wins. Handles count up in steps of 4 from their own base.
 * The tables belong to the UI thread.
 */
#ifndef TONBROOK_PLATFORM_RES_ACCEL_TABLE_H
#define TONBROOK_PLATFORM_RES_ACCEL_TABLE_H

#include <windows.h>

#include <vector>

namespace plat {

using AccelTable = std::vector<ACCEL>;

/* Keeps table and returns its new handle. */
HACCEL AddAccelTable(AccelTable table);

/* The table behind h, or nullptr for a handle that names none. */
const AccelTable *FindAccelTable(HACCEL h);

/* Frees the table behind h; false when there is none. */
bool RemoveAccelTable(HACCEL h);

}  // namespace plat

#endif
