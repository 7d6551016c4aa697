"""A small universal file with one element of every shape the model holds, for the tests of
`vevadar vtk` and `vevadar dump --json`."""


def _i(*values):
    return "".join("%10d" % v for v in values) + "\n"


def _r(*values):
    return "".join("%25.16E" % v for v in values) + "\n"


def _dataset(number, body):
    return "    -1\n%6d\n%s    -1\n" % (number, body)


# Node label -> coordinates (node 2 has a negative zero). 1-8 a unit cube; 9-14 a wedge whose first triangle faces its second;
# 15-18 a tetrahedron; 19-24 a parabolic triangle and 25-32 a parabolic quadrilateral, their nodes
# corner, mid-side, corner, ... as universal files list them.
NODES = {
    1: (0, 0, 0), 2: (1, -0.0, 0), 3: (1, 1, 0), 4: (0, 1, 0),
    5: (0, 0, 1), 6: (1, 0, 1), 7: (1, 1, 1), 8: (0, 1, 1),
    9: (0, 0, 2), 10: (1, 0, 2), 11: (0, 1, 2), 12: (0, 0, 3), 13: (1, 0, 3), 14: (0, 1, 3),
    15: (0, 0, 5), 16: (1, 0, 5), 17: (0, 1, 5), 18: (0, 0, 6),
    19: (3, 0, 0), 20: (3.5, 0, 0), 21: (4, 0, 0), 22: (3.5, 0.5, 0), 23: (3, 1, 0),
    24: (3, 0.5, 0),
    25: (5, 0, 0), 26: (5.5, 0, 0), 27: (6, 0, 0), 28: (6, 0.5, 0), 29: (6, 1, 0),
    30: (5.5, 1, 0), 31: (5, 1, 0), 32: (5, 0.5, 0.125),
}

# (label, descriptor, property, nodes); 21 is a beam (a beam line precedes its nodes), 122 a
# rigid element (three spokes from node 9).
ELEMENTS = [
    (1, 115, 1, [1, 2, 3, 4, 5, 6, 7, 8]),
    (2, 112, 1, [9, 10, 11, 12, 13, 14]),
    (3, 111, 1, [15, 16, 17, 18]),
    (4, 111, 1, [15, 17, 16, 18]),  # listed mirrored: inside out
    (5, 92, 2, [19, 20, 21, 22, 23, 24]),
    (6, 95, 2, [25, 26, 27, 28, 29, 30, 31, 32]),
    (7, 161, 3, [1]),
    (8, 21, 4, [1, 7]),
    (9, 122, 5, [9, 10, 11, 12]),
]


def text():
    nodes = "".join(_i(label, 1, 1, 11) + _r(*xyz) for label, xyz in NODES.items())
    elements = ""
    for label, descriptor, prop, labels in ELEMENTS:
        elements += _i(label, descriptor, prop, prop, 7, len(labels))
        if descriptor == 21:
            elements += _i(0, 1, 1)
        elements += _i(*labels)
    zeros = _r(0, 0, 0)
    restraint = _i(1, 1) + "FIXED\n" + _i(1, 0) .rstrip("\n") + " 1 1 1 1 1 1\n" + zeros * 3
    load = _i(1, 1) + "LOAD\n" + _i(7, 0) + _r(0, 0, -1000) + _r(0, 2.5, 0) + zeros
    rigid = _i(10, 1) + "RBE2\n" + _i(1, 0, 2).rstrip("\n") + " 1 1 1 0 0 0\n" + _i(2, 3)
    return (_dataset(2411, nodes) + _dataset(2412, elements) + _dataset(791, restraint) +
            _dataset(790, load) + _dataset(754, rigid))
