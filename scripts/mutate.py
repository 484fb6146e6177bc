#!/usr/bin/env python3
"""Fault-injection sweep: applies deliberate faults to the program one at a time, rebuilds, runs
the test suite, and records which faults the suite catches.

    scripts/mutate.py [--build DIR] [--only ID,ID...] [--out FILE] [--check] [-- TEST COMMAND...]

Each fault replaces one exact piece of text, found once in src/ and web/ (the file may change
between versions of the program: the text is looked for everywhere in them). The default test
command is the whole ctest suite of the build directory, stopping at the first failure; a fault
may name its own (the web edition's, whose tests the suite does not run), used unless a command
is given here. Builds run two jobs at a time. A fault the compiler refuses is reported as such,
not as caught. The source is always put back, even when the sweep is interrupted. --check only
verifies that every fault applies.

Run it in a separate clone or worktree: the sweep edits the sources it runs on.
"""
import argparse
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (id, part of the program, what the fault does, text, replacement[, its own test command])
FAULTS = [
    # Canvas
    ("line-end", "canvas", "a one-pixel line paints its end point",
     "const Point last = to - Point{xMajor ? sx : 0, xMajor ? 0 : sy};",
     "const Point last = to;"),
    ("line-tie", "canvas", "a tie on a slanted one-pixel line goes the other way",
     "(r2 > major || (r2 == major && stepOnTie))",
     "(r2 > major || (r2 == major && !stepOnTie))"),
    ("copy-and-or", "canvas", "the AND copy mode combines by OR",
     "CombineRow(to, from, width, [](std::uint64_t a, std::uint64_t b) { return a & b; });",
     "CombineRow(to, from, width, [](std::uint64_t a, std::uint64_t b) { return a | b; });"),
    ("copy-and-skip", "canvas", "an AND copy skips rows that are not all white",
     "[](std::uint64_t a, std::uint64_t b) { return a & b; }) == ~0u)",
     "[](std::uint64_t a, std::uint64_t b) { return a & b; }) != 0u)"),
    ("rect-right", "canvas", "a rectangle's brush reaches one column further right",
     "const Rect inner = outer.adjusted(width, width, -width, -width);",
     "const Rect inner = outer.adjusted(width, width, -width + 1, -width);"),
    ("hatch-row", "canvas", "the cross-hatch's horizontal lines move one row",
     "if ((y & 7) == 3) {",
     "if ((y & 7) == 4) {"),
    ("bk-opaque", "canvas", "a solid brush no longer makes the text background opaque",
     "        bkMode_ = OPAQUE;\n        bkColor_ = Brush.Color;",
     "        bkColor_ = Brush.Color;"),
    ("points", "canvas", "point sizes round down to pixels",
     "return num >= 0 ? (num + 36) / 72 : -((-num + 36) / 72);",
     "return num >= 0 ? num / 72 : -((-num + 36) / 72);"),
    ("fill-memory", "canvas", "an area is believed filled with a colour it does not have",
     "        if (u.colour != rgb) continue;\n",
     ""),
    ("cow-shared", "canvas", "a picture shared by two is written to as if it were its own",
     "    if (pixels_.use_count() > 1) {\n        auto own = Allocate(size());",
     "    if (pixels_.use_count() > 2) {\n        auto own = Allocate(size());"),
    # Rasteriser
    ("raster-midpoint", "rasteriser",
     "the midpoint ellipse's decision grows too slowly in its flat part",
     "d += b * b * (2 * x + 3);",
     "d += b * b * (2 * x + 1);"),
    ("raster-odd-even", "rasteriser", "shapes are filled non-zero instead of odd-even",
     "mask_(winding ? ~0 : 1)",
     "mask_(winding ? ~0 : ~0)"),
    ("raster-round-cap", "rasteriser",
     "a round cap's first control arm is measured on the width, not the radius",
     "l1.SetLength(kKappa * offset);",
     "l1.SetLength(kKappa * width_);"),
    # Glyphs and text layout
    ("glyph-space", "glyphs", "a glyph without pixels (a space) does not move the pen on",
     "            placed.emplace_back(glyph, run.width);\n        }\n"
     "        run.width += glyph->advance;",
     "            placed.emplace_back(glyph, run.width);\n"
     "            run.width += glyph->advance;\n        }"),
    ("glyph-offset", "glyphs", "every glyph's bitmap is placed one pixel right of its pen",
     "placed.emplace_back(glyph, run.width);",
     "placed.emplace_back(glyph, run.width + 1);"),
    ("glyph-utf8", "glyphs", "a UTF-8 surrogate is decoded as a character",
     "            if (lead == 0xED) high = 0x9F;  // surrogates\n",
     ""),
    # Engine, scene table and start button
    ("interval", "engine", "the speed bar no longer sets the timer period",
     "if (s.Timer1.Interval != s.ScrollBar1.Position) s.Timer1.Interval = s.ScrollBar1.Position;",
     ""),
    ("lesson-longer", "scene table", "the high-gain lesson plays one frame too many",
     "401, 401, 559, 159, HighGainStep",
     "401, 401, 560, 159, HighGainStep"),
    ("start-late", "scene table", "the low-gain lesson starts one step late",
     "(G:faible)\", 201, 201, 359,",
     "(G:faible)\", 202, 201, 359,"),
    ("scene-range", "scene table", "the trapezoid lesson's Phase range ends one frame early",
     "801, 801, 959, 159, TrapezoidStep",
     "801, 801, 958, 159, TrapezoidStep"),
    ("scene-frames", "scene table", "the non-linearity lesson is counted one frame short",
     "1001, 1001, 1159, 159, NonLinearStep",
     "1001, 1001, 1159, 158, NonLinearStep"),
    ("scene-page", "scene table", "the trapezoid's comment button opens the non-linearity's page",
     "TrapezoidStep, 3, \"komm4.rtf\"",
     "TrapezoidStep, 3, \"komm5.rtf\""),
    ("scene-list", "scene table", "a menu item loses an accent",
     "{6, \"Non linéarité du moteur\"",
     "{6, \"Non linearité du moteur\""),
    ("scene-list-blank", "scene table", "a menu item loses its trailing blank",
     "{3, \"Rép. Ind. en Boucle Fermée (G:grand) \"",
     "{3, \"Rép. Ind. en Boucle Fermée (G:grand)\""),
    ("clear-area", "start button", "the chart area is cleared one column short",
     "c.Rectangle(0, 40, 340, 460);",
     "c.Rectangle(0, 40, 339, 460);"),
    ("hide-buttons", "start button", "the start button no longer hides the comment buttons",
     "        button.Enabled = false;\n        button.Visible = false;",
     "        button.Enabled = false;"),
    # Scenery
    ("mask-row", "table view", "the mask's black part starts one row lower",
     "mask.Rectangle(1, 297 - k, 400, 500);",
     "mask.Rectangle(1, 298 - k, 400, 500);"),
    ("spoke-erase", "table view", "the old spoke is not painted over",
     "    DrawSpoke(pulley, aPrev, clRed);\n",
     "    (void)aPrev;\n"),
    ("arrow-head", "diagram", "one arrowhead stroke of the diagram is one pixel off",
     "inline void ArrowUp(TCanvas& c, int x, int y) {\n    Line(c, x, y, x - 7, y + 7);",
     "inline void ArrowUp(TCanvas& c, int x, int y) {\n    Line(c, x, y, x - 7, y + 8);"),
    ("time-label", "chart", "the time labels move one pixel down",
     "c.TextOut(230, b - 15, \"t\");",
     "c.TextOut(230, b - 14, \"t\");"),
    # Lessons
    ("high-gain-constant", "lessons", "a constant of the high-gain law off in its last digit",
     "std::sin(0.043 * k + 1.047)",
     "std::sin(0.043 * k + 1.048)"),
    ("trapezoid-constant", "lessons", "the trapezoid's lag coefficient off in its last digit",
     "return Drive(k) + 0.8333 * vs;",
     "return Drive(k) + 0.8334 * vs;"),
    ("text-early", "lessons", "the high-gain interpretation shows one frame early",
     "    if (k > 130) {\n        SetFont(fond, \"Arial\", 8, clRed);\n        fond.TextOut(110, 80, \"La réponse indicielle est\");\n        fond.TextOut(110, 90, \"d'ordre 2 avec",
     "    if (k > 129) {\n        SetFont(fond, \"Arial\", 8, clRed);\n        fond.TextOut(110, 80, \"La réponse indicielle est\");\n        fond.TextOut(110, 90, \"d'ordre 2 avec"),
    ("trapezoid-memory", "lessons", "the trapezoid's memory is reset at each start",
     "    const double vsOld = form.TrapezoidVs;",
     "    if (k == 1) form.TrapezoidVs = 0.0;\n    const double vsOld = form.TrapezoidVs;"),
    ("dot-size", "lessons", "the operating point's dot is drawn at the size of the labels",
     "fond.Font.Size = 40;",
     "fond.Font.Size = 10;"),
    ("presentation-offset", "lessons", "the presentation's table is drawn at the idle offset",
     "    DrawTableAtRest(form, fond, form.Phase);\n\n    TCanvas& c = *form.Canvas();",
     "    DrawTableAtRest(form, fond, 0);\n\n    TCanvas& c = *form.Canvas();"),
    # Commentary
    ("wrong-page", "commentary", "the instability's button opens the high-gain page",
     "InstabilityStep, 2,\n     \"komm3.rtf\"",
     "InstabilityStep, 2,\n     \"komm2.rtf\""),
    ("panel-not-shown", "commentary", "the low-gain end does not show its panel",
     "form.RichEdit1.Visible = true;",
     "form.RichEdit1.Visible = false;"),
    ("button-place", "commentary", "the comment button is one pixel lower",
     "button.Bounds = Rect(60, 380, 180, 30);",
     "button.Bounds = Rect(60, 381, 180, 30);"),
    ("refusal-size", "documents", "documents twice as large as the limit are accepted",
     "inline constexpr qint64 kMaxDocumentBytes = 2 * 1024 * 1024;",
     "inline constexpr qint64 kMaxDocumentBytes = 4 * 1024 * 1024;"),
    ("refusal-pipe", "documents", "a named pipe or device is no longer refused",
     "    if (!info.isFile()) {",
     "    if (false) {"),
    # RTF reader
    ("rtf-par", "rtf", "\\par no longer breaks the paragraph",
     "            case Key::Par:\n                ParagraphBreak();",
     "            case Key::Par:"),
    ("rtf-uc", "rtf", "\\uc is ignored",
     "s.unicodeSkip = Clamp(hasParameter ? parameter : 1, 0, kMaxUnicodeSkip);",
     ""),
    ("rtf-bold", "rtf", "\\b0 leaves bold on",
     "                ch.bold = on;",
     "                ch.bold = true;"),
    ("cp1252", "rtf", "one character of code page 1252 is wrong",
     "0x2039, 0x0152, 0xFFFD, 0x017D,",
     "0x2039, 0x0153, 0xFFFD, 0x017D,"),
    # Output, recording and command line
    ("gif-delay", "recording", "every GIF delay is doubled",
     "long long delayCs = std::max((shownMs_ + 5) / 10 - writtenCs_, 1LL);",
     "long long delayCs = std::max((shownMs_ + 5) / 5 - writtenCs_, 1LL);"),
    ("exit-status", "command line", "a file that cannot be written exits with status 0",
     "inline constexpr int kExitOutput = 3;",
     "inline constexpr int kExitOutput = 0;"),
    ("ticks-bound", "command line", "--ticks accepts one more than its limit",
     "inline constexpr int kMaxTicks = 100000;",
     "inline constexpr int kMaxTicks = 100001;"),
    ("not-atomic", "output", "a regular file is written in place, not replaced atomically",
     "kind_ = !exists_ || S_ISREG(st.st_mode) ? Kind::Atomic : Kind::InPlace;",
     "kind_ = !exists_ ? Kind::Atomic : Kind::InPlace;"),
    ("device-replaced", "output", "a device is replaced by a regular file",
     "kind_ = !exists_ || S_ISREG(st.st_mode) ? Kind::Atomic : Kind::InPlace;",
     "kind_ = Kind::Atomic;"),
    ("unchecked-write", "output", "a failed write is taken for a success",
     "        if (n <= 0) {\n            error = ErrnoProblem(n < 0 ? errno : EIO);\n            return false;\n        }",
     "        if (n <= 0) break;"),
    ("comments-hidden", "command line", "--comments clicks a hidden button",
     "b.created == 1 && b.button.Visible && b.button.Enabled",
     "b.created == 1 && b.button.Enabled"),
    # Classroom and laboratory
    ("back-canvas-state", "player", "going back forgets the window canvas's pen, brush and font",
     "    image_ = other.image_;\n    canvas_.CopyStateFrom(other.canvas_);\n    return *this;",
     "    image_ = other.image_;\n    return *this;"),
    ("back-trapezoid", "player", "going back keeps the trapezoid's memory of the run's end",
     "    s.ScrollBar1 = now.ScrollBar1;\n",
     "    s.ScrollBar1 = now.ScrollBar1;\n    s.TrapezoidVs = now.TrapezoidVs;\n"),
    ("zoom-text", "zoom", "text at a zoom is drawn at its small size",
     "std::lround(pixels * zoom_)",
     "std::lround(pixels * 1.0)"),
    ("status-frame", "window", "the status bar shows the frame one off",
     'QStringLiteral("image %1 / %2").arg(at.frame)',
     'QStringLiteral("image %1 / %2").arg(at.frame + 1)'),
    ("output-rename", "output", "a regular file's temporary copy is never put in place",
     "        ::renameat(dir_, temp_.c_str(), dir_, base_.c_str()) != 0)",
     "        false)"),
    ("model-euler", "model", "the motor's current integrated by Euler's method, not Runge-Kutta's",
     "    i += dt / 6 * (k1.i + 2 * k2.i + 2 * k3.i + k4.i);",
     "    i += dt * k1.i;"),
    ("model-dead-zone", "model", "the dry friction is half the torque the stalled motor gets from U0",
     "motor_.friction = s.deadZone ? params_.Kt * std::max(s.u0, 0.0) / params_.R : 0;",
     "motor_.friction = s.deadZone ? params_.Kt * std::max(s.u0, 0.0) / (2 * params_.R) : 0;"),
    ("model-stop-current", "model", "against a stop the back-EMF of the last speed stays in the current",
     "        if (held) return {(u - p.R * s.i) / p.L, 0, 0};",
     "        if (held) return {(u - p.R * s.i - p.Ke * 1) / p.L, 0, 0};"),
    ("lab-mark", "laboratory", "a change is marked on the frame it was made, not from the next",
     "        if (e.frame < frame_) out.push_back(e.frame);",
     "        if (e.frame <= frame_) out.push_back(e.frame);"),
    ("csv-header", "laboratory", "the CSV's header names the speed's unit wrongly",
     "Omega (rad/s),x (mm)",
     "Omega (tr/min),x (mm)"),
    # Web edition: the page's picture (web/core_api.cpp, run by scripts/web.sh test)
    ("web-rgba", "web", "the RGBA bytes come in the picture's memory order, blue first",
     "            out[0] = std::uint8_t(p >> 16);\n            out[1] = std::uint8_t(p >> 8);\n"
     "            out[2] = std::uint8_t(p);",
     "            out[0] = std::uint8_t(p);\n            out[1] = std::uint8_t(p >> 8);\n"
     "            out[2] = std::uint8_t(p >> 16);",
     ["scripts/web.sh", "test"]),
]


