#!/usr/bin/env python3
"""Writes the hand-made catalog fixtures of this folder, byte by byte, with
an encoder of its own (not the program's), so that the reader is checked
against an independent picture of the format. Run it from this folder; the
.cmp files are kept in the tree, so it only needs running after a change."""
import struct


def ext(x):
    """10-byte extended form of a normal double."""
    b = struct.unpack('<Q', struct.pack('<d', x))[0]
    s, e, f = b >> 63, (b >> 52) & 0x7FF, b & ((1 << 52) - 1)
    if x == 0:
        return bytes(9) + bytes([0x80 if s else 0])
    assert 0 < e < 0x7FF
    sig = (1 << 63) | (f << 11)
    return sig.to_bytes(8, 'little') + ((s << 15) | (e - 1023 + 16383)).to_bytes(2, 'little')


def f5(x):  # float, tag 5
    return b'\x05' + ext(x)


def f21(x):  # float, tag 21 (8-byte double)
    return b'\x15' + struct.pack('<d', x)


def i(v):  # smallest integer tag
    if -128 <= v <= 127:
        return b'\x02' + struct.pack('<b', v)
    if -32768 <= v <= 32767:
        return b'\x03' + struct.pack('<h', v)
    return b'\x04' + struct.pack('<i', v)


def s6(raw):  # text, tag 6, bytes as given (Windows-1252)
    return b'\x06' + bytes([len(raw)]) + raw


def s20(text):
    raw = text.encode('utf-8')
    return b'\x14' + struct.pack('<i', len(raw)) + raw


def lst(items):
    return b'\x01' + b''.join(items) + b'\x00'


def slot(raw, filler=0):
    return bytes([len(raw)]) + raw + bytes([filler]) * (255 - len(raw))


def numbers(refrig, lo_hi, unused=b'\x00' * 4):
    return struct.pack('<i', refrig) + unused + struct.pack('<4d', *lo_hi)


def coef(values):
    return struct.pack('<9d', *values)


QE = [10.5, 0.31, 0.0042, -0.052, -0.0003, -0.0011, 0.00001, 0.000002, -0.0000001]
PW = [1.2, -0.01, 0.0001, 0.03, 0.0002, 0.0004, -0.000003, 0.000001, 0.0]

# "v 1.00": 552-byte header, no sgRef, no phase flags; the unused bytes of the
# Manufacturer slot and the 4 bytes after the refrigerant number are not zero.
v100 = (slot(b'Quillbarrow compressor file v 1.00')
        + slot(b'K\xe4lte-Werk', filler=0x5A)
        + numbers(22, (-30.0, 10.0, 30.0, 60.0), unused=b'\xaa\xbb\xcc\xdd'))
assert len(v100) == 552
v100 += lst([
    # model 1: table and coefficients, floats in every accepted tag
    s6(b'ZB15 old') + s6(b'R22 10\xb0C') + i(60) + f5(0.9) + i(11) + f21(8.25)
    + b'\x01\x01' + coef(QE) + coef(PW)
    + lst([i(-10), f5(0.0)]) + lst([i(40), f21(50.0)])
    + lst([lst([i(0), i(1)]), lst([i(2), i(0)])])
    + lst([lst([f5(5000.5), i(6000)]), lst([i(-99), f5(4000.25)])])
    + lst([lst([f5(1.5), f5(1.75)]), lst([f5(2.0), f5(-99.0)])]),
    # model 2: neither
    s6(b'ZB21 old') + s6(b'') + i(50) + f5(0.95) + f5(7.5) + f5(5.0) + b'\x00\x00',
]) + b'\xff\xfe trailing bytes are never read'
open('v100.cmp', 'wb').write(v100)

# "v 1.01": 552-byte header, phase flags stored, no sgRef.
v101 = (slot(b'Quillbarrow compressor file v 1.01') + slot(b'Quillbarrow')
        + numbers(502, (-40.0, -5.0, 25.0, 50.0)))
v101 += lst([
    s6(b'LT-3') + s6(b'Low temperature') + i(50) + f5(0.85) + f5(10.0) + f5(0.0)
    + b'\x08\x09' + b'\x00\x01'
    + lst([f5(-40.0), f5(-30.0), f5(-20.0)]) + lst([f5(50.0), f5(40.0)])
    + lst([lst([i(0), i(0), i(0)]), lst([i(0), i(1), i(0)])])
    + lst([lst([f5(800.0), f5(1200.0), f5(1700.0)]), lst([f5(900.0), f5(1350.0), f5(1900.0)])])
    + lst([lst([f5(0.9), f5(1.0), f5(1.1)]), lst([f5(0.8), f5(0.9), f5(1.0)])]),
])
open('v101.cmp', 'wb').write(v101)

# "v 1.02": 808-byte header with its own Make, no sgRef; a table row shorter
# than the te list and a missing row keep zeros.
v102 = (slot(b'Quillbarrow compressor file v 1.02') + slot(b'Quillbarrow') + slot(b'Maker Two')
        + numbers(134, (-25.0, 10.0, 40.0, 60.0)))
assert len(v102) == 808
v102 += lst([
    s6(b'MT-9') + s20('Medium temperature \u00b0C') + i(60) + f5(0.95) + f5(11.0) + f5(8.3)
    + b'\x09\x08' + b'\x01\x01' + coef(QE) + coef(PW)
    + lst([f5(-10.0), f5(0.0)]) + lst([f5(40.0), f5(50.0)])
    + lst([lst([i(0)])])
    + lst([lst([f5(3000.0), f5(4000.0)])])
    + lst([]),
])
open('v102.cmp', 'wb').write(v102)

# "v 1.03": the current layout exactly as the program writes it (texts and
# unused bytes zero), so that reading and writing it again gives these bytes.
v103 = (slot(b'Quillbarrow compressor file v 1.03') + slot(b'Quillbarrow') + slot(b'Maker Three')
        + numbers(22, (-25.0, 10.0, 40.0, 60.0)))
v103 += lst([
    s6(b'ZR144KCE') + s20('Scroll 12 m\u00b3/h') + i(50) + f5(0.9) + f5(11.0) + f5(20.0) + f5(8.3)
    + b'\x09\x09' + b'\x01\x01' + coef(QE) + coef(PW)
    + lst([f5(-20.0), f5(-10.0), f5(0.0)]) + lst([f5(40.0), f5(50.0)])
    + lst([lst([i(0), i(0), i(1)]), lst([i(0), i(2), i(0)])])
    + lst([lst([f5(9000.0), f5(13000.0), f5(18000.0)]), lst([f5(8000.0), f5(-99.0), f5(16500.0)])])
    + lst([lst([f5(3.1), f5(3.3), f5(3.4)]), lst([f5(3.9), f5(-99.0), f5(4.2)])]),
    s6(b'ZR190KCE') + s6(b'') + i(60) + f5(0.9) + f5(11.0) + f5(-300.0) + f5(8.3)
    + b'\x08\x09' + b'\x01\x00' + coef(QE) + coef(PW),
])
open('v103.cmp', 'wb').write(v103)
