#!/usr/bin/env python3
"""Writes the binary resources of setup.exe into one folder:

  SidePicture.bmp  bitmap 101, the wizard's side picture: 120 x 260 pixels,
                   8 bits per pixel, 256-colour palette, uncompressed,
                   bottom-up (32264 bytes without the file header)
  Setup.ico        icon group 102: one 32 x 32 image with 16 colours
  Setup.manifest   the application manifest, 466 bytes of UTF-8 on one line

Everything is computed from integers alone, with no clock and no random
numbers, so that two builds produce the same bytes.

Usage: GenerateArtwork.py OUTPUT_FOLDER
"""

import os
import struct
import sys

SIDE_WIDTH = 120
SIDE_HEIGHT = 260

# The manifest: no XML declaration, the document on one line (the elements
# indented as in a pretty-printed document but joined), ended by a line feed.
MANIFEST = (
    '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">'
    '    <assemblyIdentity version="5.0.0.0" processorArchitecture="x86"'
    ' name="Orvane.Software.OrvUnInst" type="win32"/>'
    '    <dependency>'
    '        <dependentAssembly>'
    '            <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls"'
    ' version="6.0.0.0" processorArchitecture="X86" publicKeyToken="6595b64144ccf1df"'
    ' language="*"/>'
    '        </dependentAssembly>'
    '    </dependency>'
    '</assembly>\n'
)
MANIFEST_SIZE = 466


def bitmap_info_header(width, height, bits, image_size, colours):
    """A BITMAPINFOHEADER: uncompressed (BI_RGB), one plane, no resolution."""
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def blend(a, b, t, scale):
    """The colour t/scale of the way from a to b, channel by channel."""
    return tuple((ca * (scale - t) + cb * t) // scale for ca, cb in zip(a, b))


def side_palette():
    """Entries 0-191: the background, from deep blue at the top to a pale
    blue-grey at the bottom. Entries 192-255: the light, from a warm white
    down to the background's middle tone."""
    top, middle, bottom = (14, 30, 74), (36, 92, 150), (206, 220, 236)
    palette = []
    for i in range(96):
        palette.append(blend(top, middle, i, 96))
    for i in range(96):
        palette.append(blend(middle, bottom, i, 96))
    glow, edge = (255, 248, 224), (90, 150, 200)
    for i in range(64):
        palette.append(blend(glow, edge, i, 64))
    return palette


def side_pixel(x, y):
    """The palette index of pixel (x, y), y counted from the top: a vertical
    gradient with a round light and three thin rings around it near the top,
    and a soft band across the lower third."""
    background = y * 191 // (SIDE_HEIGHT - 1)
    dx, dy = x - 60, y - 78
    distance_squared = dx * dx + dy * dy
    if distance_squared < 26 * 26:
        return 192 + distance_squared * 63 // (26 * 26)
    for radius in (34, 42, 50):
        if radius * radius - radius <= distance_squared <= radius * radius + radius:
            return 192 + 40 + (radius - 34) // 2
    if 176 <= y < 184:
        return min(191, background + 24)
    return background


def side_picture():
    palette = side_palette()
    rows = []
    for y in range(SIDE_HEIGHT):
        rows.append(bytes(side_pixel(x, y) for x in range(SIDE_WIDTH)))
    # A DIB is stored bottom-up: the last row of the picture comes first.
    # Each row of 120 one-byte pixels is already a multiple of four bytes.
    pixels = b''.join(reversed(rows))
    colour_table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    info = bitmap_info_header(SIDE_WIDTH, SIDE_HEIGHT, 8, len(pixels), 256) + colour_table + pixels
    assert len(info) == 32264, len(info)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + len(info), 0, 0, 14 + 40 + len(colour_table))
    return file_header + info


# The 16 colours of the standard VGA palette.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_pixel(x, y):
    """The colour index of icon pixel (x, y), y from the top, or None where the
    icon is transparent: a blue lens with a dark rim and a light spot."""
    dx, dy = 2 * x - 31, 2 * y - 31
    distance_squared = dx * dx + dy * dy
    if distance_squared > 30 * 30:
        return None
    if distance_squared > 26 * 26:
        return 4    # dark blue rim
    sx, sy = 2 * x - 22, 2 * y - 20
    if sx * sx + sy * sy < 8 * 8:
        return 15   # white spot
    if sx * sx + sy * sy < 13 * 13:
        return 11   # yellow glow
    if dy > 10:
        return 6    # teal lower half
    return 12       # blue


def icon():
    size = 32
    xor_rows, and_rows = [], []
    for y in range(size):
        nibbles = [icon_pixel(x, y) for x in range(size)]
        xor_rows.append(bytes(((a or 0) << 4) | (b or 0) for a, b in zip(nibbles[0::2], nibbles[1::2])))
        mask = 0
        for x, value in enumerate(nibbles):
            if value is None:
                mask |= 1 << (size - 1 - x)
        and_rows.append(struct.pack('>I', mask))
    # Both masks are stored bottom-up; the header's height counts them both.
    xor_mask = b''.join(reversed(xor_rows))
    and_mask = b''.join(reversed(and_rows))
    colour_table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA)
    image = bitmap_info_header(size, 2 * size, 4, len(xor_mask) + len(and_mask), 16) + colour_table + xor_mask + and_mask
    assert len(image) == 744, len(image)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def manifest():
    data = MANIFEST.encode('utf-8')
    assert len(data) == MANIFEST_SIZE, len(data)
    return data


def write_if_changed(path, data):
    """Leaves an up-to-date file alone, so that nothing rebuilds without need."""
    if os.path.exists(path):
        with open(path, 'rb') as existing:
            if existing.read() == data:
                return
    with open(path, 'wb') as output:
        output.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_if_changed(os.path.join(folder, 'SidePicture.bmp'), side_picture())
    write_if_changed(os.path.join(folder, 'Setup.ico'), icon())
    write_if_changed(os.path.join(folder, 'Setup.manifest'), manifest())


if __name__ == '__main__':
    main()