def sources():
    for top in ("src", "web"):
        for base, _, files in os.walk(os.path.join(ROOT, top)):
            for name in files:
                if name.endswith((".cpp", ".h")):
                    yield os.path.join(base, name)


def locate(text):
    """The one file of src/ and web/ that holds `text` exactly once, or an error."""
    found = []
    for path in sources():
        with open(path, encoding="utf-8") as f:
            n = f.read().count(text)
        if n:
            found.append((path, n))
    if len(found) != 1 or found[0][1] != 1:
        where = ", ".join("%s (%d)" % (os.path.relpath(p, ROOT), n) for p, n in found) or "nowhere"
        return None, "text found %s" % where
    return found[0][0], None


def run(cmd, log, timeout):
    with open(log, "w") as out:
        try:
            return subprocess.run(cmd, stdout=out, stderr=subprocess.STDOUT, cwd=ROOT,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return "timeout"


def first_failure(log):
    text = open(log, errors="replace").read()
    m = re.search(r"The following tests FAILED:\s*\n\s*\d+\s*-\s*(\S+)", text)
    if m:
        return m.group(1)
    m = re.search(r"FAIL: ([^\n]+)", text)
    return m.group(1)[:60] if m else ""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--only", default="")
    ap.add_argument("--out", default="")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--timeout", type=int, default=1800)
    ap.add_argument("command", nargs="*")
    args = ap.parse_args()
    test_cmd = args.command or ["ctest", "--test-dir", args.build, "-j2", "--stop-on-failure",
                                "--timeout", "600"]
    chosen = [f for f in FAULTS if not args.only or f[0] in args.only.split(",")]

    problems = 0
    for fid, _, _, text, *_ in chosen:
        path, err = locate(text)
        if err:
            print("fault %s: %s" % (fid, err))
            problems += 1
    if args.check or problems:
        print("%d fault(s), %d that do not apply" % (len(chosen), problems))
        return 1 if problems else 0

    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
    logdir = os.path.join(args.build, "mutants")
    os.makedirs(logdir, exist_ok=True)
    rows = []
    build = ["cmake", "--build", args.build, "--", "-j2"]
    for fid, part, what, text, replacement, *own in chosen:
        path, _ = locate(text)
        original = open(path, encoding="utf-8").read()
        start = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(text, replacement, 1))
            log = os.path.join(logdir, fid + ".log")
            if run(build, log, args.timeout) != 0:
                result, failing = "does not build", ""
            else:
                rc = run(args.command or (own[0] if own else test_cmd), log, args.timeout)
                result = "caught" if rc != 0 else "MISSED"
                failing = first_failure(log) if rc != 0 else ""
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        seconds = int(time.time() - start)
        rows.append((fid, part, what, result, failing, seconds))
        print("%-20s %-10s %-4ds %s" % (fid, result, seconds, failing), flush=True)
    subprocess.run(build, stdout=subprocess.DEVNULL, cwd=ROOT)

    lines = ["| fault | part | what it does | result | first failing test |",
             "|---|---|---|---|---|"]
    for fid, part, what, result, failing, _ in rows:
        lines.append("| %s | %s | %s | %s | %s |" % (fid, part, what, result, failing))
    caught = sum(1 for r in rows if r[3] == "caught")
    lines.append("")
    lines.append("%d of %d faults caught." % (caught, len(rows)))
    table = "\n".join(lines) + "\n"
    if args.out:
        open(args.out, "w").write(table)
    print(table)
    return 0


if __name__ == "__main__":
    sys.exit(main())
