// A stand-in for the core behind web/api.h, so that the browser's shell and its tests can be
// built and run before the real core compiles for WebAssembly: the same controls at the same
// places, the same frame counting (idle, the presentation, six lessons and the laboratory of 159
// frames), a picture that changes with every tick and with the scene, and small pages. It draws
// nothing of the real scenes: no checksum of tests/data/frames.txt can match it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api.h"

namespace {

constexpr int kWidth = 793, kHeight = 553, kFrames = 159;

const char* const kItems[] = {"Présentation ",
                              "Réponse indicielle en Boucle Ouverte",
                              "Rép. Ind. en Boucle Fermée (G:faible)",
                              "Rép. Ind. en Boucle Fermée (G:grand) ",
                              "Instabilité en B. Fermée si G très grand",
                              "Réponse trapézoïdale en B. Fermée",
                              "Non linéarité du moteur"};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct State {
    std::vector<std::uint8_t> rgba = std::vector<std::uint8_t>(kWidth * kHeight * 4);
    Rect dirty;
    int scene = -1, frame = 0, ticks = 0, speed = 60, selected = -1;
    bool drawn = false, comments = false;
    int pageSerial = 0;
    std::string gain = "4";
    std::vector<std::string> messages;
    std::string text;  // the last state, as JSON
};

State S;

void Touch(Rect r) {
    if (S.dirty.w == 0) {
        S.dirty = r;
        return;
    }
    const int x1 = std::max(S.dirty.x + S.dirty.w, r.x + r.w),
              y1 = std::max(S.dirty.y + S.dirty.h, r.y + r.h);
    S.dirty.x = std::min(S.dirty.x, r.x);
    S.dirty.y = std::min(S.dirty.y, r.y);
    S.dirty.w = x1 - S.dirty.x;
    S.dirty.h = y1 - S.dirty.y;
}

void Fill(Rect r, std::uint32_t rgb) {
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x) {
            std::uint8_t* p = &S.rgba[(y * kWidth + x) * 4];
            p[0] = rgb >> 16, p[1] = (rgb >> 8) & 0xFF, p[2] = rgb & 0xFF, p[3] = 0xFF;
        }
    Touch(r);
}

// The picture of the current frame: the window colour, a band of the scene's colour, and a pen
// that moves one step a tick along a track.
void Draw() {
    static const std::uint32_t colours[] = {0x808080, 0x000080, 0x008000, 0x800000, 0xFF0000,
                                            0x008080, 0x800080, 0x0000FF, 0xFF8000};
    if (!S.drawn) Fill({0, 0, kWidth, kHeight}, 0xC0C0C0), S.drawn = true;
    Fill({344, 16, 449, 12}, colours[S.scene + 1]);
    Fill({344, 200, 449, 24}, 0xFFFFFF);
    const int step = S.scene >= 1 ? S.frame : S.ticks % 160;
    Fill({346 + step * 430 / 159, 204, 16, 16}, 0x0000FF);
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Control(const char* name, const char* kind, Rect r, bool visible,
                    const std::string& extra) {
    char head[200];
    std::snprintf(head, sizeof head,
                  "{\"name\":\"%s\",\"kind\":\"%s\",\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d,"
                  "\"visible\":%s,\"enabled\":true",
                  name, kind, r.x, r.y, r.w, r.h, visible ? "true" : "false");
    return head + extra + "}";
}

std::string Label(const char* name, int x, int y, const char* text, const char* colour, int size,
                  bool bold) {
    char font[80];
    std::snprintf(font, sizeof font, ",\"font\":{\"size\":%d,\"bold\":%s}", size,
                  bold ? "true" : "false");
    return Control(name, "label", {x, y, 0, 0}, true,
                   ",\"text\":" + Quote(text) + font + ",\"colour\":\"" + colour + "\"");
}

bool Lesson() {
    return S.scene >= 1;
}

}  // namespace

