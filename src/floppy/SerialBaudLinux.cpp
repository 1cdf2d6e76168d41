// Rates outside the Bxxx table (10000 is how the host tells a Greaseweazle to
// drop what it is doing) need the kernel's termios2, whose definitions clash
// with <termios.h>; so this file includes the kernel's header alone.
#ifdef __linux__
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace gw {

bool SetArbitraryBaud(int fd, unsigned baud) {
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    tio.c_cflag |= BOTHER;
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace gw
#endif
