#!/usr/bin/env python3
"""Fault-injection sweep: applies deliberate faults to the program one at a time, rebuilds, runs
the test suite, and records which faults the suite catches.

    scripts/mutate.py [--build DIR] [--only ID,ID...] [--out FILE] [--check] [-- TEST COMMAND...]

Each fault replaces one exact piece of text, found once in src/ (the file may change between
versions of the program: the text is looked for everywhere in src/). The default test command
is the whole ctest suite of the build directory, stopping at the first failure. A fault the
compiler refuses is reported as such, not as caught. The source is always put back, even when
the sweep is interrupted. --check only verifies that every fault applies.

Run it in a separate clone or worktree: the sweep edits the sources it runs on.
"""
import argparse
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (id, part of the program, what the fault does, text, replacement)
FAULTS = [
    # Canvas
    ("line-end", "canvas", "a one-pixel line paints its end point",
     "const QPoint last = to - QPoint(xMajor ? sx : 0, xMajor ? 0 : sy);",
     "const QPoint last = to;"),
    ("line-tie", "canvas", "a tie on a slanted one-pixel line goes the other way",
     "(r2 > major || (r2 == major && stepOnTie))",
     "(r2 > major || (r2 == major && !stepOnTie))"),
    ("copy-and-or", "canvas", "the AND copy mode combines by OR",
     "to[x] = (from[x] & to[x]) | kOpaque;",
     "to[x] = (from[x] | to[x]) | kOpaque;"),
    ("copy-and-skip", "canvas", "an AND copy skips rows that are not all white",
     "if (all == ~0u) continue;",
     "if (all != 0u) continue;"),
    ("rect-right", "canvas", "a rectangle's brush reaches one column further right",
     "const QRect inner = outer.adjusted(width, width, -width, -width);",
     "const QRect inner = outer.adjusted(width, width, -width + 1, -width);"),
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
    # Engine and start button
    ("interval", "engine", "the speed bar no longer sets the timer period",
     "if (Timer1->Interval() != ScrollBar1->value()) Timer1->SetInterval(ScrollBar1->value());",
     ""),
    ("lesson-longer", "engine", "the high-gain lesson plays one frame too many",
     "if (Phase > 400 && Phase < 560) HighGainStep(*this);",
     "if (Phase > 400 && Phase < 561) HighGainStep(*this);"),
    ("start-late", "start button", "the low-gain lesson starts one step late",
     "{-1, 1, 201, 401, 601, 801, 1001}",
     "{-1, 1, 202, 401, 601, 801, 1001}"),
    ("clear-area", "start button", "the chart area is cleared one column short",
     "c.Rectangle(0, 40, 340, 460);",
     "c.Rectangle(0, 40, 339, 460);"),
    ("hide-buttons", "start button", "the start button no longer hides the comment buttons",
     "        button->setEnabled(false);\n        button->setVisible(false);",
     "        button->setEnabled(false);"),
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
     "    const double vsOld = TrapezoidVs;",
     "    if (k == 1) TrapezoidVs = 0.0;\n    const double vsOld = TrapezoidVs;"),
    ("dot-size", "lessons", "the operating point's dot is drawn one point smaller",
     "fond.Font.Size = 40;",
     "fond.Font.Size = 39;"),
    ("presentation-offset", "lessons", "the presentation's table is drawn at the idle offset",
     "    DrawTableAtRest(fond, Phase);\n\n    TCanvas& c = *form.Canvas();",
     "    DrawTableAtRest(fond, 0);\n\n    TCanvas& c = *form.Canvas();"),
    # Commentary
    ("wrong-page", "commentary", "the instability's button opens the high-gain page",
     "LoadCommentary(*this, RichEdit2, QStringLiteral(\"komm3.rtf\"));",
     "LoadCommentary(*this, RichEdit2, QStringLiteral(\"komm2.rtf\"));"),
    ("panel-not-shown", "commentary", "the low-gain end does not show its panel",
     "form.RichEdit1->setVisible(true);",
     "form.RichEdit1->setVisible(false);"),
    ("button-place", "commentary", "the comment button is one pixel lower",
     "button->setGeometry(60, 380, 180, 30);",
     "button->setGeometry(60, 381, 180, 30);"),
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
     "const int delayCs = std::clamp((delayMs + 5) / 10, 1, 65535);",
     "const int delayCs = std::clamp((delayMs + 5) / 5, 1, 65535);"),
    ("exit-status", "command line", "a file that cannot be written exits with status 0",
     "inline constexpr int kExitOutput = 3;",
     "inline constexpr int kExitOutput = 0;"),
    ("ticks-bound", "command line", "--ticks accepts one more than its limit",
     "inline constexpr int kMaxTicks = 100000;",
     "inline constexpr int kMaxTicks = 100001;"),
    ("not-atomic", "output", "a regular file is written in place, not replaced atomically",
     "    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {",
     "    if (::stat(path.c_str(), &st) == 0 || true) {"),
    ("device-replaced", "output", "a device is replaced by a regular file",
     "    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {",
     "    if (false) {"),
    ("unchecked-write", "output", "a failed write is taken for a success",
     "        if (n <= 0) {\n            error = ErrnoProblem(n < 0 ? errno : EIO);\n            return false;\n        }",
     "        if (n <= 0) break;"),
    ("comments-hidden", "command line", "--comments clicks a hidden button",
     "b->isVisible() && b->isEnabled()",
     "b->isEnabled()"),
    # Classroom and laboratory (the program before them has nothing to apply these to)
    ("back-canvas-state", "player", "going back forgets the window canvas's pen, brush and font",
     "    form.Canvas()->RestoreState(m.canvas.state);\n",
     ""),
    ("back-trapezoid", "player", "going back keeps the trapezoid's memory of the run's end",
     "    TrapezoidVs = m.trapezoidVs;\n",
     ""),
    ("zoom-text", "zoom", "text at a zoom is drawn at its small size",
     "std::lround(font.pixelSize() * zoom_)",
     "std::lround(font.pixelSize() * 1.0)"),
    ("status-frame", "window", "the status bar shows the frame one off",
     'QStringLiteral("image %1 / %2").arg(at.frame)',
     'QStringLiteral("image %1 / %2").arg(at.frame + 1)'),
    ("output-rename", "output", "a regular file's temporary copy is never put in place",
     "    if (::rename(temp_.c_str(), target_.c_str()) != 0) {",
     "    if (false) {"),
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
]


def sources():
    for base, _, files in os.walk(os.path.join(ROOT, "src")):
        for name in files:
            if name.endswith((".cpp", ".h")):
                yield os.path.join(base, name)


def locate(text):
    """The one file of src/ that holds `text` exactly once, or an error."""
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
    for fid, _, _, text, _ in chosen:
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
    for fid, part, what, text, replacement in chosen:
        path, _ = locate(text)
        original = open(path, encoding="utf-8").read()
        start = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(text, replacement, 1))
            log = os.path.join(logdir, fid + ".log")
            if run(["cmake", "--build", args.build], log, args.timeout) != 0:
                result, failing = "does not build", ""
            else:
                rc = run(test_cmd, log, args.timeout)
                result = "caught" if rc != 0 else "MISSED"
                failing = first_failure(log) if rc != 0 else ""
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        seconds = int(time.time() - start)
        rows.append((fid, part, what, result, failing, seconds))
        print("%-20s %-10s %-4ds %s" % (fid, result, seconds, failing), flush=True)
    subprocess.run(["cmake", "--build", args.build], stdout=subprocess.DEVNULL, cwd=ROOT)

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
