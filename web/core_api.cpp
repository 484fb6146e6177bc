// The core behind web/api.h: one session of the program, its drawing kept as RGBA bytes for the
// page's canvas (only what changed is converted), its controls described as JSON, its pages as
// HTML, and the commentary documents built into the module.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "api.h"
#include "engine/commentary.h"
#include "engine/session.h"
#include "model/conclusion.h"
#include "pages.h"
#include "richtext/html.h"

namespace {

// The commentary pages, found by name among those built into the module.
class BuiltInDocuments : public DocumentSource {
  public:
    File Read(const std::string& name) const override {
        for (const BuiltInPage& page : BuiltInPages())
            if (name == page.name) return {std::string(page.bytes), {}};
        return {{}, "fichier introuvable"};
    }
};

const BuiltInDocuments kDocuments;

struct Web {
    Session session;
    std::vector<std::uint8_t> rgba =
        std::vector<std::uint8_t>(std::size_t(State::kWidth) * State::kHeight * 4);
    Rect pending;      // changed since the page last copied the picture
    std::string text;  // what the last call that returns text returned
    std::string answer;
};

Web* web = nullptr;

State& S() {
    if (web == nullptr) tt_init();
    return web->session.s;
}

// Converts what the core drew since the last time into the RGBA bytes.
void Sync() {
    State& s = S();
    const Rect changed = TakeDirtyRect(s) & Rect(0, 0, State::kWidth, State::kHeight);
    if (changed.isEmpty()) return;
    web->pending |= changed;
    const Picture& canvas = s.WindowCanvas.Image();
    const Picture& fond = s.FOND.Picture.Bitmap.Image();
    const Rect fondArea = s.FOND.Bounds;
    for (int y = changed.top(); y <= changed.bottom(); ++y) {
        std::uint8_t* out = &web->rgba[(std::size_t(y) * State::kWidth + changed.left()) * 4];
        for (int x = changed.left(); x <= changed.right(); ++x, out += 4) {
            Pixel p = canvas.pixel(x, y);
            if (fondArea.contains(Point{x, y})) {
                const int fx = x - fondArea.left(), fy = y - fondArea.top();
                p = fond.valid(fx, fy) ? fond.pixel(fx, fy) : Opaque(clBtnFace);
            }
            out[0] = std::uint8_t(p >> 16);
            out[1] = std::uint8_t(p >> 8);
            out[2] = std::uint8_t(p);
            out[3] = 0xFF;
        }
    }
}

// JSON, written by hand: strings as the laboratory's results write them, numbers as integers or
// shortest decimals.
using model::JsonString;

std::string Colour(TColor c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", c & 0xFFFFFFu);
    return text;
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string Control(const char* name, const char* kind, const TControl& c,
                    const std::string& extra) {
    char head[160];
    std::snprintf(head, sizeof head,
                  "{\"name\":\"%s\",\"kind\":\"%s\",\"x\":%d,\"y\":%d,\"w\":%d,\"h\":%d,"
                  "\"visible\":%s,\"enabled\":%s",
                  name, kind, c.Bounds.x(), c.Bounds.y(), c.Bounds.width(), c.Bounds.height(),
                  c.Visible ? "true" : "false", c.Enabled ? "true" : "false");
    return head + extra + "}";
}

std::string Font(const TControl& c) {
    return ",\"font\":{\"size\":" + std::to_string(c.FontPixels) +
           ",\"bold\":" + (c.FontBold ? "true" : "false") + "},\"colour\":\"" +
           Colour(c.FontColor) + "\"";
}

std::string Text(const TControl& c) {
    return ",\"text\":" + JsonString(c.Caption) + Font(c);
}

// The laboratory's inputs as NAME=VALUE settings, as tt_set takes them.
std::string LabSettings(const model::Inputs& in) {
    static const char* const kShapes[] = {"echelon", "rampe", "trapeze", "sinus"};
    const std::string items[] = {
        "G=" + Number(in.settings.gain),
        std::string("forme=") + kShapes[static_cast<int>(in.shape)],
        "amplitude=" + Number(in.amplitude),
        "Usat=" + (in.settings.saturation ? Number(in.settings.usat) : std::string("off")),
        "U0=" + (in.settings.deadZone ? Number(in.settings.u0) : std::string("off")),
        "frequence=" + Number(in.frequency)};
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ",") + JsonString(item);
    return "[" + out + "]";
}

}  // namespace

