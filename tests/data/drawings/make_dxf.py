#!/usr/bin/python3
"""Writes the DXF fixtures of the drawing reader tests with ezdxf (Debian: python3-ezdxf).

Run from this folder: /usr/bin/python3 make_dxf.py
"""
import ezdxf


def save(name, draw):
    doc = ezdxf.new("R2000")
    draw(doc.modelspace())
    doc.saveas(name)


save("square_lwpolyline.dxf",
     lambda msp: msp.add_lwpolyline([(0, 0), (40, 0), (40, 30), (0, 30)], close=True))
save("circle.dxf", lambda msp: msp.add_circle((50, 50), 10))
save("arc_350_10.dxf", lambda msp: msp.add_arc((0, 0), 100, 350, 10))


def two_lines(msp):
    msp.add_line((0, 0), (30, 0))
    msp.add_line((30, 0), (30, 20))


save("two_lines.dxf", two_lines)
save("bulge.dxf", lambda msp: msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (10, 0), (10, 10)],
                                                   format="xyseb"))
