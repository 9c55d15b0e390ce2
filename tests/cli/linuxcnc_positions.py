#!/usr/bin/python3
"""Runs a G-code file through LinuxCNC's interpreter module (Debian linuxcnc-uspace), which
takes U, V and W where the standalone rs274 does not. Prints one line per move:
"T|F x y z a b c u v w" in millimetres (angles for a, b, c); exit 1 with the message on an
interpreter error, 3 when the module is absent."""
import sys

try:
    import gcode
except ImportError:
    sys.exit(3)


class Canon:
    """The calls the interpreter makes; every other call is ignored."""

    def __init__(self):
        self.moves = []
        self.line = 0
        self.parameter_file = ""

    def get_axis_mask(self):
        return 0x1FF

    def get_external_angular_units(self):
        return 1.0

    def get_external_length_units(self):
        return 1.0

    def get_block_delete(self):
        return False

    def get_tool(self, idx):
        return (-1,) + (0.0,) * 12 + (0,)

    def next_line(self, state):
        self.line = state.sequence_number

    def straight_traverse(self, *axes):
        self.moves.append(("T",) + axes)

    def straight_feed(self, *axes):
        self.moves.append(("F",) + axes)

    def __getattr__(self, name):
        return lambda *args: None


canon = Canon()
result, line = gcode.parse(sys.argv[1], canon, "", "")
if result > gcode.MIN_ERROR:
    print("line %d: %s" % (line, gcode.strerror(result)))
    sys.exit(1)
for kind, *axes in canon.moves:
    # The module reports linear axes in inches.
    mm = [v * 25.4 if k in (0, 1, 2, 6, 7, 8) else v for k, v in enumerate(axes)]
    print(kind, " ".join("%.6f" % v for v in mm))