extern "C" {

void tt_init() {
    delete web;
    web = new Web;
    State& s = web->session.s;
    s.Documents = &kDocuments;
    TakeDirtyRect(s);
    // Everything, the first time.
    web->pending = Rect(0, 0, State::kWidth, State::kHeight);
    s.Canvas()->PictureChanging(s.WindowCanvas.Image().rect());
    Sync();
}

void tt_tick() {
    S();
    web->session.Tick();
}

void tt_select(int item) {
    S();
    if (item < 0 || item > kLaboratory) {
        web->session.s.Messages.push_back("Scène inconnue : " + std::to_string(item) +
                                          " (attendu : 0 à 7).");
        return;
    }
    web->session.Choose(item);
}

void tt_comments() {
    if (!ShowComments(S())) S().Messages.push_back("Aucun bouton de commentaire n'est affiché.");
}

void tt_set_speed(int position) {
    TScrollBar& bar = S().ScrollBar1;
    bar.Position = std::clamp(position, bar.Min, bar.Max);
}

void tt_goto(int frame) {
    S();
    web->session.GoTo(frame);
}

void tt_end() {
    S();
    web->session.GoToEnd();
}

void tt_step_back() {
    S();
    web->session.StepBack();
}

void tt_restart() {
    S();
    web->session.Restart();
}

const char* tt_set(const char* setting) {
    S();
    web->answer.clear();
    web->session.Set(setting != nullptr ? setting : "", web->answer);
    return web->answer.c_str();
}

const std::uint8_t* tt_picture_rgba() {
    S();
    Sync();
    return web->rgba.data();
}

void tt_take_dirty(int* rect4) {
    S();
    Sync();
    const Rect r = web->pending;
    rect4[0] = r.x(), rect4[1] = r.y(), rect4[2] = std::max(0, r.width()),
    rect4[3] = std::max(0, r.height());
    web->pending = Rect();
}

const char* tt_state_json() {
    State& s = S();
    const ScenePosition at = PositionOf(s.Phase);
    std::string items;
    for (const std::string& item : s.ListBox1.Items)
        items += (items.empty() ? "" : ",") + JsonString(item);
    std::vector<std::string> c = {
        Control("ListBox1", "list", s.ListBox1,
                ",\"items\":[" + items + "],\"selected\":" + std::to_string(s.ListBox1.ItemIndex) +
                    Font(s.ListBox1)),
        Control("Button1", "button", s.Button1, Text(s.Button1)),
        Control("ScrollBar1", "scrollbar", s.ScrollBar1,
                ",\"value\":" + std::to_string(s.ScrollBar1.Position) +
                    ",\"min\":" + std::to_string(s.ScrollBar1.Min) +
                    ",\"max\":" + std::to_string(s.ScrollBar1.Max))};
    const std::pair<const char*, const TLabel*> labels[] = {
        {"Label1", &s.Label1}, {"Label2", &s.Label2}, {"Label3", &s.Label3},
        {"Label4", &s.Label4}, {"Label5", &s.Label5}, {"Label6", &s.Label6}};
    for (const auto& [name, label] : labels)
        c.push_back(Control(name, "label", *label, Text(*label)));
    const std::pair<const char*, const TRichEdit*> pages[] = {{"RichEdit1", &s.RichEdit1},
                                                              {"RichEdit2", &s.RichEdit2}};
    for (const auto& [name, page] : pages)
        c.push_back(
            Control(name, "page", *page,
                    ",\"colour\":\"#ffff00\",\"page\":" + std::to_string(page->PageSerial)));
    const std::tuple<const char*, const TButton*, std::int32_t> buttons[] = {
        {"B1", &s.B1, s.B1Created},
        {"B2", &s.B2, s.B2Created},
        {"B3", &s.B3, s.B3Created},
        {"B4", &s.B4, s.B4Created}};
    for (const auto& [name, button, created] : buttons)
        if (created == 1) c.push_back(Control(name, "button", *button, Text(*button)));

    std::string& out = web->text;
    out = "{\"scene\":" + std::to_string(at.item) +
          ",\"sceneName\":" + JsonString(SceneName(at.item)) +
          ",\"frame\":" + std::to_string(at.frame) + ",\"frames\":" + std::to_string(at.frames) +
          ",\"interval\":" + std::to_string(s.Timer1.Interval) + ",\"controls\":[";
    for (std::size_t i = 0; i < c.size(); ++i)
        out += (i ? "," : "") + c[i];
    out += "],\"messages\":[";
    for (std::size_t i = 0; i < s.Messages.size(); ++i)
        out += (i ? "," : "") + JsonString(s.Messages[i]);
    s.Messages.clear();
    out += "],\"lab\":{\"settings\":" + LabSettings(s.Lab.inputs()) +
           ",\"running\":" + (s.Lab.Running() ? "true" : "false") + "}}";
    return out.c_str();
}

const char* tt_page_html(const char* control) {
    State& s = S();
    const std::string name = control != nullptr ? control : "";
    const TRichEdit* page = name == "RichEdit1"   ? &s.RichEdit1
                            : name == "RichEdit2" ? &s.RichEdit2
                                                  : nullptr;
    web->text.clear();
    if (page != nullptr && page->Page != nullptr) {
        web->text = richtext::ToHtml(*page->Page);
    } else if (page != nullptr) {
        richtext::Document plain = richtext::ReadDocument(page->Text);
        web->text = richtext::ToHtml(plain);
    }
    return web->text.c_str();
}

const char* tt_csv() {
    const model::Experiment& lab = S().Lab;
    web->text = lab.Running() ? lab.Csv() : "";
    return web->text.c_str();
}

const char* tt_results_json() {
    const model::Experiment& lab = S().Lab;
    web->text = lab.Running() ? model::ResultsJson(lab) : "";
    return web->text.c_str();
}
}
