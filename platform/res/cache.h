/*
 * res/cache.h - shared objects made from resources (icons, accelerator
 * tables): the second load of a resource returns the first one's handle.
 */
#ifndef TONBROOK_PLATFORM_RES_CACHE_H
#define TONBROOK_PLATFORM_RES_CACHE_H

#include <windows.h>

#include <unordered_map>

#include "res/module.h"

namespace plat::res {

/* release frees an object whose resources are gone. */
template <class H, bool (*release)(H)>
class SharedHandles {
 public:
  /* The handle made for e before, or NULL. Frees and forgets every object
   * when the module's resources have changed since they were made. */
  H Find(const ResEntry *e) {
    if (generation_ != Generation()) {
      for (auto &[entry, h] : handles_) release(h);
      handles_.clear();
      generation_ = Generation();
    }
    auto it = handles_.find(e);
    return it == handles_.end() ? nullptr : it->second;
  }

  H Remember(const ResEntry *e, H h) {
    if (h) handles_[e] = h;
    return h;
  }

 private:
  unsigned generation_ = 0;
  std::unordered_map<const ResEntry *, H> handles_;
};

}  // namespace plat::res

#endif
