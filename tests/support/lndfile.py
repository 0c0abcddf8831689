"""Landscape files for the tests, built record by record in Python,
independently of the programs under test, and the paths of those programs.

- LandscapeFile and its records (Block, LoRes, Country, Material) write small
  landscapes, well-formed or faulty.
- program_path() finds a program under test through the environment
  variable that ctest sets (LNDVIEW, LNDTOOL).
"""

import os
import struct
import unittest


def require_pillow():
    """Pillow, the outside reader of our pictures; a test without it is
    skipped with a message, never passed silently."""
    try:
        import PIL  # noqa: F401
    except ImportError:
        raise unittest.SkipTest("Pillow is not installed (Debian package python3-pil)")


def program_path(variable, name):
    """The absolute path of a program under test, from the environment
    variable ctest sets (LNDVIEW, LNDTOOL)."""
    path = os.environ.get(variable)
    if not path:
        raise RuntimeError("%s is not set: point it at the %s binary (ctest sets it)" % (variable, name))
    if not os.access(path, os.X_OK):
        raise RuntimeError("%s=%s is not an executable file" % (variable, path))
    return os.path.abspath(path)


# ---------------------------------------------------------------------------
# Landscape files
# ---------------------------------------------------------------------------

HEADER_SIZE = 1052
LORES_SIZE = 65680
LORES_RECORD_SIZE = 65664  # the RecordSize field of a well-formed record
BLOCK_SIZE = 2520
COUNTRY_SIZE = 3076
MATERIAL_SIZE = 131074
DETAIL_MAP_SIZE = 65536
GRID = 17  # grid points per block side


def dds_header(width=256, height=256):
    """The 124-byte DDS surface header of a width x height DXT3 image without mipmaps."""
    caps, height_flag, width_flag, pixel_format, linear_size = 0x1, 0x2, 0x4, 0x1000, 0x80000
    flags = caps | height_flag | width_flag | pixel_format | linear_size
    header = struct.pack("<7I", 124, flags, height, width, width * height, 0, 0) + bytes(44)
    header += struct.pack("<2I4s5I", 32, 0x4, b"DXT3", 0, 0, 0, 0, 0)  # pixel format: four-cc
    header += struct.pack("<4I", 0x1000, 0, 0, 0) + bytes(4)           # caps: texture
    assert len(header) == 124
    return header


def dxt3_solid(rgb):
    """65536 bytes of DXT3 blocks (256 x 256 pixels) of one opaque colour."""
    r, g, b = rgb
    colour = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
    block = b"\xff" * 8 + struct.pack("<HHI", colour, colour, 0)
    return block * (64 * 64)


class Block:
    """One block: 17 x 17 cells of (altitude, country index, split flag)."""

    def __init__(self, altitude=0, country=0, split=False, lores_index=0, origin=(0.0, 0.0)):
        self.altitude = [[altitude] * GRID for _ in range(GRID)]
        self.country = [[country] * GRID for _ in range(GRID)]
        self.split = [[split] * GRID for _ in range(GRID)]
        self.lores_index = lores_index
        self.origin = origin

    def to_bytes(self):
        cells = bytearray()
        for r in range(GRID):
            for c in range(GRID):
                attributes = (self.country[r][c] & 0x0F) | (0x80 if self.split[r][c] else 0)
                cells += struct.pack("<BBB5x", self.altitude[r][c], 0, attributes)
        data = bytes(4) + bytes(cells) + bytes(180)
        data += struct.pack("<iff", self.lores_index, self.origin[0], self.origin[1]) + bytes(12)
        assert len(data) == BLOCK_SIZE
        return data


class LoRes:
    """One LoRes texture record of a solid colour."""

    def __init__(self, rgb=(200, 120, 40), record_size=LORES_RECORD_SIZE, width=256, height=256):
        self.rgb = rgb
        self.record_size = record_size
        self.width = width
        self.height = height

    def to_bytes(self):
        data = bytes(16) + struct.pack("<i", self.record_size) + dds_header(self.width, self.height)
        data += dxt3_solid(self.rgb)
        assert len(data) == LORES_SIZE
        return data


class Country:
    """A country that picks the same materials and weight at every altitude."""

    def __init__(self, material_a=0, material_b=0, weight=255):
        self.entries = [(material_a, material_b, weight)] * 256

    def to_bytes(self):
        data = bytes(4) + b"".join(struct.pack("<III", *e) for e in self.entries)
        assert len(data) == COUNTRY_SIZE
        return data


class Material:
    """A material whose 256 x 256 texels all hold one 16-bit value."""

    def __init__(self, value=0x8000):
        self.value = value

    def to_bytes(self):
        return bytes(2) + struct.pack("<H", self.value) * (256 * 256)


# Where the camera looks at start-up: the block of map row 16, column 17
# lies right under the pivot point.
CENTRE_ROW, CENTRE_COLUMN = 16, 17


