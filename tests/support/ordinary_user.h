// Runs a piece of a test as an ordinary user. CI runs as root, which may write any file; a
// test about permissions forks a child that drops to the user nobody first.
#pragma once
#include <functional>
#include <string>

namespace testing_support {

enum class UserRun { passed, failed, impossible };

// body runs in a forked child: as nobody when this process is root, else as this process's
// own (already ordinary) user. passed/failed is body's verdict; impossible when the user
// could not be changed, and always on Windows (no fork, no user to become). Files body needs
// must be reachable by that user.
UserRun run_as_ordinary_user(const std::function<bool()>& body);
// Gives path (not its contents) to the user that run_as_ordinary_user runs as, so that the
// body may write there; nothing to do when this process is not root. False when it failed.
bool hand_to_ordinary_user(const std::string& path);

}  // namespace testing_support
