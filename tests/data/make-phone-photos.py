#!/usr/bin/env python3
"""Makes the small HEIC, AVIF and WebP test photos in tests/data/phone/ with Debian's encoders.

    tests/data/make-phone-photos.py

Every photo shows the same 96 x 64 picture of four flat quadrants, red top left, green top
right, blue bottom left and white bottom right, so that a test can tell how it was turned. The
camera photos carry an EXIF block with a make, a model, the time taken and a GPS position
(22.538333 N, 114.05 E):

    landscape.heic  orientation 1, with a 48 x 32 thumbnail
    portrait.heic   as a phone stores a portrait photo: the sensor's 96 x 64 picture, a container
                    rotation (irot) of a quarter turn clockwise on the picture and on its
                    thumbnail, and EXIF orientation 6 that says the same; upright it is 64 x 96
    portrait.avif   the same in AVIF, without a thumbnail
    portrait.webp   the sensor's picture with EXIF orientation 6 (WebP has no container rotation)
    deep.heic       10 bits a sample, no EXIF
    alpha.webp      lossless 32 x 32, left half opaque red, right half fully transparent
    animated.webp   three frames of 32 x 32: red, green, blue

heif-enc cannot write a container rotation, so this script adds the irot property to the
file heif-enc made (and moves the item locations after it).
"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "phone")
ROOT = os.path.dirname(os.path.dirname(HERE))
PACKAGES = ["libheif-examples", "webp", "libjpeg-turbo-progs", "python3"]

WIDTH, HEIGHT = 96, 64
RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def quadrants(x, y):
    top, left = y < HEIGHT // 2, x < WIDTH // 2
    return (RED if left else GREEN) if top else (BLUE if left else WHITE)


def write_ppm(path, width, height, colour_at):
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes(colour_at(x, y))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height) + pixels)


def write_png(path, width, height, rows, colour_type, depth):
    """rows: the filtered-free scan lines, each without its filter byte."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def exif_tiff(orientation):
    """A little-endian TIFF block: Make, Model, Orientation, then the EXIF and GPS directories."""
    make, model, taken = b"FotaroCam\0", b"Phone 12\0", b"2024:05:06 07:08:09\0"
    main_at = 8
    exif_at = main_at + 2 + 12 * 5 + 4
    gps_at = exif_at + 2 + 12 * 1 + 4
    data_at = gps_at + 2 + 12 * 4 + 4
    data = bytearray()

    def entry(tag, kind, count, value):
        if len(value) <= 4:
            return struct.pack("<HHI", tag, kind, count) + value.ljust(4, b"\0")
        at = data_at + len(data)
        data.extend(value + b"\0" * (len(value) % 2))
        return struct.pack("<HHII", tag, kind, count, at)

    directories = [
        [entry(0x010F, 2, len(make), make), entry(0x0110, 2, len(model), model),
         entry(0x0112, 3, 1, struct.pack("<H", orientation)),
         entry(0x8769, 4, 1, struct.pack("<I", exif_at)), entry(0x8825, 4, 1, struct.pack("<I", gps_at))],
        [entry(0x9003, 2, len(taken), taken)],
        [entry(1, 2, 2, b"N\0"), entry(2, 5, 3, struct.pack("<6i", 22, 1, 32, 1, 1800, 100)),
         entry(3, 2, 2, b"E\0"), entry(4, 5, 3, struct.pack("<6i", 114, 1, 3, 1, 0, 1))],
    ]
    block = bytearray(b"II*\0" + struct.pack("<I", main_at))
    for directory in directories:
        block += struct.pack("<H", len(directory)) + b"".join(directory) + b"\0\0\0\0"
    return bytes(block + data)


