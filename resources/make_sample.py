#!/usr/bin/env python3
"""Draws the program's sample picture, sample.png: a 608 x 406 RGBA photograph-like picture of a
school worksheet (paper lit unevenly and slightly tilted on a desk, printed exercises in Chinese
with numbers, handwritten answers, a shadow along one edge).

The text is set with ImageMagick's convert and the WenQuanYi Micro Hei font (both installed by
scripts/setup.sh); everything else is plain ImageMagick drawing, with a fixed noise seed so the
picture comes out the same each time.

Usage: make_sample.py [OUTPUT]   (default: sample.png beside this script)
"""
import os
import shutil
import subprocess
import sys
import tempfile

FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
W, H = 1216, 812          # drawn at twice the final size, then reduced
PAPER_W, PAPER_H = 1060, 1400

PRINTED = [
    (60, 70, 46, "数学练习题  第三单元"),
    (60, 140, 26, "姓名：__________   班级：________   得分：______"),
    (60, 215, 30, "一、计算下列各题。（每题5分）"),
    (90, 270, 30, "1.  36 + 48 ="),
    (560, 270, 30, "2.  125 − 67 ="),
    (90, 330, 30, "3.  24 × 5 ="),
    (560, 330, 30, "4.  96 ÷ 8 ="),
    (60, 410, 30, "二、填空。"),
    (90, 465, 28, "5.  3个百和7个一组成的数是________。"),
    (90, 520, 28, "6.  正方形的边长是6厘米，周长是______厘米。"),
    (60, 600, 30, "三、应用题。"),
    (90, 655, 28, "7.  小明有45本书，送给同学12本，还剩多少本？"),
    (90, 800, 28, "8.  一支铅笔2元，买7支要多少元？"),
]
HANDWRITTEN = [  # x, y, size, angle, text
    (330, 262, 40, -4, "84"),
    (840, 262, 40, 3, "58"),
    (320, 322, 40, -2, "120"),
    (800, 322, 40, 5, "12"),
    (560, 455, 36, -3, "307"),
    (548, 506, 36, 2, "24"),
    (120, 715, 34, -2, "45 − 12 = 33（本）"),
]


def run(*args):
    subprocess.run(list(args), check=True)


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "sample.png"))
    convert = shutil.which("convert-im6.q16") or shutil.which("convert")
    if not convert or not os.path.exists(FONT):
        sys.exit("make_sample.py needs ImageMagick's convert and fonts-wqy-microhei (scripts/setup.sh)")
    tmp = tempfile.mkdtemp()
    try:
        paper = os.path.join(tmp, "paper.png")
        draw = [convert, "-size", f"{PAPER_W}x{PAPER_H}", "xc:#f4f1e8", "-font", FONT, "-fill", "#23221f"]
        for x, y, size, text in PRINTED:
            draw += ["-pointsize", str(size), "-annotate", f"+{x}+{y + size}", text]
        # Answer boxes and a ruled line under the word problem.
        draw += ["-stroke", "#55524c", "-strokewidth", "2", "-fill", "none",
                 "-draw", "rectangle 880,40 1010,110", "-draw", "line 90,760 980,760"]
        # Handwriting in blue ink, each piece slightly turned, and red ticks from the teacher.
        draw += ["-stroke", "none", "-fill", "#1f3c9e"]
        for x, y, size, angle, text in HANDWRITTEN:
            draw += ["-pointsize", str(size), "-annotate", f"{angle}x{angle}+{x}+{y + size}", text]
        draw += ["-fill", "none", "-stroke", "#c8281e", "-strokewidth", "5",
                 "-draw", "path 'M 420,292 L 436,310 L 470,268'",
                 "-draw", "path 'M 930,292 L 946,310 L 980,268'",
                 "-draw", "path 'M 420,352 L 436,370 L 470,328'",
                 "-draw", "path 'M 900,352 L 916,370 L 950,328'",
                 "-stroke", "#1f3c9e", "-strokewidth", "3",
                 "-draw", "path 'M 120,900 C 200,860 260,950 340,890 S 470,870 520,910'",
                 "-draw", "path 'M 560,905 C 600,870 640,940 700,895'"]
        run(*draw, paper)

        # The page lies slightly turned on a desk; the photograph sees only its upper part.
        photo = os.path.join(tmp, "photo.png")
        run(convert, "-size", f"{W}x{H}", "gradient:#6b5a48-#4a3d31",
            "(", paper, "-background", "none", "-rotate", "-2.3", ")",
            "-geometry", "+70-40", "-composite", photo)

        # Uneven light: bright towards the top left, dimmer to the lower right, and the shadow of
        # the phone along the right edge; then sensor noise and a soft focus.
        light = os.path.join(tmp, "light.png")
        run(convert, "-size", f"{W * 2}x{H * 2}", "radial-gradient:#ffffff-#8f8f8f",
            "-crop", f"{W}x{H}+{W // 3}+{H // 3}", "+repage", light)
        shadow = os.path.join(tmp, "shadow.png")
        run(convert, "-size", f"{H}x{W // 5}", "gradient:#ffffff-#5a5a5a", "-rotate", "90",
            "-background", "white", "-gravity", "east", "-extent", f"{W}x{H}", shadow)
        final = os.path.join(tmp, "final.png")
        run(convert, photo, light, "-compose", "multiply", "-composite",
            shadow, "-compose", "multiply", "-composite",
            "-seed", "20240611", "-attenuate", "0.35", "+noise", "Gaussian",
            "-blur", "0x0.6", "-resize", "608x406!", "-alpha", "set", "-depth", "8", final)
        run(convert, final, "-strip", "-define", "png:exclude-chunks=date,time", f"PNG32:{out}")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