class LandscapeFile:
    """A landscape file built from records; the header counts follow the
    record lists unless overridden (to write faulty headers)."""

    def __init__(self, blocks=(), countries=(), materials=(), lores=(), detail=0):
        self.blocks = list(blocks)
        self.countries = list(countries)
        self.materials = list(materials)
        self.lores = list(lores)
        self.detail = detail
        self.block_map = bytearray(32 * 32)
        self.block_count_plus_one = None
        self.country_count = None
        self.material_count = None
        self.lores_count = None

    @classmethod
    def small(cls, blocks=2, countries=2, materials=3, lores=1):
        """A well-formed landscape: blocks side by side at the start-up view."""
        land = cls(blocks=[Block(altitude=10 * k, country=k % countries if countries else 0,
                                 lores_index=k % lores if lores else 0) for k in range(blocks)],
                   countries=[Country(k % materials if materials else 0, (k + 1) % materials if materials else 0,
                                      128) for k in range(countries)],
                   materials=[Material(0x2000 * (k + 1)) for k in range(materials)],
                   lores=[LoRes() for _ in range(lores)])
        for k in range(blocks):
            land.place(k + 1, CENTRE_ROW, CENTRE_COLUMN - k)
        # Block k + 1 lies west of block k: its column 16 is their shared edge, stored
        # twice, and a well-formed landscape stores it once in value.
        for k in range(blocks - 1):
            west, east = land.blocks[k + 1], land.blocks[k]
            for r in range(GRID):
                west.altitude[r][GRID - 1] = east.altitude[r][0]
                west.country[r][GRID - 1] = east.country[r][0]
        return land

    def place(self, value, row, column):
        self.block_map[32 * row + column] = value
        return self

    def header(self):
        plus_one = len(self.blocks) + 1 if self.block_count_plus_one is None else self.block_count_plus_one
        materials = len(self.materials) if self.material_count is None else self.material_count
        countries = len(self.countries) if self.country_count is None else self.country_count
        lores = len(self.lores) if self.lores_count is None else self.lores_count
        data = struct.pack("<i", plus_one) + bytes(self.block_map) + struct.pack("<ii", materials, countries)
        data += bytes(12) + struct.pack("<I", lores)
        assert len(data) == HEADER_SIZE
        return data

    def to_bytes(self):
        parts = [self.header()]
        parts += [t.to_bytes() for t in self.lores]
        parts += [b.to_bytes() for b in self.blocks]
        parts += [c.to_bytes() for c in self.countries]
        parts += [m.to_bytes() for m in self.materials]
        parts.append(bytes([self.detail]) * DETAIL_MAP_SIZE)
        return b"".join(parts)

    def write(self, path, truncate_to=None):
        data = self.to_bytes()
        if truncate_to is not None:
            data = data[:truncate_to]
        with open(path, "wb") as f:
            f.write(data)
        return path


def required_length(blocks, countries, materials, lores):
    """Bytes that a file with these counts needs, up to the end of its detail map."""
    return (HEADER_SIZE + LORES_SIZE * lores + BLOCK_SIZE * blocks + COUNTRY_SIZE * countries
            + MATERIAL_SIZE * materials + DETAIL_MAP_SIZE)


DDS_FILE_SIZE = 4 + LORES_SIZE - 20  # "DDS " and record bytes 20 to the end


# ---------------------------------------------------------------------------
# Landscape bytes, read and written independently of the programs
# ---------------------------------------------------------------------------


def header_counts(data):
    """(block count, country count, material count, LoRes count) as stored."""
    plus_one, = struct.unpack_from("<i", data, 0)
    materials, countries = struct.unpack_from("<ii", data, 1028)
    lores, = struct.unpack_from("<I", data, 1048)
    return plus_one - 1, countries, materials, lores


def block_map(data):
    """The 32 x 32 map as rows of bytes (row b, column a at data[4 + 32 b + a])."""
    return [data[4 + 32 * b:4 + 32 * b + 32] for b in range(32)]


def dds_of_record(landscape_bytes, i):
    """What a DDS file of LoRes texture i must hold: "DDS " and bytes 20 to the
    end of the record found at the fixed stride."""
    start = HEADER_SIZE + LORES_SIZE * i
    return b"DDS " + landscape_bytes[start + 20:start + LORES_SIZE]


def pattern_image(seed):
    """65536 bytes of DXT3 blocks whose pixels all take colour0 or colour1
    (no interpolated colours), with varied alpha, and line-end bytes
    0x0A / 0x0D in the first block."""
    out = bytearray()
    for n in range(64 * 64):
        v = (n * 2654435761 + seed * 40503 + 12345) & 0xFFFFFFFF
        alpha = struct.pack("<Q", (v * 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF)
        indices = bytes((v >> (8 * k)) & 0x55 for k in range(4))  # every 2-bit index 0 or 1
        out += alpha + struct.pack("<HH", v & 0xFFFF, v >> 16) + indices
    out[0:8] = b"\r\n\n\r\x0a\x0d\r\n"
    return bytes(out)


class PatternLoRes(LoRes):
    """A LoRes record with a patterned image, nonzero reserved bytes (which no
    export may copy) and line-end bytes in the reserved part of its DdsHeader."""

    def __init__(self, seed, record_size=LORES_RECORD_SIZE):
        super().__init__(record_size=record_size)
        self.seed = seed

    def to_bytes(self):
        header = bytearray(dds_header())
        header[28:32] = b"\r\n\n\r"  # the header's first reserved field
        data = bytes(range(0xF0, 0x100)) + struct.pack("<i", self.record_size) + bytes(header)
        data += pattern_image(self.seed)
        assert len(data) == LORES_SIZE
        return data


class RawLoRes(LoRes):
    """A LoRes record with a DdsHeader given as 124 bytes."""

    def __init__(self, header):
        super().__init__()
        self.raw_header = header

    def to_bytes(self):
        data = bytes(16) + struct.pack("<i", self.record_size) + self.raw_header + bytes(LORES_SIZE - 144)
        assert len(data) == LORES_SIZE
        return data


# ---------------------------------------------------------------------------
# Running the tool
# ---------------------------------------------------------------------------
