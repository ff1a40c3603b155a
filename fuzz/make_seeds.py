#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into fuzz/corpus/.

Run from anywhere; the seeds are derived from synthetic templates and from
one sample fingerprint of tests/data/samples.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, '..', 'tests', 'data', 'samples', '101_1.bmp')


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def minutiae(count, seed):
    """A plausible template: types 1 and 2, coordinates inside 388 x 374."""
    out = []
    state = seed
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7fffffff
        out.append((1 + state % 2, 20 + state % 350, 20 + (state >> 9) % 330, 2 * ((state >> 3) % 181)))
    return out


def raw_bytes(ms):
    return b''.join(struct.pack('<4i', *m) for m in ms)


def fmr_record(ms, views=1):
    body = b''
    for t, x, y, a in ms:
        kind = 2 if t == 2 else 1
        body += struct.pack('>HHBB', (kind << 14) | (x & 0x3fff), y & 0x3fff, a // 2, 0)
    header = b'FMR\0' + b' 20\0' + struct.pack('>HHHHHHHH', 32 + 6 * len(ms), 1, 0, 0, 388, 374, 197, 197)
    header += bytes([views, 0, 0, 0, 80, len(ms)])
    return header + body + b'\0\0'


def packed(ms):
    return b''.join(struct.pack('<I', t + 4 * x + 4096 * y + 4194304 * a) for t, x, y, a in ms)


def raw_text(ms):
    lines = ['%d' % len(ms)] + ['%d, %d, %d, %d' % m for m in ms]
    return ('\r\n'.join(lines) + '\r\n').encode()


def record_minutiae(ms, angle):
    """6-byte minutiae of a full record; angle(degrees) gives the unit."""
    return b''.join(struct.pack('>HHBB', ((2 if t == 2 else 1) << 14) | x, y, angle(a), 0)
                    for t, x, y, a in ms)


def iso2005_record(views):
    """views: list of minutiae lists; one view header each, no extended data."""
    body = b''
    for k, ms in enumerate(views):
        body += bytes([k + 1, k << 4, 60, len(ms)])
        body += record_minutiae(ms, lambda a: (a % 360 * 256 + 180) // 360 % 256) + b'\0\0'
    header = b'FMR\0 20\0' + struct.pack('>IHHHHHBB', 24 + len(body), 0, 388, 374, 197, 197, len(views), 0)
    return header + body


def ansi2004_long(ms):
    view = bytes([1, 0, 60, len(ms)]) + record_minutiae(ms, lambda a: a // 2) + b'\0\0'
    header = b'FMR\0 20\0' + struct.pack('>HIHHHHHHHBB', 0, 30 + len(view), 1, 0, 0, 388, 374, 197, 197, 1, 0)
    return header + view


def ansi2009_record(ms):
    view = struct.pack('>BBBBHHHHB', 1, 0, 0, 60, 296, 560, 224, 224, len(ms))
    view += record_minutiae(ms, lambda a: a // 2) + b'\0\0'
    return b'FMR\0' + b'030\0' + struct.pack('>IHHHBB', 20 + len(view), 1, 0, 0, 1, 0) + view


def iso2011_record(ms):
    rep = b'\xff' * 9 + bytes([0]) + struct.pack('>HH', 0, 0)
    rep += bytes([1, 60]) + struct.pack('>HH', 0, 0)  # one quality block
    rep += struct.pack('>BBHHBHHBB', 1, 0, 197, 197, 0, 388, 374, 6 << 4, len(ms))
    rep += record_minutiae(ms, lambda a: (a % 360 * 256 + 180) // 360 % 256) + b'\0\0'
    rep = struct.pack('>I', 4 + len(rep)) + rep
    return b'FMR\0' + b'030\0' + struct.pack('>IHB', 15 + len(rep), 1, 0) + rep


def card_record(ms):
    return b''.join(bytes([x * 508 // 1000, y * 508 // 1000, ((2 if t == 2 else 1) << 6) | (a % 360 * 64 // 360)])
                    for t, x, y, a in ms)


def png_grey(width, height, pixels):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    rows = b''.join(b'\0' + pixels[r * width:(r + 1) * width] for r in range(height))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 0, 0, 0, 0))
            + chunk(b'pHYs', struct.pack('>IIB', 22402, 22402, 1))
            + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))


def bitmap(width, height, pixels):
    stride = (width + 3) // 4 * 4
    rows = b''
    for r in range(height):
        row = pixels[r * width:(r + 1) * width]
        rows += row + b'\0' * (stride - width)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(rows), 19685, 19685, 256, 0)
    palette = b''.join(bytes([g, g, g, 0]) for g in range(256))
    head = b'BM' + struct.pack('<IHHI', 14 + 40 + 1024 + len(rows), 0, 0, 1078)
    return head + info + palette + rows


def crc32c(data, crc=0):
    """CRC-32C (Castagnoli), as the gallery file uses it."""
    crc ^= 0xffffffff
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ (0x82f63b78 if crc & 1 else 0)
    return crc ^ 0xffffffff


def gallery(entries, version=1):
    """A gallery file (search/GALLERY_FORMAT.md) of (identifier, minutiae) entries."""
    header = b'RIDGEGAL' + struct.pack('<IIQI', version, 0, len(entries), 0)
    header += struct.pack('<I', crc32c(header))
    chain = crc32c(header[28:])
    body = b''
    for name, ms in entries:
        entry = bytes([len(name), len(ms)]) + name + raw_bytes(ms)
        check = struct.pack('<I', crc32c(entry))
        chain = crc32c(check, chain)
        body += entry + check
    trailer = b'RIDGEEND' + struct.pack('<QI', len(entries), chain)
    trailer += struct.pack('<I', crc32c(trailer))
    return header + body + trailer


def sample_crop(size):
    """Top-left-aligned crop of the centre of the sample, rows top first."""
    data = open(SAMPLE, 'rb').read()
    width, height = struct.unpack('<ii', data[18:26])
    stride = (width + 3) // 4 * 4
    x0 = (width - size) // 2
    y0 = (height - size) // 2
    out = b''
    for r in range(y0, y0 + size):
        file_row = height - 1 - r
        start = 1078 + file_row * stride + x0
        out += data[start:start + size]
    return out


def main():
    small, full = minutiae(5, 1), minutiae(40, 7)
    write('fuzz_fmr378_to_raw', 'five', fmr_record(small))
    write('fuzz_fmr378_to_raw', 'forty', fmr_record(full))
    write('fuzz_fmr378_to_raw', 'empty', fmr_record([]))
    write('fuzz_fmr378_to_raw', 'no_views', fmr_record(small, views=0))

    write('fuzz_packed_to_raw', 'five', packed(small))
    write('fuzz_packed_to_raw', 'forty', packed(full))

    write('fuzz_load_raw_txt', 'five', raw_text(small))
    write('fuzz_load_raw_txt', 'compact', b'2\n1,120,87,34\n\n2,5,6,360\n')
    write('fuzz_load_raw_txt', 'empty', b'0\n')

    write('fuzz_bmp_to_grey_image', 'even', bitmap(8, 4, bytes(range(32))))
    write('fuzz_bmp_to_grey_image', 'padded', bitmap(5, 3, bytes(range(15))))

    # Byte 0 even: the bytes as they are; odd: minutia by minutia, each a
    # shape byte (0 keeps the fields as they are) and four fields.
    split = struct.pack('<BHB', 0, 16 * 20, 0)
    write('fuzz_match_raw', 'genuine', split + raw_bytes(full[:20]) + raw_bytes(full[5:30]))
    write('fuzz_match_raw', 'small', struct.pack('<BHB', 0, 80, 0) + raw_bytes(small) + raw_bytes(full[:6]))

    def by_fields(a, b):
        return bytes([1, len(a), len(b), 0]) + b''.join(b'\0' + struct.pack('<4i', *m) for m in a + b)
    write('fuzz_match_raw', 'fields_genuine', by_fields(full[:30], full[3:40]))
    grid = [(2, 100 + (i % 16) * 12, 100 + (i // 16) * 25, -(i * 97)) for i in range(128)]
    write('fuzz_match_raw', 'fields_negative_angles', by_fields(grid, full))

    write('fuzz_fmr378_record', 'five', fmr_record(small))
    write('fuzz_fmr378_record', 'long_form', ansi2004_long(small))
    write('fuzz_iso2005_record', 'two_views', iso2005_record([small, full[:9]]))
    write('fuzz_iso2005_record', 'forty', iso2005_record([full]))
    write('fuzz_iso_card_record', 'five', card_record(small))
    write('fuzz_ansi2009_record', 'five', ansi2009_record(small))
    write('fuzz_iso2011_record', 'five', iso2011_record(small))

    write('fuzz_image_decode', 'pgm', bytes([47]) + b'P5\n# seed\n6 4\n255\n' + bytes(range(0, 240, 10)))
    write('fuzz_image_decode', 'pgm_text', bytes([40]) + b'P2 3 2 1000 0 500 1000 7 8 9\n')
    write('fuzz_image_decode', 'ppm', bytes([20]) + b'P6 2 2 255\n' + bytes(range(12)))
    write('fuzz_image_decode', 'bmp', bytes([40]) + bitmap(5, 3, bytes(range(15))))
    write('fuzz_image_decode', 'png', bytes([47]) + png_grey(7, 5, bytes(range(0, 140, 4))))

    write('fuzz_gallery_load', 'three', gallery([(b'101_1', full), (b'tiny', small), (b'empty', [])]))
    write('fuzz_gallery_load', 'none', gallery([]))
    write('fuzz_gallery_load', 'version_2', gallery([(b'a', small)], version=2))

    side = 160
    crop = sample_crop(side)
    for target in ('fuzz_generate_raw', 'fuzz_image_quality'):
        write(target, 'finger_160', bytes([side - 1, side - 1]) + crop)
        write(target, 'finger_96', bytes([95, 95]) + sample_crop(96))
        write(target, 'flat', bytes([63, 63, 128]))


if __name__ == '__main__':
    main()
