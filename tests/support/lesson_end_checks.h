// Checks of what a student sees at the end of a lesson, made on a picture of the client area
// (793 x 553, controls included) and nothing else: the same functions judge a headless snapshot
// and a screenshot of the real window. Each returns the list of what is wrong (empty when the
// picture is right). Header only.
#pragma once

#include <QImage>
#include <QRect>
#include <string>
#include <vector>

#include "support/pixels.h"
#include "support/scene_checks.h"

namespace lesson_end {

using Problems = std::vector<std::string>;

// Client-area places of the panels and of the run-time comment button.
inline const QRect kSmallPanel(136, 40, 185, 73);    // RichEdit1
inline const QRect kLargePanel(336, 376, 449, 177);  // RichEdit2
inline const QRect kCommentButton(60, 380, 180, 30);

// Collects the differences between a picture and what it should show.
class Judge {
  public:
    explicit Judge(const QImage& client) : c_(client) {
        That(c_.width() >= 793 && c_.height() >= 553, "the picture is not the client area");
    }

    // The pixel in the colour (with `is` false: in any other colour).
    void Colour(int x, int y, TColor colour, const std::string& what, bool is = true) {
        if (problems.size() <= 40 && (At(c_, x, y) == colour) != is)
            That(false, what + ": (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                            Hex(At(c_, x, y)));
    }
    // Texts drawn with their cells' top-left corners at (t.x + dx, t.y + dy), every pixel.
    void Texts(const std::vector<scene_checks::Text>& texts, int dx = 0, int dy = 0) {
        for (const scene_checks::Text& t : texts) {
            const int missing = scene_checks::Missing(c_, t, dx, dy);
            That(missing == 0, "text \"" + std::string(t.text) + "\": " + std::to_string(missing) +
                                   " pixels missing");
        }
    }
    void That(bool holds, const std::string& what) {
        if (!holds) problems.push_back(what);
    }
    void Add(const std::vector<std::string>& more) {
        problems.insert(problems.end(), more.begin(), more.end());
    }

    const QImage& picture() const { return c_; }
    Problems problems;

  private:
    const QImage& c_;
};

// The interpretations of the two closed-loop step lessons (from their frame 131), in "Arial" 8
// unless said otherwise: on FOND, and on the window's canvas (client coordinates).
inline const std::vector<scene_checks::Text> kHighGainOnFond = {
    {110, 80, clRed, "La réponse indicielle est"},
    {110, 90, clRed, "d'ordre 2 avec dépassement,"},
    {110, 100, clRed, "car l'amortissement : Z<1"},
    {180, 170, clMaroon, "La tension de commande U"},
    {180, 180, clMaroon, "est importante car "},
    {180, 190, clMaroon, "G est grand. Elle est"},
    {180, 200, clMaroon, "maximum en début de transitoire."},
    {240, 220, clHighlight, "Le moteur est arrêté"},
    {240, 230, clHighlight, "en régime permanent,"},
    {240, 240, clHighlight, "pour Ve=constante,"},
    {240, 250, clHighlight, "car sa tension"},
    {240, 260, clHighlight, "de commande U"},
    {240, 270, clHighlight, "est nulle."},
    {120, 50, clBlue, "V est nulle en régime permanent (erreur de position)"},
};
inline const std::vector<scene_checks::Text> kHighGainOnCanvas = {
    {190, 95, clBlue, "erreur de position=0"},
    {130, 75, clBlack, "D%"},
    {85, 205, clBlack, "tp"},
    {55, 240, clBlack, "Umax"},
    {100, 260, clBlack, "Attention : régime linéaire de fonctionnement"},
    {100, 275, clBlack, "si : Umax = G.Ve < Usaturation"},
};
inline const std::vector<scene_checks::Text> kLowGainOnFond = {
    {110, 80, clRed, "La réponse indicielle est"},
    {110, 90, clRed, "d'ordre 2 sans dépassement."},
    {180, 170, clMaroon, "La tension de commande U"},
    {180, 180, clMaroon, "est peu importante car "},
    {180, 190, clMaroon, "G est faible. Elle est"},
    {180, 200, clMaroon, "maximum en début de transitoire."},
    {240, 220, clHighlight, "Le moteur est arrêté"},
    {240, 230, clHighlight, "en régime permanent,"},
    {240, 240, clHighlight, "pour Ve=constante,"},
    {240, 250, clHighlight, "car sa tension"},
    {240, 260, clHighlight, "de commande U"},
    {240, 270, clHighlight, "est nulle."},
    {120, 50, clBlue, "V est nulle en régime permanent (erreur de position)"},
};
inline const std::vector<scene_checks::Text> kLowGainOnCanvas = {
    {190, 135, clBlue, "erreur de position=0"},
    {190, 295, clBlue, "erreur de position=0"},
    {10, 410, clBlue, "L'identification n'est pas très facile, car peu de paramètres"},
    {10, 420, clBlue, "à mesurer sur la réponse indicielle. Il est préférable d'augmenter"},
    {10, 430, clBlue, "le gain G, en conséquence l'amortissement Z va diminuer,"},
    {10, 440, clBlue, "et donc Vs va présenter du dépassement."},
};

// FOND's origin in the client area.
inline constexpr int kFx = kFondX, kFy = kFondY;

// The pen on FOND at the end of a lesson. The table view is one tick old: the last frame shows
// the table bitmap of frame 158, drawn at FOND (32, 158 + 3), where that frame put the sprite at
// (spriteLeft, 306 - 158); on screen its top-left corner is (376 + spriteLeft, 325). The sprite:
// a blue 17 x 17 carriage inside a one-pixel button-face frame, the red point below it ending in
// one pixel at x + 10, and the trace leaving from under the point.
inline void PenAt(Judge& j, int spriteLeft) {
    const int x = kFx + 32 + spriteLeft, y = kFy + 161 + 306 - 158;
    j.That(All(j.picture(), QRect(x + 2, y + 2, 17, 17), clBlue), "pen: no blue carriage");
    j.Colour(x + 1, y + 10, clBlue, "pen: carriage's left frame", false);
    j.Colour(x + 19, y + 10, clBlue, "pen: carriage's right frame", false);
    j.Colour(x + 10, y + 22, clRed, "pen: the point under the carriage");
    j.Colour(x + 10, y + 39, clRed, "pen: the tip of the point");
    j.Colour(x + 9, y + 39, clRed, "pen: the tip is one pixel wide", false);
    j.Colour(x + 10, y + 43, clRed, "pen: the trace under the tip");
}

// The paper under the pen (client rows 367 to 544, inside the table bed).
inline const QRect kPaper(kFx + 36, 367, 392, 178);

// The comment page shown in a panel: a yellow page with dark writing on it.
inline Problems PanelShown(const QImage& client, const QRect& panel, const std::string& name) {
    Judge j(client);
    const QRect page = panel.adjusted(3, 3, -20, -3);  // inside the frame, left of a scroll bar
    const int area = page.width() * page.height();
    j.That(Count(client, page, clYellow) > area / 2, name + ": not a yellow page");
    j.That(CountIf(client, page, [](QRgb p) { return qRed(p) + qGreen(p) + qBlue(p) < 240; }) >
               area / 40,
           name + ": no writing on the page");
    return j.problems;
}

// The run-time comment button under the chart: a raised button face with a caption.
inline Problems CommentButtonShown(const QImage& client) {
    Judge j(client);
    j.That(CountIf(client, kCommentButton.adjusted(4, 4, -4, -4),
                   [](QRgb p) { return qGray(p) < 100; }) > 150,
           "comment button: no caption");
    // Its frame stands out from the window around it.
    j.That(Count(client, QRect(kCommentButton.left(), kCommentButton.top() + 10, 1, 10),
                 clBtnFace) < 10,
           "comment button: no left edge");
    return j.problems;
}

// The last frame (159) of "Rép. Ind. en Boucle Fermée (G:grand) ", with its button `B1`.
inline Problems HighGainLastFrame(const QImage& client) {
    Judge j(client);
    // The curves on the window's canvas: Ve grown to (209, 130); Vs ends at y 131 after its peak
    // at (122, 120); U back on its axis at 350 after its low point 369.
    j.Colour(208, 130, clGreen, "Ve");
    j.Colour(209, 130, clBtnFace, "Ve ends at x 209");
    j.Colour(208, 131, clRed, "Vs at its end");
    j.Colour(209, 131, clBtnFace, "Vs ends at x 209");
    j.Colour(183, 131, clRed, "Vs under the error marker's cross");
    j.Colour(208, 350, clMaroon, "U at its end");
    j.Colour(207, 350, clBlue, "the U axis");
    j.That(
        Bounds(client, QRect(40, 50, 220, 160), clRed) == QRect(QPoint(51, 120), QPoint(208, 189)),
        "Vs does not span (51, 120)-(208, 189)");
    j.That(Bounds(client, QRect(0, 40, 340, 340), clMaroon) ==
               QRect(QPoint(40, 253), QPoint(208, 369)),
           "U does not span (40, 253)-(208, 369)");
    // Unbroken up to the peak-time line (the markers cut the curves further right).
    j.That(scene_checks::Continuous(client, clRed, 51, 120), "Vs is broken");
    // Markers: the blue error marker, the black peak-time line, tp arrow and overshoot heads.
    j.Colour(180, 112, clBlue, "error marker");
    j.Colour(176, 126, clBlue, "error marker's cross");
    j.Colour(249, 110, clBlue, "error marker's line");
    j.Colour(122, 100, clBlack, "peak-time line");
    j.Colour(122, 209, clBlack, "peak-time line's foot");
    j.Colour(80, 200, clBlack, "tp arrow");
    j.Colour(53, 197, clBlack, "tp arrow's head");
    j.Colour(118, 116, clBlack, "overshoot head");
    // The texts, all of their pixels.
    j.Texts(kHighGainOnCanvas);
    j.Texts({{60, 110, clGreen, "Ve", "Arial", 10},
             {80, 160, clRed, "Vs", "Arial", 10},
             {80, 300, clMaroon, "U", "Arial", 10}});
    j.Texts(kHighGainOnFond, kFx, kFy);
    // The pen, back near 239 after swinging out to 228. The paper keeps the swing: of each
    // frame's segment the lower end stays, and at the peak that end is at x 229.
    PenAt(j, 229);
    const QRect trace = Bounds(client, kPaper, clRed);
    j.That(trace.left() == kFx + 32 + 229, "the trace's swing does not reach x 229");
    // Nothing covers the chart but the button, which is there.
    j.That(All(client, QRect(0, 412, 340, 48), clBtnFace), "something under the comment button");
    j.Add(CommentButtonShown(client));
    return j.problems;
}

// The last frame (159) of "Rép. Ind. en Boucle Fermée (G:faible)", with "komm1.rtf" in the small
// panel.
inline Problems LowGainLastFrame(const QImage& client) {
    Judge j(client);
    // Curves: Vs flat on the Ve level from x 146, Ω back on its axis at (209, 390), no overshoot.
    j.Colour(208, 130, clRed, "Vs at its end");
    j.Colour(209, 130, clRed, "Vs ends at x 209", false);
    j.Colour(209, 390, clHighlight, "Ω at its end");
    j.Colour(210, 390, clBlue, "the Ω axis after the curve");
    j.That(Count(client, QRect(51, 113, 200, 17), clRed) == 0, "Vs climbs above the Ve level");
    j.That(All(client, QRect(146, 130, 29, 1), clRed), "Vs is not flat from x 146");
    j.That(All(client, QRect(145, 289, 29, 1), clBlue), "V is not flat on 289");
    const QRect hump = Bounds(client, QRect(51, 350, 200, 40), clHighlight);
    j.That(hump.top() >= 360 && hump.top() <= 362, "Ω's hump does not top at y 360 to 362");
    // Markers at the ends of Vs and V.
    j.Colour(180, 145, clBlue, "marker at the end of Vs");
    j.Colour(175, 125, clBlue, "cross of the Vs marker");
    j.That(All(client, QRect(180, 150, 70, 1), clBlue), "underline of the Vs marker");
    j.Colour(175, 295, clBlue, "cross of the V marker");
    // Texts.
    j.Texts(kLowGainOnCanvas);
    j.Texts(
        {{70, 230, clMaroon, "U=G.V", "Arial", 10}, {90, 260, clBlue, "V=Ve - Vs", "Arial", 10}});
    j.Texts(kLowGainOnFond, kFx, kFy);
    // The pen at 228, reached without overshoot: the trace never goes left of 237.
    PenAt(j, 228);
    const QRect trace = Bounds(client, kPaper, clRed);
    j.That(trace.left() >= kFx + 32 + 237, "the trace goes left of x 237: an overshoot");
    j.That(trace.right() >= kFx + 32 + 296, "the trace does not start near x 297");
    j.Add(PanelShown(client, kSmallPanel, "small panel"));
    return j.problems;
}

inline std::string Describe(const Problems& problems) {
    std::string text;
    for (const std::string& p : problems)
        text += "\n  " + p;
    return text;
}

}  // namespace lesson_end
