#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/.

Seeds are small, real inputs that reach deep into each parser: frames of the
demo's own command stream, the built-in pictures, hand-made edge cases. The
command-stream seeds come from a capture of a whole demo run:

    handheld-sim --fast --capture demo.cap -- sh -c 'coreseed bin/renderer.img && lumenfall'
    python3 fuzz/make_corpus.py demo.cap

Run it again only when a format changes; the fuzzers add their own finds to
the corpus folders as they run.
"""
import re
import struct
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
RING = 262139  # words in the command FIFO

OP_FACET, OP_SET_CP, OP_SHOW = 9, 2, 6


def words(*values):
    return struct.pack("<%dI" % len(values), *[v & 0xFFFFFFFF for v in values])


def read_capture(path):
    """Records of a capture as (kind, payload words)."""
    data = Path(path).read_bytes()
    ws = struct.unpack("<%dI" % (len(data) // 4), data)
    records, i = [], 0
    while i < len(ws):
        kind, length = ws[i] >> 24, ws[i] & 0xFFFFFF
        records.append((kind, list(ws[i + 1:i + 1 + length])))
        i += 1 + length
    return records


def frames(records):
    """The records of each frame, a frame ending with its show."""
    out, current = [], []
    for kind, payload in records:
        current.append((kind, payload))
        if kind == 1 and payload[0] == OP_SHOW:
            out.append(current)
            current = []
    return out


def fnv1a_words(values):
    """The texture digest: 64-bit FNV-1a over the words' little-endian bytes."""
    h = 0xCBF29CE484222325
    for b in words(*values):
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def capture_bytes(records):
    return b"".join(words((kind << 24) | len(p), *p) for kind, p in records)


def fifo_seed(mode, read_param, write_param, records):
    """A renderer_fifo input: its 9-byte header and the command words."""
    cmds = [w for kind, p in records if kind == 1 for w in p]
    return bytes([mode]) + words(read_param, write_param) + words(*cmds)


def scene2_frame(all_frames):
    """A frame of the second scene with clip planes and the cast picture."""
    for frame in all_frames[1700:]:
        types = {p[4] for kind, p in frame if kind == 1 and p[0] == OP_FACET}
        if any(kind == 1 and p[0] == OP_SET_CP for kind, p in frame) and {3, 4, 6} <= types:
            return frame
    raise SystemExit("no frame of the second scene with types 3, 4 and 6 found")


def packed_array(name):
    text = (ROOT / "demo" / "pictures" / ("packed_%s.cpp" % name)).read_text()
    body = text[text.index("{") + 1:text.index("}")]
    return bytes(int(v, 0) for v in re.findall(r"\b(?:0x[0-9a-fA-F]+|\d+)\b", body))


