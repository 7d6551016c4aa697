#!/usr/bin/env python3
"""Writes a universal file at the table capacities, or a fraction of them.

    capacity_model.py OUT.unv [LAYERS]

50 x 50 x LAYERS nodes (LAYERS = 50: the 125,000 nodes of the node table) in dataset 2411, with
their coordinates as 25-column D-exponent reals of 17 significant digits, then as many elements
in dataset 2412: 92 % hexahedra (descriptor 115), 5 % thin shells (94) and 3 % beams (21), each
on nodes of one grid cell. LAYERS = 5 gives the one-tenth twin (12,500 nodes and elements).
"""
import sys

SIDE = 50


def right(value, width=10):
    return f"{value:>{width}}"


def real(value):
    return f"{value:25.16E}".replace("E", "D")


def write(out, layers):
    def label(i, j, k):
        return 1 + i + SIDE * (j + SIDE * k)

    nodes = SIDE * SIDE * layers
    lines = ["    -1", "  2411"]
    for k in range(layers):
        for j in range(SIDE):
            for i in range(SIDE):
                lines.append(right(label(i, j, k)) + right(1) + right(1) + right(11))
                x = (i - 17) * 0.1234567890123 + j * 1e-7
                y = (j - 23) * 0.0987654321987 - k * 3e-6
                z = k * 0.5309823098230982 + (i * j) * 1e-9
                lines.append(real(x) + real(y) + real(z))
    lines += ["    -1", "    -1", "  2412"]

    cells_x = SIDE - 1
    cells_z = max(layers - 1, 1)
    cells = cells_x * cells_x * cells_z
    hexahedra = nodes * 92 // 100
    shells = nodes * 5 // 100
    beams = nodes - hexahedra - shells

    def cell(c):
        i = c % cells_x
        j = c // cells_x % cells_x
        k = c // (cells_x * cells_x) % cells_z
        return i, j, k

    element = 0
    for c in range(hexahedra):
        i, j, k = cell(c)
        element += 1
        lines.append(right(element) + right(115) + right(1) + right(1) + right(7) + right(8))
        corners = [label(i, j, k), label(i + 1, j, k), label(i + 1, j + 1, k), label(i, j + 1, k),
                   label(i, j, k + 1), label(i + 1, j, k + 1), label(i + 1, j + 1, k + 1),
                   label(i, j + 1, k + 1)]
        lines.append("".join(right(n) for n in corners))
    for c in range(shells):
        i, j, _ = cell(c)
        element += 1
        lines.append(right(element) + right(94) + right(2) + right(2) + right(7) + right(4))
        corners = [label(i, j, 0), label(i + 1, j, 0), label(i + 1, j + 1, 0), label(i, j + 1, 0)]
        lines.append("".join(right(n) for n in corners))
    for c in range(beams):
        i, j, k = cell(c)
        element += 1
        lines.append(right(element) + right(21) + right(3) + right(3) + right(7) + right(2))
        lines.append(right(0) + right(1) + right(1))
        lines.append(right(label(i, j, k)) + right(label(i + 1, j, k)))
    lines.append("    -1")
    out.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    layers = int(sys.argv[2]) if len(sys.argv) == 3 else SIDE
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        write(out, layers)


if __name__ == "__main__":
    main()
