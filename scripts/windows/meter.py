#!/usr/bin/env python3
"""A meter on a pseudo-terminal for the Windows end-to-end run: prints the device path,
writes down every byte the program sends (to the file given), and after "D" + CR sends a
frame every 100 ms until "J" + CR or the given seconds have passed."""
import os, sys, time, tty, select

log_path, seconds = sys.argv[1], float(sys.argv[2])
master, slave = os.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)
received = b""
sending = False
end = time.time() + seconds
next_frame = 0.0
frame = b"\x020456,0567,0123,0234,2,1\r"  # 45.6 m/s red, 12.3 m/s yellow
while time.time() < end:
    r, _, _ = select.select([master], [], [], 0.02)
    if r:
        try:
            data = os.read(master, 256)
        except OSError:
            data = b""
        received += data
        with open(log_path, "wb") as f:
            f.write(received)
        if b"D\r" in received:
            sending = True
        if received.endswith(b"J\r"):
            sending = False
    if sending and time.time() >= next_frame:
        os.write(master, frame)
        next_frame = time.time() + 0.1
