// Windows has no root that may write every file and no user to drop to from a test: the tests
// about other users' files skip there before they come here.
#include "support/ordinary_user.h"

namespace testing_support {

UserRun run_as_ordinary_user(const std::function<bool()>&)
{
    return UserRun::impossible;
}

bool hand_to_ordinary_user(const std::string&)
{
    return true;
}

}  // namespace testing_support
