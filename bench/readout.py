#!/usr/bin/python3
# The module's data logger read out into an export file by a short pyserial script, as a user
# could write it instead of ql50-cli logger-dump: bench/compare_python.sh measures both.
#   readout.py DEVICE BAUD FILE
import struct, sys
import serial

def request(reg, kind):  # "(" address op type register d0..d3 checksum ")", a read at address 0
    body = bytes([0, 0, kind, reg, 0, 0, 0, 0])
    return b"(" + body + bytes([xor(body)]) + b")"

def xor(data):
    check = 0
    for b in data: check ^= b
    return check

HUNDREDTH = struct.unpack("f", struct.pack("f", 0.01))[0]  # the module's single precision
line = serial.Serial(sys.argv[1], int(sys.argv[2]), timeout=3)
line.write(request(55, 2))  # the fill level, then the stream, answered once before it starts
line.read(11)
line.write(request(54, 4))
line.read(11)
record = b""
with open(sys.argv[3], "wb") as out:
    out.write(b"date\ttime\t[%]\t[mg/l]\t[\xb0C]\n")
    while len(frame := line.read(11)) == 11:  # ends after 3 s without a frame
        if frame[0] != 0x28 or frame[10] != 0x29 or xor(frame[1:9]) != frame[9]: continue
        record += frame[7:9]
        if frame[8] != 0xFF: continue
        if len(record) == 10:
            r = record
            mg = struct.unpack("f", struct.pack("f", (r[6] + 255 * r[7]) * HUNDREDTH))[0]
            text = "%02u.%02u.%02u\t%02u:%02u\t%u\t%.1f\t%d\t\n" % (
                *r[:5], r[5], mg, struct.unpack("b", r[8:9])[0])
            out.write(text[:15].encode() + text[15:].replace(".", ",").encode())
        record = b""