extern "C" {

void tt_init() {
    S = State();
}

void tt_tick() {
    ++S.ticks;
    if (Lesson() && S.frame < kFrames) ++S.frame;
    Draw();
}

void tt_select(int item) {
    if (item < 0 || item > 7) {
        S.messages.push_back("scène inconnue : " + std::to_string(item));
        return;
    }
    S.scene = item, S.frame = 0, S.comments = false;
    if (item < 7) S.selected = item;
    ++S.pageSerial;
    Draw();
}

void tt_comments() {
    if (S.scene < 3 || S.frame < kFrames) {
        S.messages.push_back("Aucune page de commentaire n'est proposée à cette image.");
        return;
    }
    S.comments = true;
    ++S.pageSerial;
}

void tt_set_speed(int position) {
    S.speed = std::clamp(position, 20, 200);
}

void tt_goto(int frame) {
    if (!Lesson()) return;
    S.frame = std::clamp(frame, 1, kFrames);
    S.comments = false;
    Draw();
}

void tt_end() {
    tt_goto(kFrames);
}

void tt_step_back() {
    if (S.frame > 1) tt_goto(S.frame - 1);
}

void tt_restart() {
    if (S.scene >= 0) tt_select(S.scene);
}

const char* tt_set(const char* setting) {
    static std::string answer;
    const std::string s = setting;
    if (s.rfind("G=", 0) != 0) {
        answer = "réglage inconnu : « " + s.substr(0, s.find('=')) + " » (attendu : G)";
    } else {
        char* end = nullptr;
        const double g = std::strtod(s.c_str() + 2, &end);
        if (end == s.c_str() + 2 || *end != '\0' || !(g >= 0.01 && g <= 10000))
            answer = "valeur invalide pour G : « " + s.substr(2) + " » (attendu : de 0.01 à 10000)";
        else
            S.gain = s.substr(2), answer.clear();
    }
    return answer.c_str();
}

const std::uint8_t* tt_picture_rgba() {
    return S.rgba.data();
}

void tt_take_dirty(int* rect4) {
    rect4[0] = S.dirty.x, rect4[1] = S.dirty.y, rect4[2] = S.dirty.w, rect4[3] = S.dirty.h;
    S.dirty = Rect();
}

const char* tt_state_json() {
    static const char* const names[] = {"Accueil",
                                        "Présentation",
                                        "Réponse indicielle en Boucle Ouverte",
                                        "Rép. Ind. en Boucle Fermée (G:faible)",
                                        "Rép. Ind. en Boucle Fermée (G:grand)",
                                        "Instabilité en B. Fermée si G très grand",
                                        "Réponse trapézoïdale en B. Fermée",
                                        "Non linéarité du moteur",
                                        "Laboratoire"};
    std::string items;
    for (const char* item : kItems)
        items += (items.empty() ? "" : ",") + Quote(item);
    const bool ended = Lesson() && S.frame == kFrames;
    std::vector<std::string> c = {
        Control("ListBox1", "list", {96, 464, 225, 49}, true,
                ",\"items\":[" + items + "],\"selected\":" + std::to_string(S.selected) +
                    ",\"font\":{\"size\":11,\"bold\":false},\"colour\":\"#008000\""),
        Control("Button1", "button", {200, 528, 115, 25}, true,
                ",\"text\":\"Démarrer l'Animation\",\"colour\":\"#ff0000\""),
        Control("ScrollBar1", "scrollbar", {16, 536, 121, 16}, true,
                ",\"value\":" + std::to_string(S.speed) + ",\"min\":20,\"max\":200"),
        Label("Label1", 400, 0, "Asservissement de Position d'une Table Traçante", "#800000", 13,
              true),
        Label("Label2", 16, 8, "Ardanel", "#800000", 11, false),
        Label("Label3", 24, 472, "MENU :", "#008000", 13, true),
        Label("Label4", 8, 488, "(sélectionner)", "#008000", 11, true),
        Label("Label5", 112, 8, "Version 2.2", "#800000", 11, false),
        Label("Label6", 16, 520, "+  Réglage vitesse  -", "#800000", 11, true),
        Control("RichEdit1", "page", {136, 40, 185, 73}, S.scene == 0,
                ",\"colour\":\"#ffff00\",\"page\":" + std::to_string(S.pageSerial)),
        Control("RichEdit2", "page", {336, 376, 449, 177}, S.comments,
                ",\"colour\":\"#ffff00\",\"page\":" + std::to_string(S.pageSerial)),
    };
    for (int b = 1; b <= 4; ++b)
        if (ended && S.scene == b + 2)
            c.push_back(Control(("B" + std::to_string(b)).c_str(), "button", {60, 380, 180, 30},
                                true, ",\"text\":\"Interprétation des résultats\""));
    char head[300];
    std::snprintf(head, sizeof head,
                  "{\"scene\":%d,\"sceneName\":%s,\"frame\":%d,\"frames\":%d,\"interval\":%d,",
                  S.scene, Quote(names[S.scene + 1]).c_str(), S.frame, Lesson() ? kFrames : 0,
                  S.speed);
    S.text = head;
    S.text += "\"controls\":[";
    for (std::size_t i = 0; i < c.size(); ++i)
        S.text += (i ? "," : "") + c[i];
    S.text += "],\"messages\":[";
    for (std::size_t i = 0; i < S.messages.size(); ++i)
        S.text += (i ? "," : "") + Quote(S.messages[i]);
    S.messages.clear();
    S.text += "],\"lab\":{\"settings\":[\"G=" + S.gain +
              "\",\"forme=echelon\",\"amplitude=1\",\"Usat=12\",\"U0=off\",\"frequence=1\"],"
              "\"running\":" +
              (S.scene == 7 ? "true" : "false") + "}}";
    return S.text.c_str();
}

const char* tt_page_html(const char* control) {
    static std::string page;
    const std::string name = control;
    if (name == "RichEdit1")
        page = "<p><b>Présentation</b> de la table traçante.</p>";
    else if (name == "RichEdit2" && S.comments)
        page = "<p><b>Interprétation</b> des résultats de la scène " + std::to_string(S.scene) +
               " : <i>G</i> = " + S.gain + ".</p>";
    else
        page.clear();
    return page.c_str();
}

const char* tt_csv() {
    static std::string csv;
    csv.clear();
    if (S.scene == 7) {
        csv = "t (s),Ve (V),Vs (V)\n";
        for (int k = 0; k <= S.frame; ++k)
            csv += std::to_string(k * 0.001) + ",1," + std::to_string(k / 159.0) + "\n";
    }
    return csv.c_str();
}

const char* tt_results_json() {
    static std::string json;
    json = S.scene == 7 ? "{\"G\":" + S.gain + ",\"frame\":" + std::to_string(S.frame) + "}" : "";
    return json.c_str();
}
}
