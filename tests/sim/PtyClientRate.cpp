// Kept apart: <asm/termbits.h> clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tbtest {

bool setLineRate(int fd, int baud)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) < 0)
        return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ospeed = unsigned(baud);
    t.c_ispeed = unsigned(baud);
    return ioctl(fd, TCSETS2, &t) == 0;
}

} // namespace tbtest
