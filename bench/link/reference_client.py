import os, sys, termios, time, statistics
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
a = termios.tcgetattr(fd); a[0] = a[1] = a[3] = 0; a[2] = termios.CS8 | termios.CREAD | termios.CLOCAL
a[4] = a[5] = termios.B115200; termios.tcsetattr(fd, termios.TCSANOW, a); termios.tcflush(fd, termios.TCIOFLUSH)
frame, times = bytes.fromhex("FFFF4D02063C0800010000 45".replace(" ", "")), []
for _ in range(int(sys.argv[2])):
    t0 = time.perf_counter(); os.write(fd, frame); got = b""
    while len(got) < 18: got += os.read(fd, 64)
    times.append((time.perf_counter() - t0) * 1000)
times.sort(); print("%.3f %.3f" % (statistics.median(times), times[int(len(times) * 0.95)]))
