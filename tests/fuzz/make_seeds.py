#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz harnesses (corpus/mesh, corpus/line).

Each seed is a small well-formed case in the byte layout the harness decodes
(see FuzzInput.h and the decode functions of MeshFuzzer.cpp and
LineFuzzer.cpp); the fuzzer mutates them into the odd cases. Run it again
after changing that layout: python3 tests/fuzz/make_seeds.py
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
NAN, INF, HUGE = 0xE8, 0xE9, 0xEB  # coordinate tags of FuzzInput::coordinate


def coord(v):
    """A multiple of 1/4 in -30 .. 28 as its tag byte."""
    t = int(round(v * 4)) + 120
    assert 0 <= t < 0xE8 and (t - 120) / 4 == v, v
    return t


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, "corpus", folder), exist_ok=True)
    with open(os.path.join(HERE, "corpus", folder, name), "wb") as f:
        f.write(bytes(data))


# --- mesh: objects, curvature mode, threshold, then per object the strips --

def strip_set(points, strips, normals=((0, 0, 1),), normal_index=None, raw_points=None):
    corners = [i for s in strips for i in s]
    out = [len(points), len(normals), len(strips), len(corners), 0]
    for p in points:
        out += raw_points(p) if raw_points else [coord(c) for c in p]
    for n in normals:
        out += [coord(c) for c in n]
    out += [len(s) for s in strips]
    out += corners
    out += normal_index if normal_index is not None else [0] * len(corners)
    return out


def mesh_seed(objects, mode=4, threshold=60):
    out = [len(objects) - 1, mode, threshold]
    for o in objects:
        out += o
    return out


cube_points = [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]
cube = [(0, 1, 3), (0, 3, 2), (4, 6, 7), (4, 7, 5), (0, 4, 5), (0, 5, 1),
        (2, 3, 7), (2, 7, 6), (0, 2, 6), (0, 6, 4), (1, 5, 7), (1, 7, 3)]
# Every other triangle listed the other way round, so the builder has to orient them.
mixed_cube = [t if i % 2 else t[::-1] for i, t in enumerate(cube)]
tetra_points = [(1, 1, 1), (1, -1, -1), (-1, 1, -1), (-1, -1, 1)]
tetra = [(0, 1, 2), (0, 3, 1), (0, 2, 3), (1, 3, 2)]

# A 4 x 3 grid of quads, one strip per row.
grid_points = [(x, y, (x * x) / 4) for y in range(4) for x in range(5)]
grid = [[r * 5 + c + d * 5 for c in range(5) for d in (1, 0)] for r in range(3)]

# A band closed with a half twist: no orientation fits it.
mobius_points = []
for i in range(6):
    a = 2 * math.pi * i / 6
    for s in (-1, 1):
        r = 2 + s * 0.5 * math.cos(a / 2)
        mobius_points.append((round(r * math.cos(a) * 4) / 4, round(r * math.sin(a) * 4) / 4,
                              round(s * 0.5 * math.sin(a / 2) * 4) / 4))
mobius = [[i * 2, i * 2 + 1, (i * 2 + 2) % 12, (i * 2 + 3) % 12] for i in range(5)] + [[10, 11, 1, 0]]

# Three triangles on one edge, and a fan with its own strip ends.
fins = [(0, 1, 2), (1, 0, 3), (0, 1, 4)]
fins_points = [(0, 0, 0), (0, 0, 2), (1, 0, 1), (-1, 0.5, 1), (0, -1, 1)]

write("mesh", "cube_mixed", mesh_seed([strip_set(cube_points, mixed_cube)], mode=7))
write("mesh", "cube_and_tetrahedron", mesh_seed([strip_set(cube_points, cube), strip_set(tetra_points, tetra)], mode=9))
write("mesh", "grid_strips", mesh_seed([strip_set(grid_points, grid)], mode=1))
write("mesh", "mobius_and_fins", mesh_seed([strip_set(mobius_points, mobius), strip_set(fins_points, fins)], mode=3))
# The cube with a NaN, an infinite and a huge corner, a normal index list too short.
odd = strip_set(cube_points, cube, raw_points=lambda p: [coord(c) for c in p])
odd[5 + 3 * 3] = NAN
odd[5 + 3 * 5 + 1] = INF
odd[5 + 3 * 6 + 2] = HUGE
odd[4] = 0xC0 + 20
write("mesh", "cube_odd_values", mesh_seed([odd[:-(36 - 20)]], mode=9, threshold=0xF0 - 1))


# --- line: points, screen positions, index list, parameters, thresholds, --
# --- viewport, matrix, sampling step, two depth images -------------------

def line_seed(points, screen, strips, parameters, view=(0, 0, 64, 64), matrix=0, step=64,
              first=(), second=(), thresholds=(16, 60)):
    out = [len(points)]
    for p in points:
        out += [coord(c) for c in p]
    for s in screen:
        out += [coord(c) for c in s]
    entries = []
    for s in strips:
        for i in s:
            entries += [1, i]  # 1: not a separator, then the index
        entries += [0]         # a separator
    count = sum(len(s) + 1 for s in strips)
    out += [count] + entries
    out += [1 if parameters else 0]
    if parameters:
        for s in strips:
            out += [int(255 * k / max(1, len(s) - 1)) for k in range(len(s))]
    out += list(thresholds)
    out += [view[0] & 0xFF, view[1] & 0xFF, view[2] - 1, view[3] - 1, matrix, step]
    for rects in (first, second):
        out += [len(rects)]
        for (x0, y0, w, h, depth) in rects:
            out += [x0 + 4, y0 + 4, w, h, depth]
    return out


square = [(-16, -16, 0), (16, -16, 0), (16, 16, 0), (-16, 16, 0)]
square_screen = [(p[0], p[1]) for p in square]
# The square's outline as two-point strips; an occluder over its right side in the first frame.
write("line", "square_edges", line_seed(square, square_screen, [[0, 1], [1, 2], [2, 3], [3, 0]], True,
                                        first=[(40, 0, 39, 39, 40)], second=[(0, 0, 20, 60, 200)]))
zig = [(-20 + 4 * k, 6 if k % 2 else -6, 0) for k in range(11)]
write("line", "zig_zag_seen_from_a_point", line_seed(zig, [(p[0], p[1] / 4) for p in zig], [list(range(10, -1, -1))], True,
                                               matrix=1, view=(-10, 5, 48, 40), first=[(10, 10, 20, 20, 0)]))
star = [(0, 0, 0), (8, 0, 0), (-8, 2, 0), (0, 8, 1), (0, -8, -1), (4, 4, 0)]
write("line", "junction_and_short_pieces", line_seed(star, [(p[0], p[1]) for p in star],
                                                     [[0, 1], [0, 2], [0, 3], [3, 5, 1], [4], [4, 0]], False,
                                                     step=0, thresholds=(40, 30)))
