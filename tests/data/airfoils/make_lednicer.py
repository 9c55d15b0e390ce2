#!/usr/bin/python3
"""Writes naca2412_lednicer.dat, the XFOIL output naca2412_xfoil.dat in the Lednicer layout.

XFOIL writes the Selig layout: a name, then the points from the trailing edge over the upper
surface to the leading edge and back along the lower surface. The Lednicer layout has a name,
a line with the two point counts, the upper surface from the leading edge, a blank line, and
the lower surface from the leading edge. Run from this folder.
"""
lines = open("naca2412_xfoil.dat").read().split("\n")
points = [tuple(map(float, l.split())) for l in lines[1:] if l.strip()]
lead = min(range(len(points)), key=lambda i: points[i][0])
upper = list(reversed(points[: lead + 1]))
lower = points[lead:]
with open("naca2412_lednicer.dat", "w", newline="\r\n") as out:
    out.write("NACA 2412 (Lednicer)\n")
    out.write(f"{len(upper):7d}.{len(lower):7d}.\n\n")
    for x, y in upper:
        out.write(f"  {x:.7f}  {y:.7f}\n")
    out.write("\n")
    for x, y in lower:
        out.write(f"  {x:.7f}  {y:.7f}\n")
