"""A small RGB picture written as a 24-bit Windows bitmap; shared by the
sample-data scripts (standard library only)."""
import struct

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


class Picture:
    def __init__(self, width, height, colour=WHITE):
        self.width = width
        self.height = height
        self.rows = [[colour] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def box(self, x0, y0, x1, y1, colour):
        """Rectangle including (x0, y0), excluding (x1, y1)."""
        for y in range(max(y0, 0), min(y1, self.height)):
            for x in range(max(x0, 0), min(x1, self.width)):
                self.rows[y][x] = colour

    def ring(self, cx, cy, outer, inner, colour):
        """Everything between the radii inner and outer (pixel centres)."""
        for y in range(self.height):
            for x in range(self.width):
                d2 = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2
                if inner * inner <= d2 < outer * outer:
                    self.rows[y][x] = colour

    def outside(self, cx, cy, radius, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 >= radius * radius:
                    self.rows[y][x] = colour

    def disc(self, cx, cy, radius, colour):
        for y in range(max(0, int(cy - radius - 1)), min(self.height, int(cy + radius + 2))):
            for x in range(max(0, int(cx - radius - 1)), min(self.width, int(cx + radius + 2))):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 < radius * radius:
                    self.rows[y][x] = colour

    def save_bmp(self, path):
        stride = (self.width * 3 + 3) & ~3
        pixels = bytearray()
        for row in reversed(self.rows):  # bottom-up
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
            line += b"\0" * (stride - len(line))
            pixels += line
        header_size = 14 + 40
        file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
        info_header = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(pixels),
                                  2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(file_header + info_header + pixels)