def camera_jpeg(path, work, orientation):
    """The quadrant picture as a JPEG whose first segment is an EXIF block."""
    ppm, plain = os.path.join(work, "camera.ppm"), os.path.join(work, "plain.jpg")
    write_ppm(ppm, WIDTH, HEIGHT, quadrants)
    run("cjpeg", "-quality", "95", "-outfile", plain, ppm)
    with open(plain, "rb") as f:
        jpeg = f.read()
    app1 = b"Exif\0\0" + exif_tiff(orientation)
    rest = 2
    if jpeg[2:4] == b"\xff\xe0":  # the JFIF header goes: the EXIF block takes its place
        rest = 4 + struct.unpack(">H", jpeg[4:6])[0]
    with open(path, "wb") as f:
        f.write(jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + jpeg[rest:])


# --- adding a container rotation to a HEIF file ---

def boxes(data, start, end):
    """(type, box start, content start, box end) of each box in data[start:end]."""
    out = []
    while start + 8 <= end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        if size < 8 or start + size > end:
            sys.exit("unexpected box layout")
        out.append((kind, start, start + 8, start + size))
        start += size
    return out


def child(data, parent, kind, full_box=False):
    skip = 4 if full_box else 0
    for found in boxes(data, parent[2] + skip, parent[3]):
        if found[0] == kind:
            return found
    sys.exit("no %s box" % kind.decode())


def shown_pictures(data, meta):
    """Ids of the pictures that are shown: the primary picture and its thumbnail, coded (HEVC, AV1)
    or a grid of hidden tiles (heif-enc makes the thumbnail a grid of one tile)."""
    iinf = child(data, meta, b"iinf", True)
    version = data[iinf[2]]
    first = iinf[2] + 4 + (2 if version == 0 else 4)
    ids = []
    for infe in boxes(data, first, iinf[3]):
        hidden = data[infe[2] + 3] & 1
        item_id, _, item_type = struct.unpack(">HH4s", data[infe[2] + 4:infe[2] + 12])
        if item_type in (b"hvc1", b"av01", b"grid") and not hidden:
            ids.append(item_id)
    return ids


def with_association(data, ipma, items, index):
    """The ipma box with an essential association of property `index` added to `items`."""
    version, flags = data[ipma[2]], int.from_bytes(data[ipma[2] + 1:ipma[2] + 4], "big")
    wide = flags & 1
    at = ipma[2] + 4
    count = struct.unpack(">I", data[at:at + 4])[0]
    body, at = bytearray(data[ipma[2]:at + 4]), at + 4
    for _ in range(count):
        id_size = 2 if version < 1 else 4
        item_id = int.from_bytes(data[at:at + id_size], "big")
        n = data[at + id_size]
        size = id_size + 1 + n * (2 if wide else 1)
        entry = bytearray(data[at:at + size])
        if item_id in items:
            entry[id_size] = n + 1
            entry += struct.pack(">H", 0x8000 | index) if wide else bytes([0x80 | index])
        body += entry
        at += size
    return struct.pack(">I4s", 8 + len(body), b"ipma") + body


def moved_locations(data, iloc, delta, after):
    """The iloc box with every file offset at or beyond `after` moved by `delta`."""
    out = bytearray(data[iloc[1]:iloc[3]])
    base = iloc[2] - iloc[1]
    version = out[base]
    sizes = out[base + 4], out[base + 5]
    offset_size, length_size = sizes[0] >> 4, sizes[0] & 15
    base_size, index_size = sizes[1] >> 4, (sizes[1] & 15) if version in (1, 2) else 0
    at = base + 6
    count_size = 2 if version < 2 else 4
    count = int.from_bytes(out[at:at + count_size], "big")
    at += count_size

    def move(at, size):
        value = int.from_bytes(out[at:at + size], "big")
        if size and value >= after:
            out[at:at + size] = (value + delta).to_bytes(size, "big")

    for _ in range(count):
        at += count_size  # item id
        method = 0
        if version in (1, 2):
            method = int.from_bytes(out[at:at + 2], "big") & 15
            at += 2
        at += 2  # data reference index
        base_at = at
        at += base_size
        extents = int.from_bytes(out[at:at + 2], "big")
        at += 2
        if method == 0:
            move(base_at, base_size)
        for _ in range(extents):
            at += index_size
            if method == 0 and base_size == 0:
                move(at, offset_size)
            at += offset_size + length_size
    return bytes(out)


