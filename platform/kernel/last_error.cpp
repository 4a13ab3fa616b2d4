#include "platform/kernel/last_error.h"

#include <errno.h>

#include "win/kernel.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

namespace kernel {

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EDQUOT:
            return ERROR_DISK_QUOTA_EXCEEDED;
        case EFBIG:
            return ERROR_FILE_TOO_LARGE;
        case EIO:
            return ERROR_WRITE_FAULT;
        case EINTR:
            return ERROR_OPERATION_ABORTED;
        case EINVAL:
            return ERROR_INVALID_FUNCTION;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace kernel

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}
