#include "engine/commentary.h"

#include <algorithm>
#include <memory>

#include "engine/scenes.h"
#include "richtext/rtf.h"

namespace {

// The longest stretch of a paragraph without a space, a tab or a line break, in characters.
// Laying such a stretch out takes a time that grows with the square of its length: a 2 MB "word"
// (a file of braces, a pasted binary) would freeze the window for minutes.
std::size_t LongestUnbroken(const richtext::Document& page) {
    std::size_t longest = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        std::size_t run = 0;
        for (const richtext::Run& r : page[i].runs) {
            for (std::size_t at = 0; at < r.text.size(); ++at) {
                const unsigned char c = static_cast<unsigned char>(r.text[at]);
                const bool lineBreak = c == 0xE2 && r.text.substr(at, 3) == "\u2028";
                if (c == ' ' || c == '\t' || lineBreak) {
                    run = 0;
                } else if ((c & 0xC0) != 0x80) {  // the first byte of a character
                    longest = std::max(longest, ++run);
                }
            }
        }
    }
    return longest;
}

// Far longer than any word or address of a commentary page, short enough to lay out at once.
constexpr std::size_t kMaxUnbroken = 10000;

std::string Quoted(const std::string& name) {
    return "« " + name + " »";
}

}  // namespace

void LoadCommentary(State& s, TRichEdit& panel, const std::string& fileName) {
    const DocumentSource::File file =
        s.Documents != nullptr ? s.Documents->Read(fileName)
                               : DocumentSource::File{{}, "aucun dossier de documents"};
    if (!file.error.empty()) {
        s.Messages.push_back("Impossible d'afficher le commentaire " + Quoted(fileName) + " : " +
                             file.error + ".");
        return;
    }
    auto page = std::make_shared<richtext::Document>(richtext::ReadDocument(file.bytes));
    if (const std::size_t run = LongestUnbroken(*page); run > kMaxUnbroken) {
        s.Messages.push_back("Impossible d'afficher le commentaire " + Quoted(fileName) +
                             " : il contient " + std::to_string(run) +
                             " caractères à la suite sans coupure possible (limite : " +
                             std::to_string(kMaxUnbroken) + ").");
        return;
    }
    if (!page->damage.empty())
        s.Messages.push_back("Le commentaire " + Quoted(fileName) + " est abîmé : " +
                             page->damage + ". Il est affiché tel qu'il a pu être lu.");
    panel.Page = std::move(page);
    panel.PageName = fileName;
    ++panel.PageSerial;
}

void CreateCommentButton(TButton& button, std::int32_t& created, const char* caption) {
    button = TButton{};
    button.Bounds = Rect(60, 380, 180, 30);
    button.Caption = caption;
    button.FontPixels = PointsToPixels(10);
    button.Visible = true;
    button.Enabled = true;
    created = 1;
}

namespace {

// A comment button's click: its scene's page in RichEdit2.
void CommentClick(State& s, int button) {
    s.RichEdit2.Visible = true;
    for (const Scene& scene : Scenes())
        if (scene.button == button) LoadCommentary(s, s.RichEdit2, scene.page);
}

}  // namespace

void B1Click(State& s) {
    CommentClick(s, 1);
}

void B2Click(State& s) {
    CommentClick(s, 2);
}

void B3Click(State& s) {
    CommentClick(s, 3);
}

void B4Click(State& s) {
    CommentClick(s, 4);
}

void StartLaboratory(State& s) {
    s.Lab.Launch(s.Lab.inputs());
    s.ListBox1.ItemIndex = -1;
    s.Phase = SceneOf(kLaboratory)->start;
    Button1Click(s);
}

bool ShowComments(State& s) {
    const struct {
        const TButton& button;
        std::int32_t created;
        void (*click)(State&);
    } buttons[] = {{s.B1, s.B1Created, B1Click},
                   {s.B2, s.B2Created, B2Click},
                   {s.B3, s.B3Created, B3Click},
                   {s.B4, s.B4Created, B4Click}};
    void (*shown)(State&) = nullptr;
    for (const auto& b : buttons)
        if (b.created == 1 && b.button.Visible && b.button.Enabled) shown = b.click;
    if (shown != nullptr) {
        shown(s);
        return true;
    }
    if (PositionOf(s.Phase).item == kLaboratory) {
        s.RichEdit2.Visible = true;
        LoadCommentary(s, s.RichEdit2, SceneOf(kLaboratory)->page);
        return true;
    }
    return false;
}
