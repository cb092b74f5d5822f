/*
 * user/accel.h - accelerator tables.
 *
 * A table is a list of ACCEL entries {fVirt, key, cmd}. LoadAcceleratorsW
 * builds one from the program's resources with MakeAccelTable.
 */
#ifndef TONBROOK_PLATFORM_ACCEL_H
#define TONBROOK_PLATFORM_ACCEL_H

#include <windows.h>

#include <vector>

namespace plat::user {

struct AccelTable {
  std::vector<ACCEL> entries;
};

/* A new table handle holding entries; NULL for an empty list. The table
 * lives until DestroyAcceleratorTable. */
HACCEL MakeAccelTable(std::vector<ACCEL> entries);

/* The table behind a handle, or nullptr. */
const AccelTable *FromAccel(HACCEL haccel);

}  // namespace plat::user

#endif
