"""Reads the pixels of a PNG picture in plain Python, so that tests can
compare pictures without an imaging library: 8-bit RGB or RGBA, not
interlaced (what the simulator and the reference pictures use)."""
import struct
import zlib


def _paeth(left, up, corner):
    p = left + up - corner
    pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
    return left if pa <= pb and pa <= pc else up if pb <= pc else corner


def read_png(path):
    """(width, height, rgb): the picture's RGB bytes, row after row, with any
    alpha dropped. Raises ValueError for anything else than 8-bit RGB or
    RGBA without interlacing, OSError when the file cannot be read."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path} is not a PNG")
    pos, idat, header = 8, b"", None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if header is None:
        raise ValueError(f"{path} has no header")
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA, not interlaced")
    step = 3 if colour == 2 else 4
    try:
        raw = zlib.decompress(idat)
    except zlib.error as e:
        raise ValueError(f"{path}: {e}") from e
    stride = width * step
    if len(raw) < height * (stride + 1):
        raise ValueError(f"{path} is truncated")
    out, previous = bytearray(), bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + _paeth(left, up, corner)) & 0xFF
        if step == 3:
            out += line
        else:
            for x in range(0, stride, 4):
                out += line[x:x + 3]
        previous = line
    return width, height, bytes(out)
