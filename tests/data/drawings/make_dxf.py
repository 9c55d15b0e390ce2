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


# Drawings as CAD programs export them.
def rounded_rectangle(msp):
    # 40 x 20 with 5 mm corners, entities in scrambled order, two lines drawn backwards.
    msp.add_arc((35, 15), 5, 0, 90)
    msp.add_line((0, 5), (0, 15))
    msp.add_line((35, 0), (5, 0))
    msp.add_arc((5, 5), 5, 180, 270)
    msp.add_line((40, 5), (40, 15))
    msp.add_arc((5, 15), 5, 90, 180)
    msp.add_line((35, 20), (5, 20))
    msp.add_arc((35, 5), 5, 270, 360)


save("rounded_rectangle_scrambled.dxf", rounded_rectangle)
# A slot: two half circles as bulges of 1 joined by straight segments (bulge 0).
save("polyline_bulges.dxf",
     lambda msp: msp.add_lwpolyline([(0, 0, 0, 0, 0), (30, 0, 0, 0, 1), (30, 10, 0, 0, 0),
                                     (0, 10, 0, 0, 1)], format="xyseb", close=True))


def spline_circle(msp):
    # A circle of radius 20 at (20, 20) as a rational quadratic spline of four spans.
    w = 2 ** -0.5
    pts = [(40, 20), (40, 40), (20, 40), (0, 40), (0, 20), (0, 0), (20, 0), (40, 0), (40, 20)]
    msp.add_rational_spline(pts, [1, w, 1, w, 1, w, 1, w, 1], degree=2,
                            knots=[0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4])


save("spline_circle.dxf", spline_circle)
# Half of an ellipse 60 x 20 tilted by 30 degrees.
save("ellipse.dxf", lambda msp: msp.add_ellipse((0, 0), major_axis=(25.980762, 15), ratio=1 / 3,
                                                start_param=0, end_param=3.141592653589793))


def r12_rectangle(msp):
    msp.add_polyline2d([(10, 10), (40, 10), (40, 25), (10, 25)], close=True)


def save_r12(name, draw):
    doc = ezdxf.new("R12")
    draw(doc.modelspace())
    doc.saveas(name)


save_r12("r12_rectangle.dxf", r12_rectangle)
# A quarter arc drawn from below: x is mirrored, so it runs from (-10, 0) to (0, 10).
save("arc_extrusion_down.dxf",
     lambda msp: msp.add_arc((0, 0), 10, 0, 90, dxfattribs={"extrusion": (0, 0, -1)}))


def two_squares(msp):
    msp.add_lwpolyline([(0, 0), (10, 0), (10, 10), (0, 10)], close=True)
    msp.add_lwpolyline([(20, 0), (30, 0), (30, 10), (20, 10)], close=True)


save("two_squares.dxf", two_squares)
