#include "platform/stream_flags.h"

#include <fcntl.h>

namespace plat {

int streamFlags(char const* mode)
{
    if (mode == nullptr) {
        return -1;
    }
    int access = 0;
    int extra = 0;
    switch (*mode++) {
    case 'r':
        access = O_RDONLY;
        break;
    case 'w':
        access = O_WRONLY;
        break;
    case 'a':
        access = O_WRONLY;
        extra = O_APPEND;
        break;
    default:
        return -1;
    }
    for (; *mode != '\0'; ++mode) {
        if (*mode == '+') {
            access = O_RDWR;
        } else if (*mode != 'b' && *mode != 'e') {
            return -1;
        }
    }
    return access | extra;
}

} // namespace plat
