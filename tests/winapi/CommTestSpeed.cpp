// Kept apart: the kernel's termios2 declarations conflict with the C library's termios.h.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace commtest {

unsigned TerminalSpeed(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) return 0;
    return settings.c_ospeed;
}

} // namespace commtest