def add_rotation(path, quarter_turns_anticlockwise):
    with open(path, "rb") as f:
        data = f.read()
    meta = next(b for b in boxes(data, 0, len(data)) if b[0] == b"meta")
    iloc, iprp = child(data, meta, b"iloc", True), child(data, meta, b"iprp", True)
    ipco, ipma = child(data, iprp, b"ipco"), child(data, iprp, b"ipma")
    index = len(boxes(data, ipco[2], ipco[3])) + 1
    irot = struct.pack(">I4sB", 9, b"irot", quarter_turns_anticlockwise & 3)
    new_ipco = data[ipco[1]:ipco[3]] + irot
    new_ipco = struct.pack(">I", len(new_ipco)) + new_ipco[4:]
    new_ipma = with_association(data, ipma, set(shown_pictures(data, meta)), index)
    new_iprp_body = b""
    for box in boxes(data, iprp[2], iprp[3]):
        new_iprp_body += {b"ipco": new_ipco, b"ipma": new_ipma}.get(box[0], data[box[1]:box[3]])
    new_iprp = struct.pack(">I4s", 8 + len(new_iprp_body), b"iprp") + new_iprp_body
    delta = len(new_iprp) - (iprp[3] - iprp[1])
    new_meta_body = data[meta[2]:meta[2] + 4]
    for box in boxes(data, meta[2] + 4, meta[3]):
        if box[0] == b"iprp":
            new_meta_body += new_iprp
        elif box[0] == b"iloc":
            new_meta_body += moved_locations(data, box, delta, meta[3])
        else:
            new_meta_body += data[box[1]:box[3]]
    new_meta = struct.pack(">I4s", 8 + len(new_meta_body), b"meta") + new_meta_body
    with open(path, "wb") as f:
        f.write(data[:meta[1]] + new_meta + data[meta[3]:])


def main():
    subprocess.run([os.path.join(ROOT, "scripts", "install-packages.sh")] + PACKAGES, check=True)
    os.makedirs(OUT, exist_ok=True)
    out = lambda name: os.path.join(OUT, name)
    with tempfile.TemporaryDirectory() as work:
        upright, sideways = os.path.join(work, "o1.jpg"), os.path.join(work, "o6.jpg")
        camera_jpeg(upright, work, 1)
        camera_jpeg(sideways, work, 6)
        run("heif-enc", "-q", "90", "-t", "48", "-o", out("landscape.heic"), upright)
        run("heif-enc", "-q", "90", "-t", "48", "-o", out("portrait.heic"), sideways)
        run("heif-enc", "-q", "90", "-A", "-o", out("portrait.avif"), sideways)
        for name in ("portrait.heic", "portrait.avif"):
            add_rotation(out(name), 3)  # three quarter turns anticlockwise: one clockwise
        run("cwebp", "-quiet", "-q", "90", "-metadata", "exif", sideways, "-o", out("portrait.webp"))

        deep = os.path.join(work, "deep.png")
        write_png(deep, WIDTH, HEIGHT,
                  [b"".join(struct.pack(">3H", *(c * 257 for c in quadrants(x, y))) for x in range(WIDTH))
                   for y in range(HEIGHT)], 2, 16)
        run("heif-enc", "-q", "90", "-b", "10", "-o", out("deep.heic"), deep)

        alpha = os.path.join(work, "alpha.png")
        write_png(alpha, 32, 32, [bytes(RED + (255,)) * 16 + bytes(4) * 16 for _ in range(32)], 6, 8)
        run("cwebp", "-quiet", "-lossless", "-exact", alpha, "-o", out("alpha.webp"))

        frames = []
        for i, colour in enumerate((RED, GREEN, BLUE)):
            frame = os.path.join(work, "frame%d.png" % i)
            write_png(frame, 32, 32, [bytes(colour) * 32 for _ in range(32)], 2, 8)
            frames.append(frame)
        run("img2webp", "-lossless", "-d", "100", *frames, "-o", out("animated.webp"))


if __name__ == "__main__":
    main()
