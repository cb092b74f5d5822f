#include "user/user.h"

namespace plat::user {

void ResetForTest() {
  DestroyAllWindows();
  ForgetTimers();
  ForgetQueue();
  ForgetKeyState();
  ForgetClasses();
}

}  // namespace plat::user
