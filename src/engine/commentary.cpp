#include "engine/commentary.h"

#include <memory>

#include "engine/scenes.h"
#include "richtext/rtf.h"

namespace {

std::string Quoted(const std::string& name) {
    return "« " + name + " »";
}

}  // namespace

void LoadCommentary(State& s, TRichEdit& panel, const std::string& fileName) {
    const DocumentSource::File file = s.Documents != nullptr
                                          ? s.Documents->Read(fileName)
                                          : DocumentSource::File{{}, "aucun dossier de documents"};
    if (!file.error.empty()) {
        s.Messages.push_back("Impossible d'afficher le commentaire " + Quoted(fileName) + " : " +
                             file.error + ".");
        return;
    }
    auto page = std::make_shared<richtext::Document>(richtext::ReadDocument(file.bytes));
    // A page beyond the bounds of what its layout may cost, whatever lays it out.
    if (!page->refusal.empty()) {
        s.Messages.push_back("Impossible d'afficher le commentaire " + Quoted(fileName) + " : " +
                             page->refusal + ".");
        return;
    }
    if (!page->damage.empty())
        s.Messages.push_back("Le commentaire " + Quoted(fileName) + " est abîmé : " + page->damage +
                             ". Il est affiché tel qu'il a pu être lu.");
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
