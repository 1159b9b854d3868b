// Kept apart: <asm/termbits.h> clashes with <termios.h>.
#include "LineRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tbsim {

namespace {
int rateOfCode(unsigned code)
{
    struct Entry {
        unsigned code;
        int rate;
    };
    static constexpr Entry table[] = {
        {B50, 50},         {B75, 75},         {B110, 110},         {B134, 134},       {B150, 150},
        {B200, 200},       {B300, 300},       {B600, 600},         {B1200, 1200},     {B1800, 1800},
        {B2400, 2400},     {B4800, 4800},     {B9600, 9600},       {B19200, 19200},   {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400},   {B460800, 460800}, {B500000, 500000},
        {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000},
    };
    for (const Entry& e : table)
        if (e.code == code)
            return e.rate;
    return 0;
}
} // namespace

int lineBaudRate(int fd)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) < 0)
        return -1;
    if ((t.c_cflag & CBAUD) == BOTHER || t.c_ospeed != 0)
        return int(t.c_ospeed);
    return rateOfCode(t.c_cflag & CBAUD);
}

} // namespace tbsim
