#include "store/opening.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>

namespace zumivok {

Outcome<int> openRegularFile(Files &files, const QString &path, int flags,
                             StoreError::Action action, struct stat *status)
{
    const int fd = files.open(path, flags | O_NONBLOCK);
    if (fd < 0)
        return Outcome<int>::failure(StoreError::system(action, path, fd));
    struct stat found {};
    std::optional<StoreError> error;
    if (const int failed = files.fstat(fd, &found))
        error = StoreError::system(StoreError::Action::Read, path, failed);
    else if (S_ISDIR(found.st_mode))
        error = StoreError::system(action, path, EISDIR);
    else if (!S_ISREG(found.st_mode))
        error = StoreError::refusal(action, path, StoreError::Reason::NotRegularFile);
    if (error) {
        files.close(fd);
        return Outcome<int>::failure(*error);
    }
    if (status)
        *status = found;
    return {fd, std::nullopt};
}

bool isMissing(const std::optional<StoreError> &error)
{
    return error && error->reason == StoreError::Reason::SystemError && error->error == ENOENT;
}

} // namespace zumivok