def pbm_raw(plain_text):
    """A plain PBM turned into its raw (P4) form."""
    tokens = re.sub(r"#[^\n]*", "", plain_text).split()
    width, height = int(tokens[1]), int(tokens[2])
    bits = "".join(tokens[3:])
    rows = []
    for y in range(height):
        row = bits[y * width:(y + 1) * width].ljust((width + 7) // 8 * 8, "0")
        rows.append(bytes(int(row[i:i + 8], 2) for i in range(0, len(row), 8)))
    return b"P4\n%d %d\n" % (width, height) + b"".join(rows)


def png_chunk(tag, body):
    return struct.pack(">I", len(body)) + tag + body + struct.pack(
        ">I", zlib.crc32(tag + body) & 0xFFFFFFFF)


def png_claiming(width, height, raw):
    """An 8-bit RGB PNG whose header says width x height, over raw rows."""
    return (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def png(width, height, pixel):
    """An 8-bit RGB PNG filled by pixel(x, y) -> (r, g, b)."""
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width))
                   for y in range(height))
    return png_claiming(width, height, raw)


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_corpus.py CAPTURE")
    records = read_capture(sys.argv[1])
    all_frames = frames(records)
    first = all_frames[0] + all_frames[1]
    inside = scene2_frame(all_frames)

    # renderer_fifo: real frames from word 0 and across the ring's end, a
    # command still being written, corrupt indexes, each error once.
    write("renderer_fifo", "first_frames", fifo_seed(0x00, 0, 0, first))
    write("renderer_fifo", "second_scene_frame", fifo_seed(0x50, 0, 0, inside))
    write("renderer_fifo", "wrapping", fifo_seed(0x01, 40, 0, first))
    write("renderer_fifo", "partly_written", fifo_seed(0x04, 0, 3, first))
    write("renderer_fifo", "bad_indexes", fifo_seed(0x0A, 0xFFFFFFFF, RING, first[:3]))
    malformed = [
        (1, [77]),                                     # unknown opcode
        (1, [OP_FACET, 0, 0, 0, 0]),                   # no vertices
        (1, [OP_FACET, 65, 0, 0, 0]),                  # too many vertices
        (1, [3, 0x7400000 - 16, 12, 2]),               # buffer past video memory
        (1, [1, 17, -161, -121, 161, 121, 96, 3]),     # dproj too large
        (1, [1, 8, -161, -121, 161, 121, 0, 3]),       # no shading octave
        (1, [OP_SET_CP, 6] + [0] * 30),                # too many planes
        (1, [OP_FACET, 3, 0, 0, 7, 0, 0, -65536, 0, 0, 0, 65536, 0, -65536, 0, 0, 0,
             0, 65536, -65536, 0, 0, 0]),              # bad type, no output buffer
        (1, [OP_SHOW, 0, 13, 1]),                      # show of a too wide buffer
    ]
    write("renderer_fifo", "malformed", fifo_seed(0x80, 0, 0, malformed))

    # packed_picture: the four built-in pictures, and one cut short.
    for name in ("pic1", "pic2", "pic3", "pic4"):
        write("packed_picture", name, packed_array(name))
    write("packed_picture", "pic1_truncated", packed_array("pic1")[:700])

    # picture_sources: byte 0 even for PBM, odd for a C++ array.
    pic4_plain = (ROOT / "demo" / "pictures" / "sources" / "pic4.pbm").read_text()
    write("picture_sources", "pic4_raw_pbm", b"\0" + pbm_raw(pic4_plain))
    write("picture_sources", "plain_pbm", b"\0P1\n# a comment\n4 2\n0 1 1 0\n1001\n")
    write("picture_sources", "raw_pbm_padded", b"\0P4 9 2\n\xff\x80\x00\x00")
    # Found by fuzzing: a header alone claiming 4 GiB of pixels.
    write("picture_sources", "huge_header_no_raster", b"\0P4 65535 65535\n")
    write("picture_sources", "pic4_array", b"\1" + (ROOT / "demo" / "pictures" / "packed_pic4.cpp").read_bytes())
    write("picture_sources", "named_array",
          b"\3// two arrays\nconst uint8_t pic1[] = {1, 2};\n"
          b"const unsigned char pic2[] = { 0x10, 017, /* x */ 255u, };\n")

    # capture: the first frames with their texture hashes, a frame of the
    # second scene, and one damaged record.
    write("capture", "first_frames", capture_bytes(first))
    write("capture", "second_scene_frame", capture_bytes(inside))
    write("capture", "unknown_opcode_and_header_only_facet",
          capture_bytes([(1, [77]), (1, [OP_FACET, 65, 0, 0, 0]), (2, [1, 2])]))
    write("capture", "truncated", capture_bytes(first[:4])[:-6])
    # Found by fuzzing: a facet record of one word, whose header fields the
    # printer read past the end.
    write("capture", "one_word_facet", capture_bytes([(1, [77]), (1, [OP_FACET])]) + words(0x41))

    # capture_replay: the first frames with the menu texture's compressed
    # contents, a small texture stored as it is, a selection without
    # contents, contents that do not hash to their name, and a hash that
    # follows no selection.
    write("capture_replay", "first_frames", capture_bytes(first))
    texels = [0x80108010, 0x80EB80EB, 0x6E29F029, 0xF0525A52]
    digest = fnv1a_words(texels)
    stored = (3, [digest & 0xFFFFFFFF, digest >> 32, 1, 2, 0, 16] + texels)
    select = (1, [4, 0x100, 1, 2])
    hashed = (2, [digest & 0xFFFFFFFF, digest >> 32])
    write("capture_replay", "stored_texture", capture_bytes([select, stored, hashed]))
    write("capture_replay", "no_contents", capture_bytes([select, hashed, (1, [OP_SHOW, 0, 9, 250])]))
    damaged = (3, stored[1][:6] + [texels[0] ^ 1] + texels[1:])
    write("capture_replay", "damaged_contents", capture_bytes([select, damaged, hashed]))
    write("capture_replay", "stray_hash", capture_bytes([(1, [0]), hashed]))

    # coreseed_args: arguments separated by zero bytes, then the image size.
    write("coreseed_args", "file_only", b"renderer.img")
    write("coreseed_args", "hex_offset", b"0x100\0renderer.img\0\0\0\0\0\0\0\0\x40")
    write("coreseed_args", "octal_offset_near_end", b"0177777700\0renderer.img\0\0\0\0\0\0\0\1\0")
    write("coreseed_args", "negative_offset", b"-1\0renderer.img")
    write("coreseed_args", "extra_arguments", b"renderer.img\0x\0y")

    # menu_picture: the screen's size as PNG, small PPMs of every kind.
    write("menu_picture", "screen.png", png(320, 240, lambda x, y: (200, 200, 200) if y < 16 else (40, 60, 120 + x // 40)))
    write("menu_picture", "tiny.png", png(2, 2, lambda x, y: (255 * x, 255 * y, 0)))
    write("menu_picture", "huge_header.png", png_claiming(5000, 5000, b"\0" * 16))
    write("menu_picture", "comment.ppm", b"P6\n# menu\n2 1\n255\n\xff\x00\x00\x00\xff\x00")
    write("menu_picture", "sixteen_bit.ppm", b"P6 1 1 65535\n\xff\xff\x80\x00\x00\x01")
    write("menu_picture", "truncated.ppm", b"P6 320 240 255\n" + b"\x10" * 300)


if __name__ == "__main__":
    main()
