"""What a person sees: the virtual X server's screen, read from the framebuffer file that
Xvfb keeps in XWD format (-fbdir), and written out as PNG screenshots."""

import re
import struct
import zlib

_XWD_HEADER = struct.Struct(">25I")
_XWD_COLOR_BYTES = 12


class Frame:
    """One grab of the whole screen; pixel() answers (red, green, blue)."""

    def __init__(self, width, height, stride, pixels):
        self.width = width
        self.height = height
        self._stride = stride
        self._pixels = pixels

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise ValueError(f"({x}, {y}) lies outside the {self.width}x{self.height} screen")
        i = y * self._stride + 4 * x
        blue, green, red = self._pixels[i], self._pixels[i + 1], self._pixels[i + 2]
        return red, green, blue

    def region_rgb(self, x, y, width, height, row_prefix=b""):
        """The rectangle's pixels as bytes red, green, blue, row after row from the top, each
        row led by `row_prefix`."""
        if x < 0 or y < 0 or x + width > self.width or y + height > self.height:
            raise ValueError(f"{width}x{height} at ({x}, {y}) reaches off the screen")
        rows = bytearray()
        for row in range(y, y + height):
            start = row * self._stride + 4 * x
            line = self._pixels[start:start + 4 * width]
            rgb = bytearray(3 * width)
            rgb[0::3] = line[2::4]
            rgb[1::3] = line[1::4]
            rgb[2::3] = line[0::4]
            rows += row_prefix + rgb
        return bytes(rows)

    def has_run(self, rgb, tolerance, length, row_step):
        """Whether some row, of every row_step-th, holds `length` pixels in a row within
        `tolerance` of `rgb`: a flat patch that size, found without reading every pixel."""
        def span(level):
            low, high = max(0, level - tolerance), min(255, level + tolerance)
            return b"[" + re.escape(bytes([low])) + b"-" + re.escape(bytes([high])) + b"]"
        red, green, blue = rgb
        pixel = span(blue) + span(green) + span(red) + b"."  # B, G, R, pad
        pattern = re.compile(b"(?:" + pixel + b"){%d}" % length, re.DOTALL)
        for y in range(0, self.height, row_step):
            line = bytes(self._pixels[y * self._stride:y * self._stride + 4 * self.width])
            if any(m.start() % 4 == 0 for m in pattern.finditer(line)):
                return True
        return False

    def count_near(self, rect, rgb, tolerance):
        """How many pixels of the rectangle lie within `tolerance` of `rgb`."""
        x, y, width, height = rect
        data = self.region_rgb(x, y, width, height)
        red, green, blue = rgb
        return sum(1 for i in range(0, len(data), 3)
                   if abs(data[i] - red) <= tolerance and abs(data[i + 1] - green) <= tolerance
                   and abs(data[i + 2] - blue) <= tolerance)

    def save_png(self, path):
        rows = self.region_rgb(0, 0, self.width, self.height, row_prefix=b"\0")  # no filter

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as png:
            png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


class Screen:
    """The framebuffer file of screen 0; each grab() reads it anew."""

    def __init__(self, path):
        self._path = path

    def grab(self):
        with open(self._path, "rb") as xwd:
            data = xwd.read()
        if len(data) < _XWD_HEADER.size:
            raise RuntimeError(f"{self._path} is too short for an XWD header")
        (header_size, version, _fmt, _depth, width, height, _xoffset, byte_order, _unit,
         _bit_order, _pad, bits_per_pixel, stride, _visual, red_mask, green_mask, blue_mask,
         _bits_per_rgb, _entries, colors, *_rest) = _XWD_HEADER.unpack_from(data)
        # The server's 24-bit TrueColor screen, least significant byte first: B, G, R, pad.
        if (version != 7 or bits_per_pixel != 32 or byte_order != 0 or
                (red_mask, green_mask, blue_mask) != (0xFF0000, 0xFF00, 0xFF)):
            raise RuntimeError(f"{self._path}: not a 32-bit little-endian TrueColor screen")
        start = header_size + colors * _XWD_COLOR_BYTES
        if stride < 4 * width or len(data) < start + stride * height:
            raise RuntimeError(f"{self._path} is shorter than its header says")
        return Frame(width, height, stride, memoryview(data)[start:start + stride * height])
