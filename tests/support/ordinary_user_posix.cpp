#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/ordinary_user.h"

namespace testing_support {

UserRun run_as_ordinary_user(const std::function<bool()>& body)
{
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() == 0 && nobody == nullptr) return UserRun::impossible;
    const uid_t uid = nobody != nullptr ? nobody->pw_uid : 0;
    const gid_t gid = nobody != nullptr ? nobody->pw_gid : 0;
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0 ||
                               geteuid() == 0)) {
            _exit(3);
        }
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return UserRun::failed;
    if (WEXITSTATUS(status) == 3) return UserRun::impossible;
    return WEXITSTATUS(status) == 0 ? UserRun::passed : UserRun::failed;
}

bool hand_to_ordinary_user(const std::string& path)
{
    if (geteuid() != 0) return true;
    const passwd* nobody = getpwnam("nobody");
    return nobody != nullptr && chown(path.c_str(), nobody->pw_uid, nobody->pw_gid) == 0;
}

}  // namespace testing_support
